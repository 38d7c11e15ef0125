#pragma once
// Where a pen's disk is mounted. The Linux implementation reads the mount
// table; simulated pens are plain folders.

#include <string>

namespace penshelf {

class Volumes {
  public:
    virtual ~Volumes() = default;
    // The absolute path of the volume mounted from /dev/<bsdName>, ending in
    // "/", or the empty text when nothing is mounted.
    virtual std::string GetVolumePath(const std::string& bsdName) const = 0;
};

}  // namespace penshelf
