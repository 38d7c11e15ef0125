#pragma once
// Whole reads and writes on file descriptors, across short transfers and
// interrupted calls.

#include "books/UniqueFd.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <string>
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

// What a file holds, read to its end: for the kernel's files (/proc, sysfs),
// whose size says nothing of their length. Nothing when the file cannot be
// opened or read.
inline std::optional<std::string> readWholeFile(const std::string& path) {
    const UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!file.isOpen()) return std::nullopt;
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(file.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) return text;
        text.append(buffer, static_cast<size_t>(n));
    }
}

}  // namespace penshelf
