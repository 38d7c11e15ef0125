#include "device/PlatformChoice.h"

#include "device/linux/LinuxPlatform.h"
#include "device/simulated/SimulatedPlatform.h"

#include <cstdlib>
#include <filesystem>

namespace penshelf {

PlatformChoice makePlatformFromEnvironment() {
    const char* simulated = std::getenv("PENSHELF_SIMULATE");
    if (!simulated || !*simulated) return {makeLinuxPlatform(), {}};
    std::error_code error;
    if (!std::filesystem::is_directory(simulated, error)) {
        return {nullptr, std::string("PENSHELF_SIMULATE names no folder: ") + simulated};
    }
    return {makeSimulatedPlatform(simulated), {}};
}

}  // namespace penshelf
