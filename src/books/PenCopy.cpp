#include "books/PenCopy.h"

#include "books/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

namespace penshelf {
namespace {

bool makeFolder(const std::string& path) {
    return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

std::optional<PenCopyFolder> PenCopyFolder::make(int& error) {
    std::string cache;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') {
        cache = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
        cache = std::string(home) + "/.cache";
    } else {
        error = ENOENT;
        return std::nullopt;
    }
    const std::string parent = cache + "/penshelf";
    std::string pattern = parent + "/pen-copy-XXXXXX";
    if (!makeFolder(cache) || !makeFolder(parent) || !mkdtemp(pattern.data())) {
        error = errno;
        return std::nullopt;
    }
    return PenCopyFolder(std::move(pattern));
}

PenCopyFolder::PenCopyFolder(PenCopyFolder&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
}

PenCopyFolder::~PenCopyFolder() {
    if (path_.empty()) return;
    // Only what a backup writes: plain files, right in the folder.
    const UniqueFd folder(open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.isOpen()) {
        std::vector<std::string> names;
        for (FolderListing listing = FolderListing::of(folder.get());
             const dirent* entry = listing.next();) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        for (const std::string& name : names) unlinkat(folder.get(), name.c_str(), 0);
    }
    rmdir(path_.c_str());
}

}  // namespace penshelf
