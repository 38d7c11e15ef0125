#include "books/RegularFile.h"

#include "books/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>

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
    UniqueFd fd(::openat(folderFd, path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | flags));
    if (!fd.isOpen()) return;
    if (!listedAsRegular && (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))) return;
    fd_ = std::move(fd);
}

ssize_t RegularFile::readAt(off_t offset, void* buffer, size_t size) const {
    if (!fd_.isOpen()) return -1;
    return static_cast<ssize_t>(penshelf::readAt(fd_.get(), static_cast<char*>(buffer),
                                                 static_cast<std::int64_t>(size), offset));
}

}  // namespace penshelf
