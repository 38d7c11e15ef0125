#pragma once
// For the targets that put the fuzzer's bytes into files: a private folder for the whole run,
// removed when the run ends, and the removal of a tree below it that never follows a link.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace penshelf::fuzz {

// Removes the entry `name` of the folder folderFd and, when it is a folder, everything below
// it. A link is removed itself, never followed.
inline void removeEntry(int folderFd, const char* name) {
    if (unlinkat(folderFd, name, 0) == 0 || errno == ENOENT) return;
    const int fd = openat(folderFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    DIR* folder = fdopendir(fd);
    if (folder == nullptr) {
        close(fd);
        return;
    }
    // The names first: removing entries while reading the listing may skip some.
    std::vector<std::string> names;
    while (const dirent* entry = readdir(folder)) {
        const std::string entryName = entry->d_name;
        if (entryName != "." && entryName != "..") names.push_back(entryName);
    }
    for (const std::string& entryName : names) removeEntry(dirfd(folder), entryName.c_str());
    closedir(folder);
    unlinkat(folderFd, name, AT_REMOVEDIR);
}

// The folder of this run, made once below $TMPDIR (or /tmp) and removed at exit. Each input
// builds its files inside it and removes them again.
inline const std::string& runFolder() {
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/penshelf-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        return pattern;
    }();
    static const bool removedAtExit =
        (std::atexit([] { removeEntry(AT_FDCWD, folder.c_str()); }), true);
    (void)removedAtExit;
    return folder;
}

// Aborts when `name` is still in the run's folder: the files of one input must not pile up.
inline void expectRemoved(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0) {
        std::fprintf(stderr, "%s was not removed\n", path.c_str());
        std::abort();
    }
}

// Writes bytes to a new file; false when it cannot be made.
inline bool writeNewFile(int folderFd, const char* name, const void* bytes, size_t size) {
    const int fd =
        openat(folderFd, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const char* data = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n <= 0) {
            close(fd);
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return close(fd) == 0;
}

}  // namespace penshelf::fuzz
