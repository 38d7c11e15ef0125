#include "device/linux/LinuxPlatform.h"

#include "device/linux/MountTable.h"
#include "device/linux/MountTableWatch.h"
#include "device/linux/SysfsRegistry.h"
#include "device/linux/SystemEject.h"
#include "device/linux/UDisks2.h"
#include "device/linux/UdevUsbSource.h"

#include <iostream>

namespace penshelf {
namespace {

class LinuxPlatform : public Platform {
  public:
    explicit LinuxPlatform(const std::string& mountinfoPath) : volumes_(mountinfoPath) {}

    const Volumes& volumes() const override { return volumes_; }
    const Registry& registry() const override { return registry_; }
    UsbDeviceSource& usbDevices() override { return usb_; }
    MountTableWatch* mountTableWatch() override { return &mountWatch_; }
    bool eject(const std::string& bsdName) override {
        const std::string device = "/dev/" + bsdName;
        const auto stillMounted = [&] { return !volumes_.GetVolumePath(bsdName).empty(); };
        if (const std::optional<bool> ejected = udisks_.eject(device, stillMounted)) {
            return *ejected;
        }
        // No UDisks2 answers: the system's commands may still do it.
        return ejectWithSystemCommands(device, stillMounted, !udisks_.systemBusSilent());
    }
    void mount(const std::string& bsdName, std::function<void(const MountResult&)> done) override {
        udisks_.mount("/dev/" + bsdName, std::move(done));
    }

  private:
    MountTable volumes_;
    SysfsRegistry registry_;
    UdevUsbSource usb_;
    MountTableWatch mountWatch_{volumes_.mountinfoPath()};
    UDisks2 udisks_{std::cerr};
};

}  // namespace

std::unique_ptr<Platform> makeLinuxPlatform(const std::string& mountinfoPath) {
    return std::make_unique<LinuxPlatform>(mountinfoPath);
}

}  // namespace penshelf
