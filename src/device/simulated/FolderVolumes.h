#pragma once
// Volumes that are plain folders: simulated pens, one folder per disk name.

#include "books/Volumes.h"

#include <functional>
#include <map>
#include <string>

namespace penshelf {

class FolderVolumes : public Volumes {
  public:
    // readOnlyFolder: whether a mounted folder refuses writes although its
    // file system takes them; null: none does.
    using ReadOnlyFolder = std::function<bool(const std::string& folder)>;
    explicit FolderVolumes(ReadOnlyFolder readOnlyFolder = nullptr)
        : readOnlyFolder_(std::move(readOnlyFolder)) {}

    // Mounts folder as the volume of bsdName (replacing an earlier one).
    void mount(const std::string& bsdName, const std::string& folder);
    void unmount(const std::string& bsdName);
    std::string GetVolumePath(const std::string& bsdName) const override;
    // Read-only when the folder's file system is, or when readOnlyFolder says
    // so of the folder (asked each time: a simulated pen may turn read-only
    // while the program runs).
    bool isReadOnly(const std::string& bsdName) const override;

  private:
    ReadOnlyFolder readOnlyFolder_;
    std::map<std::string, std::string> folders_;
};

}  // namespace penshelf
