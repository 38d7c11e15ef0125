#include "device/simulated/FolderVolumes.h"

#include <climits>
#include <cstdlib>

namespace penshelf {

void FolderVolumes::mount(const std::string& bsdName, const std::string& folder) {
    // Kept absolute, like a real mount point, whatever the working folder.
    char resolved[PATH_MAX];
    std::string path = realpath(folder.c_str(), resolved) ? resolved : folder;
    if (path.empty() || path.back() != '/') path += '/';
    folders_[bsdName] = path;
}

void FolderVolumes::unmount(const std::string& bsdName) {
    folders_.erase(bsdName);
}

std::string FolderVolumes::GetVolumePath(const std::string& bsdName) const {
    const auto it = folders_.find(bsdName);
    return it == folders_.end() ? std::string() : it->second;
}

bool FolderVolumes::isReadOnly(const std::string& bsdName) const {
    const std::string folder = GetVolumePath(bsdName);
    if (folder.empty()) return false;
    return Volumes::isReadOnly(bsdName) || (readOnlyFolder_ && readOnlyFolder_(folder));
}

}  // namespace penshelf
