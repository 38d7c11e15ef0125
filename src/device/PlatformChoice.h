#pragma once
// Where both programs choose their platform, once at start: simulated pens
// when PENSHELF_SIMULATE names a folder (every subfolder a pen), else the
// machine's own.

#include "device/Platform.h"

#include <memory>
#include <string>

namespace penshelf {

struct PlatformChoice {
    std::unique_ptr<Platform> platform;  // null when error says why there is none
    std::string error;
};

// A PENSHELF_SIMULATE that names no existing folder is an error: a mistyped
// folder would otherwise look like a machine without pens.
PlatformChoice makePlatformFromEnvironment();

}  // namespace penshelf
