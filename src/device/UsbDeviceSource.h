#pragma once
// Where the USB watch learns of devices: the ones present when it is armed,
// later attaches, and the end of a device. Linux reads udev; simulated pens
// watch a folder.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace penshelf {

// A status of 0 is success; the others are the platform's error codes, shown
// in hex in the diagnostics.
namespace usbstatus {
inline constexpr std::uint32_t success = 0;
inline constexpr std::uint32_t noDevice = 0xE00002C0;     // the device has gone
inline constexpr std::uint32_t notReadable = 0xE00002C3;  // a value could not be read
}  // namespace usbstatus

template <typename T>
struct UsbRead {
    std::uint32_t status = usbstatus::success;
    T value{};
};

// One USB device as an attach hands it to the watch.
class UsbDevice {
  public:
    virtual ~UsbDevice() = default;
    // Names this device in its later termination.
    virtual std::string key() const = 0;
    // The device's name in the registry; nothing when it cannot be read.
    virtual std::optional<std::string> registryName() const = 0;
    // Opens the device's interface for the reads below.
    virtual std::uint32_t open() = 0;
    virtual UsbRead<std::uint32_t> locationID() const = 0;
    virtual UsbRead<std::uint16_t> vendorID() const = 0;
    virtual UsbRead<std::uint16_t> productID() const = 0;
};

using UsbDevices = std::vector<std::unique_ptr<UsbDevice>>;

class UsbDeviceSource {
  public:
    class Listener {
      public:
        virtual ~Listener() = default;
        // Devices reported by one attach notification, in their order.
        virtual void devicesAttached(UsbDevices devices) = 0;
        virtual void deviceTerminated(const std::string& key) = 0;
    };

    virtual ~UsbDeviceSource() = default;
    // Arms the attach notification and returns the devices present now;
    // nothing when no watch can be armed at all.
    virtual std::optional<UsbDevices> start(Listener& listener) = 0;
    // Asks for the device's termination to be reported; 0 or a failure status.
    virtual std::uint32_t watchTermination(const UsbDevice& device) = 0;
};

}  // namespace penshelf
