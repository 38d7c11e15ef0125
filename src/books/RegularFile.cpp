#include "books/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace penshelf {

RegularFile::RegularFile(const std::string& path) {
    open(AT_FDCWD, path.c_str(), false, 0);
}

RegularFile::RegularFile(int folderFd, const std::string& relativePath, bool listedAsRegular) {
    // Inside a pen's folder a link is not a package: it could lead anywhere
    // on the computer.
    open(folderFd, relativePath.c_str(), listedAsRegular, O_NOFOLLOW);
}

void RegularFile::open(int folderFd, const char* path, bool listedAsRegular, int flags) {
    // Opening a device node can have effects of its own: look before opening.
    struct stat st;
    if (!listedAsRegular &&
        (::fstatat(folderFd, path, &st, (flags & O_NOFOLLOW) ? AT_SYMLINK_NOFOLLOW : 0) != 0 ||
         !S_ISREG(st.st_mode))) {
        return;
    }
    // O_NONBLOCK: a FIFO put there since the look must not wait for a writer.
    const int fd = ::openat(folderFd, path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | flags);
    if (fd < 0) return;
    if (!listedAsRegular && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

RegularFile::~RegularFile() {
    if (fd_ >= 0) ::close(fd_);
}

ssize_t RegularFile::readAt(off_t offset, void* buffer, size_t size) const {
    if (fd_ < 0) return -1;
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < size) {
        const ssize_t n = ::pread(fd_, out + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

}  // namespace penshelf
