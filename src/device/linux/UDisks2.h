#pragma once
// UDisks2, the disk service of Linux desktops, on the system bus: it mounts a
// pen's file system where nothing else did, checks and repairs it, and
// unmounts and powers off a pen's disk, without root, with the desktop's
// password prompt where its policy wants one. The D-Bus side stays in the
// .cpp file.

#include "device/Platform.h"

#include <QString>

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

class QDBusConnection;
class QObject;

namespace penshelf {

class UDisks2 {
  public:
    // log: where failed unmounts, power-offs and remounts are told, and a
    // system bus that does not answer.
    explicit UDisks2(std::ostream& log);
    ~UDisks2();
    UDisks2(const UDisks2&) = delete;
    UDisks2& operator=(const UDisks2&) = delete;

    // Mounts the file system on devicePath ("/dev/sdb1") where UDisks2 picks,
    // when UDisks2 knows the partition as one; done comes from the event loop.
    // Without UDisks2, or without a file system there: NothingMounted.
    void mount(const std::string& devicePath, std::function<void(const MountResult&)> done);

    // Unmounts the file system on devicePath and powers off its drive (a
    // device without one, such as a loop device, is done once unmounted), each
    // step waited for with the window drawn but user input held back. A failed
    // unmount stops there unless stillMounted() says nothing is mounted any
    // more. True when every step succeeded; nothing when no UDisks2 answers.
    std::optional<bool> eject(const std::string& devicePath,
                              const std::function<bool()>& stillMounted);

    // Unmounts the file system on devicePath, checks it (Filesystem.Check) or
    // repairs it (Filesystem.Repair, then Check again: the second check decides,
    // not the repair's status), and mounts it again; done comes from the event
    // loop. Busy when it could not be unmounted (another program uses it);
    // ToolMissing when Manager.CanCheck/CanRepair say the tool is missing, with
    // the tool they name. Nothing when no UDisks2 answers, or it does not know
    // devicePath as a file system: the caller may try another way.
    void checkFileSystem(const std::string& devicePath, FileSystemAction action,
                         std::function<void(const std::optional<FileSystemCheck>&)> done);

    // True when the system bus, or UDisks2 on it, was there the last time it
    // was asked but did not answer in time: udisksctl would hang on it too.
    bool systemBusSilent() const { return silent_; }

    // What UDisks2 says of a device; the D-Bus side of it is in the .cpp file.
    struct Lookup;

  private:
    // Calls then, from the event loop, with the system bus and what UDisks2
    // says of devicePath. Connecting and this first question each get a few
    // seconds; libdbus is only let connect to a bus that answered meanwhile.
    void lookUp(const std::string& devicePath,
                std::function<void(const QDBusConnection&, const Lookup&)> then);

    std::ostream& log_;
    bool silent_ = false;
    // This object's own connection to the system bus, by name.
    const QString connectionName_;
    // Parent of the watchers of the calls under way: they end with this object.
    std::unique_ptr<QObject> calls_;
};

}  // namespace penshelf
