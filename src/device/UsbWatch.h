#pragma once
// The USB attach and detach watch. Every device with a pen's USB IDs, present
// at start or attached later, is handed to identification by its location ID
// and watched until it goes away, which is logged. Events go through the
// default-mode gate, so they wait while a modal window runs.

#include "device/DefaultModeGate.h"
#include "device/Diagnostics.h"
#include "device/PenIdentifier.h"
#include "device/UsbDeviceSource.h"

#include <chrono>
#include <deque>
#include <functional>
#include <map>

namespace penshelf {

// Whether USB IDs are a pen's: 0x04D6 with 0xE101 or 0xE301, or 0x0C45 with 0x3201.
bool isPenUsbId(std::uint16_t vendor, std::uint16_t product);

inline constexpr std::uint32_t kIOMessageServiceIsTerminated = 0xE0000010;

// One watched USB device.
struct DevicePrivateData {
    bool notification = false;  // its termination is watched
    std::unique_ptr<UsbDevice> deviceInterface;
    std::string deviceName;
    std::uint32_t locationID = 0;
    // A pen's USB IDs, but no pen with a mounted volume found yet (its disk
    // or its mount may come later): a change of the mount table identifies
    // it again. penKey: the record stored meanwhile without a volume, if any.
    bool awaitingVolume = false;
    std::string penKey;
};

class UsbWatch : public UsbDeviceSource::Listener {
  public:
    // Calls its argument once the settling time after an attach has passed.
    using Wait = std::function<void(std::function<void()> then)>;

    // The pause between an attach notification and examining its devices,
    // which gives the pen's disk time to appear. The window stays usable.
    static Wait settlingWait(std::chrono::milliseconds pause = std::chrono::seconds(3));

    // Takes the key of each pen that was stored without a volume when its
    // device was first examined, at start or at its attach.
    using PenWithoutVolume = std::function<void(const std::string& penKey)>;

    UsbWatch(UsbDeviceSource& source, PenIdentifier& identifier, DefaultModeGate& gate,
             Diagnostics diagnostics, Wait wait = settlingWait(),
             PenWithoutVolume penWithoutVolume = nullptr);
    ~UsbWatch() override;

    // Arms the watch and examines the devices already attached, at once.
    void InitService();

    // The mount table changed: identify again the pens stored without a volume.
    void mountTableChanged();

    void devicesAttached(UsbDevices devices) override;
    void deviceTerminated(const std::string& key) override;

    // The devices watched now, by key.
    const std::map<std::string, std::unique_ptr<DevicePrivateData>>& watched() const {
        return watched_;
    }

  private:
    void DeviceAdded(const char* marker, UsbDevices devices);
    void examine(std::unique_ptr<UsbDevice> device);
    void DeviceRemoved(DevicePrivateData* privateDataRef, std::uint32_t messageType);
    void startNextAttach();
    void out(const std::string& line);
    void err(const std::string& line);

    UsbDeviceSource& source_;
    PenIdentifier& identifier_;
    DefaultModeGate& gate_;
    Diagnostics diagnostics_;
    Wait wait_;
    PenWithoutVolume penWithoutVolume_;
    std::map<std::string, std::unique_ptr<DevicePrivateData>> watched_;
    // Attach notifications wait their turn: one settling wait each, in order.
    std::deque<UsbDevices> attaches_;
    bool attachRunning_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace penshelf
