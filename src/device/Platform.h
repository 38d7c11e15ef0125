#pragma once
// The platform services pen discovery and the book side need, chosen once at
// start: the Linux machine's own, or simulated pens in a folder.

#include <memory>
#include <string>

namespace penshelf {

class MountTableWatch;
class Registry;
class UsbDeviceSource;
class Volumes;

class Platform {
  public:
    virtual ~Platform() = default;
    virtual const Volumes& volumes() const = 0;
    virtual const Registry& registry() const = 0;
    virtual UsbDeviceSource& usbDevices() = 0;
    // Tells when volumes are mounted or unmounted; null when the volumes
    // never change behind the program's back.
    virtual MountTableWatch* mountTableWatch() { return nullptr; }
    // Unmounts and powers off the disk of a pen's data partition, waiting for
    // it to finish. True when every step succeeded.
    virtual bool eject(const std::string& bsdName) = 0;
};

// The machine's udev, sysfs and mount table.
std::unique_ptr<Platform> makeLinuxPlatform();

// Simulated pens when PENSHELF_SIMULATE names a folder (every subfolder a
// pen), else the machine's own.
std::unique_ptr<Platform> makePlatformFromEnvironment();

}  // namespace penshelf
