#pragma once
// The platform services pen discovery and the book side need, chosen once at
// start: the Linux machine's own, or simulated pens in a folder.

#include <functional>
#include <string>

namespace penshelf {

class MountTableWatch;
class Registry;
class UsbDeviceSource;
class Volumes;

// How an attempt to mount a pen's volume ended.
struct MountResult {
    enum class Outcome {
        Mounted,
        Failed,          // the system refused or could not: reason says why
        NothingMounted,  // nothing here mounts that partition (no file system on it, no service)
    };
    Outcome outcome = Outcome::NothingMounted;
    std::string reason;
};

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
    // Mounts the file system of a pen's data partition, which nothing else
    // mounted, where the system puts removable disks. It does not wait: done
    // comes later from the event loop, as the system may first ask the user
    // for a password. By default nothing is mounted, and done is called at once.
    virtual void mount(const std::string& bsdName, std::function<void(const MountResult&)> done) {
        (void)bsdName;
        done({});
    }
};

}  // namespace penshelf
