#include "device/linux/LinuxPlatform.h"

#include "device/FatCheck.h"

#include "device/linux/MountTable.h"
#include "device/linux/MountTableWatch.h"
#include "device/linux/SysfsRegistry.h"
#include "device/linux/SystemEject.h"
#include "device/linux/UDisks2.h"
#include "device/linux/UdevUsbSource.h"

#include <QObject>

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

namespace penshelf {
namespace {

class LinuxPlatform : public Platform {
  public:
    explicit LinuxPlatform(const std::string& mountinfoPath) : volumes_(mountinfoPath) {
        connect(&mountWatch_, &MountTableWatch::changed, this, &Platform::volumesChanged);
    }

    const Volumes& volumes() const override { return volumes_; }
    const Registry& registry() const override { return registry_; }
    UsbDeviceSource& usbDevices() override { return usb_; }
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
    void checkFileSystem(const std::string& bsdName, FileSystemAction action,
                         std::function<void(const FileSystemCheck&)> done) override {
        const std::string device = "/dev/" + bsdName;
        udisks_.checkFileSystem(
            device, action,
            [this, bsdName, device, action, done](const std::optional<FileSystemCheck>& checked) {
                if (checked) return done(*checked);
                checkWithoutUDisks2(bsdName, device, action, done);
            });
    }

  private:
    // Where no UDisks2 answers, root can unmount the pen and run fsck.fat on
    // its partition; nothing here mounts it again afterwards.
    void checkWithoutUDisks2(const std::string& bsdName, const std::string& device,
                             FileSystemAction action,
                             const std::function<void(const FileSystemCheck&)>& done) {
        using Outcome = FileSystemCheck::Outcome;
        if (geteuid() != 0) {
            return done({Outcome::NotPossible,
                         "checking the file system needs the udisks2 service (UDisks2 on the "
                         "system bus) or root",
                         {},
                         {},
                         false,
                         false});
        }
        if (findFsckFat().empty()) return runFatCheck(device, action, context_.get(), done);
        const std::string mountPoint = volumes_.GetVolumePath(bsdName);
        if (!mountPoint.empty() && umount2(mountPoint.c_str(), 0) != 0) {
            if (errno == EBUSY) return done({Outcome::Busy, {}, {}, {}, false, false});
            return done({Outcome::Failed,
                         "cannot unmount the pen: " + std::string(strerror(errno)),
                         {},
                         {},
                         false,
                         false});
        }
        runFatCheck(device, action, context_.get(), [done](FileSystemCheck checked) {
            checked.replug = true;
            done(checked);
        });
    }

    MountTable volumes_;
    SysfsRegistry registry_;
    UdevUsbSource usb_;
    MountTableWatch mountWatch_{volumes_.mountinfoPath()};
    UDisks2 udisks_{std::cerr};
    // Ends the checks under way with the platform.
    std::unique_ptr<QObject> context_ = std::make_unique<QObject>();
};

}  // namespace

std::unique_ptr<Platform> makeLinuxPlatform(const std::string& mountinfoPath) {
    return std::make_unique<LinuxPlatform>(mountinfoPath);
}

}  // namespace penshelf
