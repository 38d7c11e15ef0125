#pragma once
// Whole reads and writes on file descriptors, across short transfers and
// interrupted calls.

#include <cerrno>
#include <cstdint>
#include <unistd.h>

namespace penshelf {

// Reads up to size bytes at offset; the count read (short only at the end of
// the file), or -1.
inline std::int64_t readAt(int fd, char* buffer, std::int64_t size, std::int64_t offset) {
    std::int64_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd, buffer + done, static_cast<size_t>(size - done), offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += n;
    }
    return done;
}

inline bool writeAll(int fd, const char* buffer, std::int64_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, buffer, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buffer += n;
        size -= n;
    }
    return true;
}

}  // namespace penshelf
