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
    // Whether the volume mounted from /dev/<bsdName> refuses writes: mounted
    // read-only, or made read-only by the kernel after an error, which the
    // mount table may not show. False while nothing is mounted.
    virtual bool isReadOnly(const std::string& bsdName) const;
};

}  // namespace penshelf
