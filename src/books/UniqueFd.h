#pragma once
// Owning handles on open files and folders: closed when they go out of scope.

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <utility>

namespace penshelf {

class UniqueFd {
  public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) reset(std::exchange(other.fd_, -1));
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    // Closes now and tells whether everything written reached the file system.
    bool close() {
        const int fd = std::exchange(fd_, -1);
        return fd < 0 || ::close(fd) == 0;
    }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    // Gives the descriptor up without closing it.
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

// The entries of an open folder, "." and ".." included.
class FolderListing {
  public:
    // Lists the folder that folder refers to, and owns it from then on.
    explicit FolderListing(UniqueFd folder)
        : dir_(folder.isOpen() ? fdopendir(folder.get()) : nullptr) {
        if (dir_) folder.release();
    }
    // Lists the folder folderFd refers to through a description of its own, so
    // that listing moves no offset another user of folderFd shares.
    static FolderListing of(int folderFd) {
        return FolderListing(UniqueFd(openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
    }
    ~FolderListing() {
        if (dir_) closedir(dir_);
    }
    FolderListing(FolderListing&& other) noexcept : dir_(std::exchange(other.dir_, nullptr)) {}
    FolderListing& operator=(FolderListing&&) = delete;
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    bool isOpen() const { return dir_ != nullptr; }
    // The next entry, or null at the end or when the folder could not be opened.
    const dirent* next() { return dir_ ? readdir(dir_) : nullptr; }
    // The folder's descriptor, for opening its entries (openat).
    int fd() const { return dir_ ? dirfd(dir_) : -1; }

  private:
    DIR* dir_;
};

}  // namespace penshelf
