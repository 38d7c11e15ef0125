#pragma once
// Volumes of real disks, found in the kernel's mount table.

#include "books/Volumes.h"

#include <string>
#include <string_view>

namespace penshelf {

// The mount point of devicePath in a mountinfo text ("/" appended), or the
// empty text. Of several mounts of the device the first one of its whole file
// system wins; a bind mount of a subfolder is not the pen's root.
std::string mountPointIn(std::string_view mountinfo, const std::string& devicePath);

class MountTable : public Volumes {
  public:
    explicit MountTable(std::string mountinfoPath = "/proc/self/mountinfo");
    std::string GetVolumePath(const std::string& bsdName) const override;
    // statvfs's answer, or the super options' "ro" or "emergency_ro".
    bool isReadOnly(const std::string& bsdName) const override;
    const std::string& mountinfoPath() const { return mountinfoPath_; }

  private:
    std::string mountinfoPath_;
};

}  // namespace penshelf
