#pragma once
// The platform services pen discovery and the book side need, chosen once at
// start: the Linux machine's own, or simulated pens in a folder.

#include <QObject>

#include <functional>
#include <string>

namespace penshelf {

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

// How a check (or a repair) of a pen's file system ended.
struct FileSystemCheck {
    enum class Outcome {
        Clean,        // the check found nothing wrong (after a repair: nothing left)
        Damaged,      // the check found damage (after a repair: damage is left)
        Busy,         // another program uses the pen: it was not unmounted, nothing was checked
        ToolMissing,  // the checking tool is not installed: reason names its package
        NotPossible,  // nothing here can check it (no UDisks2 and not root): reason says what it
                      // needs
        Failed,       // the check could not run or did not end: reason says why
    };
    Outcome outcome = Outcome::NotPossible;
    std::string reason;
    // What the check said of the file system, and of a repair what the repair
    // said: the tool's own lines where it gives them.
    std::string found;
    std::string repairSaid;
    // The file system is mounted again afterwards; when not, and replug is
    // true, nothing here can mount it: the pen must be plugged in again.
    bool remounted = false;
    bool replug = false;
};

enum class FileSystemAction {
    Check,   // reads only
    Repair,  // repairs, then checks again: the second check is the outcome
};

class Platform : public QObject {
    Q_OBJECT
  public:
    ~Platform() override = default;
    virtual const Volumes& volumes() const = 0;
    virtual const Registry& registry() const = 0;
    virtual UsbDeviceSource& usbDevices() = 0;
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
    // Unmounts the file system of a pen's data partition, checks or repairs
    // it, and mounts it again where this platform can. It does not wait: done
    // comes later from the event loop. By default nothing can be checked.
    virtual void checkFileSystem(const std::string& bsdName, FileSystemAction action,
                                 std::function<void(const FileSystemCheck&)> done) {
        (void)bsdName;
        (void)action;
        done({FileSystemCheck::Outcome::NotPossible,
              "nothing here can check a file system",
              {},
              {},
              false,
              false});
    }

  signals:
    // A volume was mounted or unmounted, by whatever did it: a pen found
    // without one may have it now. Platforms whose volumes never change behind
    // the program's back never say so.
    void volumesChanged();
};

}  // namespace penshelf
