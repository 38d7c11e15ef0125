#include "books/MountTable.h"
#include "device/MountTableWatch.h"
#include "device/Platform.h"
#include "device/SysfsRegistry.h"
#include "device/SystemEject.h"
#include "device/UdevUsbSource.h"

namespace penshelf {
namespace {

class LinuxPlatform : public Platform {
  public:
    const Volumes& volumes() const override { return volumes_; }
    const Registry& registry() const override { return registry_; }
    UsbDeviceSource& usbDevices() override { return usb_; }
    MountTableWatch* mountTableWatch() override { return &mountWatch_; }
    bool eject(const std::string& bsdName) override {
        return ejectWithSystemCommands("/dev/" + bsdName,
                                       [&] { return !volumes_.GetVolumePath(bsdName).empty(); });
    }

  private:
    MountTable volumes_;
    SysfsRegistry registry_;
    UdevUsbSource usb_;
    MountTableWatch mountWatch_{volumes_.mountinfoPath()};
};

}  // namespace

std::unique_ptr<Platform> makeLinuxPlatform() {
    return std::make_unique<LinuxPlatform>();
}

}  // namespace penshelf
