#pragma once
// A read-only handle on a regular file. Anything else that carries a package's
// name on a pen (a folder, a FIFO, a device node) opens as an invalid handle,
// without blocking, so that reading it yields nothing.

#include "books/UniqueFd.h"

#include <string>
#include <sys/types.h>

namespace penshelf {

class RegularFile {
  public:
    explicit RegularFile(const std::string& path);
    // Opens path relative to an open folder (openat), saving the path lookup
    // of the folder itself; a link is not followed. listedAsRegular: the folder's listing already
    // said that this is a regular file, so its type is not checked again.
    RegularFile(int folderFd, const std::string& relativePath, bool listedAsRegular = false);

    bool isOpen() const { return fd_.isOpen(); }
    // Reads up to size bytes at offset; the count read, or -1 on failure.
    ssize_t readAt(off_t offset, void* buffer, size_t size) const;

  private:
    void open(int folderFd, const char* path, bool listedAsRegular, int flags);
    UniqueFd fd_;
};

}  // namespace penshelf
