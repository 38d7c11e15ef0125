#pragma once
// The USB location ID of a device: the bus number in bits 31..24, then each
// port of its path from the root hub in the next 4-bit nibbles, from bit 23
// downwards (bus 1, ports 2.3 give 0x01230000). The USB watch and the device
// registry both use this, so the two always agree on a device.

#include <cstdint>
#include <optional>
#include <string_view>

namespace penshelf {

// devpath as the kernel writes it ("2.3"); nothing when it is not a path of
// port numbers.
std::optional<std::uint32_t> usbLocationId(unsigned busNumber, std::string_view devpath);

// The same from a USB device's sysfs attributes busnum and devpath as read,
// line end and all; nothing unless busnum is a decimal number, whole.
std::optional<std::uint32_t> usbLocationIdFromSysfs(std::string_view busnum,
                                                    std::string_view devpath);

}  // namespace penshelf
