// libFuzzer target: the mount table reader. The input's first line is the device path, the rest
// is the mountinfo text. Aborts when a mount point is found that does not end in "/", or when
// more lines after a complete text change which mount is the device's.
#include "device/linux/MountTable.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace penshelf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t lineEnd = input.find('\n');
    if (lineEnd == std::string_view::npos) return 0;
    const std::string device(input.substr(0, lineEnd));
    const std::string_view mountinfo = input.substr(lineEnd + 1);

    const std::string point = mountPointIn(mountinfo, device);
    if (!point.empty() && point.back() != '/') std::abort();

    // The first whole mount of the device wins: lines after it do not matter.
    if (!point.empty() && mountinfo.back() == '\n') {
        const std::string twice = std::string(mountinfo) + std::string(mountinfo);
        if (mountPointIn(twice, device) != point) std::abort();
    }
    // Fields are never empty, nor is what their escapes stand for: no mount has an empty source.
    if (device.empty() && !point.empty()) std::abort();
    return 0;
}
