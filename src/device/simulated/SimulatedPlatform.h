#pragma once
// Simulated pens: every subfolder of one folder is an attached pen whose volume
// is that subfolder. Adding a subfolder attaches a pen, removing it detaches
// it. They feed the same watch, identification and book code as real pens.
//
// A subfolder may hold "simulated-device.ini" to be another device (";"
// starts a comment):
//   usb = 0c45:3201          (USB vendor and product IDs, hex)
//   scsi-vendor = Pagor      (SCSI vendor identification)
//   read-only = yes          (its volume refuses writes, as a damaged pen's may;
//                             read again whenever asked, so it can change)
//   image = pen.img          (a FAT image in the folder: its file system, for
//                             checks and repairs; the books stay the folder's files)

#include "device/Platform.h"
#include "device/UsbDeviceSource.h"
#include "device/simulated/FolderVolumes.h"
#include "device/simulated/MemoryRegistry.h"

#include <map>

class QFileSystemWatcher;

namespace penshelf {

class SimulatedPlatform : public Platform, public UsbDeviceSource {
    Q_OBJECT
  public:
    static constexpr const char* deviceFile = "simulated-device.ini";

    explicit SimulatedPlatform(std::string folder);
    ~SimulatedPlatform() override;

    const Volumes& volumes() const override { return volumes_; }
    const Registry& registry() const override { return registry_; }
    UsbDeviceSource& usbDevices() override { return *this; }
    // A simulated pen's disk is ejected by dropping its mount.
    bool eject(const std::string& bsdName) override;
    // fsck.fat on the pen's image, which nothing needs to unmount.
    void checkFileSystem(const std::string& bsdName, FileSystemAction action,
                         std::function<void(const FileSystemCheck&)> done) override;

    std::optional<UsbDevices> start(Listener& listener) override;
    std::uint32_t watchTermination(const UsbDevice& device) override;

    // Simulated mounts, for eject and for tests.
    FolderVolumes& folderVolumes() { return volumes_; }
    // Looks at the folder now rather than when the folder watch reports.
    void rescan();

    struct Pen {
        std::string path;
        std::uint32_t locationID = 0;
        std::string bsdName;  // of the data partition
        std::uint16_t vendorID = 0x04D6;
        std::uint16_t productID = 0xE301;
        std::string scsiVendor = "pagor";
        std::string image;  // the image's name in the pen's folder, or ""
    };
    const std::map<std::string, Pen>& pens() const { return pens_; }

  private:
    std::map<std::string, Pen> scanFolder();
    Pen describe(const std::string& name, const std::string& path);
    void rebuildRegistry();

    std::string folder_;
    FolderVolumes volumes_;
    MemoryRegistry registry_;
    std::map<std::string, Pen> pens_;     // by subfolder name
    std::map<std::string, int> numbers_;  // a pen keeps its number while the program runs
    Listener* listener_ = nullptr;
    QFileSystemWatcher* watcher_ = nullptr;
};

// Simulated pens in folder.
std::unique_ptr<Platform> makeSimulatedPlatform(const std::string& folder);

}  // namespace penshelf
