#include "device/LocationId.h"

#include <charconv>

namespace penshelf {
namespace {

std::string_view withoutLineEnd(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<std::uint32_t> usbLocationId(unsigned busNumber, std::string_view devpath) {
    if (busNumber > 0xFF || devpath.empty()) return std::nullopt;
    std::uint32_t id = busNumber << 24;
    if (devpath == "0") return id;  // a root hub, on no port
    int shift = 20;
    while (!devpath.empty()) {
        unsigned port = 0;
        const auto [end, error] =
            std::from_chars(devpath.data(), devpath.data() + devpath.size(), port);
        if (error != std::errc() || port == 0) return std::nullopt;
        // Ports past the sixth tier, or above 15, have no nibble; real hubs
        // stay within both.
        if (shift >= 0) id |= (port & 0xF) << shift;
        shift -= 4;
        devpath.remove_prefix(static_cast<size_t>(end - devpath.data()));
        if (!devpath.empty()) {
            if (devpath.front() != '.') return std::nullopt;
            devpath.remove_prefix(1);
            if (devpath.empty()) return std::nullopt;
        }
    }
    return id;
}

std::optional<std::uint32_t> usbLocationIdFromSysfs(std::string_view busnum,
                                                    std::string_view devpath) {
    busnum = withoutLineEnd(busnum);
    unsigned busNumber = 0;
    const auto [end, error] =
        std::from_chars(busnum.data(), busnum.data() + busnum.size(), busNumber);
    if (error != std::errc() || end != busnum.data() + busnum.size()) return std::nullopt;
    return usbLocationId(busNumber, withoutLineEnd(devpath));
}

}  // namespace penshelf
