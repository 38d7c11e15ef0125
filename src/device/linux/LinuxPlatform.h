#pragma once
// The Linux machine's own platform.

#include "device/Platform.h"

#include <memory>
#include <string>

namespace penshelf {

// The machine's udev, sysfs and mount table (mountinfoPath: the kernel's
// table of this process's mounts), and UDisks2 on the system bus when it runs.
std::unique_ptr<Platform> makeLinuxPlatform(
    const std::string& mountinfoPath = "/proc/self/mountinfo");

}  // namespace penshelf
