// The Linux watch and registry against udev and sysfs as umockdev mocks them: pens present at
// start, attached later, removed, mounted late; the sysfs reading; and, as root, a real mount that
// the platform tells of. Runs under umockdev-wrapper. (Events held during a modal run: the window's
// tests.)

#include "UmockdevPens.h"

#include "device/PenIdentifier.h"
#include "device/UsbWatch.h"
#include "device/linux/MountTable.h"
#include "device/linux/LinuxPlatform.h"
#include "device/linux/SysfsRegistry.h"
#include "device/linux/UdevUsbSource.h"

#include "support/LoopVolume.h"
#include "support/RecordingPenTable.h"
#include "support/Spin.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <unistd.h>

using namespace penshelf;
using namespace penshelf::test;

namespace {

class UdevTest : public UmockdevPens {
  protected:
    void startWatch() {
        watch = std::make_unique<UsbWatch>(source, identifier, gate, Diagnostics{out, err},
                                           [this](auto then) { ++waits, then(); });
        watch->InitService();
    }

    MountTable volumes{dir / "mountinfo"};
    SysfsRegistry registry;
    UdevUsbSource source;
    RecordingPenTable table;
    std::ostringstream out, err;
    DefaultModeGate gate;
    PenIdentifier identifier{registry, volumes, table, {out, err}};
    std::unique_ptr<UsbWatch> watch;
    int waits = 0;
};

// Present at start: examined at once, when their USB ID is a pen's, and listed when their SCSI
// vendor is too; unplugged: logged, and still listed.
TEST_F(UdevTest, PensPresentAtStartAreIdentifiedAtOnceAndUnpluggedWithALogLine) {
    const PenDevices pen = addPen();
    mount("sdb1", penVolume("KLV8A3C5D21"));
    addUsbDevice({.product = "e201", .port = "4"});  // not a pen's product ID
    // 0x0C45/0x3201 is a pen's USB ID, but this SCSI vendor is another company's.
    addPen({.vendor = "0c45", .product = "3201", .port = "6"}, "Generic ", "sdd");
    startWatch();

    EXPECT_EQ(table.listed(), "sdb1:KLV8A3C5D21 ");
    EXPECT_EQ(waits, 0);
    EXPECT_EQ(err.str(),
              "Vendor: pagor\nProduct: XLM PEN\nVersion: 1.00\nBSD Name: sdb1\n"
              "Vendor: Generic\nProduct: XLM PEN\nVersion: 1.00\nBSD Name: sdd1\n")
        << "the blank padding of sysfs is gone";
    EXPECT_EQ(watch->watched().size(), 2u) << "the e201 is not examined";

    err.str("");
    umockdev_testbed_uevent(testbed, pen.usb.c_str(), "remove");
    umockdev_testbed_remove_device(testbed, pen.usb.c_str());
    ASSERT_TRUE(spinUntil([&] { return err.str().find("Device removed.") != std::string::npos; }));
    EXPECT_EQ(err.str(),
              "Device removed.\n"
              "privateDataRef->deviceName: XLM Pen\n"
              "privateDataRef->locationID: 0x1200000.\n\n");
    EXPECT_EQ(table.listed(), "sdb1:KLV8A3C5D21 ");
    EXPECT_EQ(watch->watched().size(), 1u);
}

// Attached later: examined after one wait each; what is no pen is forgotten.
TEST_F(UdevTest, DevicesAttachedLaterAreExaminedAfterAWait) {
    startWatch();
    // umockdev reports each added device to udev's listeners, as the kernel would.
    addUsbDevice({.vendor = "046d", .product = "c52b", .port = "5"});
    ASSERT_TRUE(spinUntil([&] { return waits == 1; }));
    mount("sdb1", penVolume("LATER000001"));
    addPen({.port = "3"});

    ASSERT_TRUE(spinUntil([&] { return table.listed() == "sdb1:LATER000001 "; })) << table.listed();
    EXPECT_EQ(waits, 2);
    EXPECT_EQ(err.str().rfind("DeviceAdded runin.\nDeviceAdded runin.\n", 0), 0u);
    EXPECT_EQ(out.str(),
              "New ZIRO added.\nLocation ID:0x1300000, 0x1300000\nFind Location USB Device\n"
              "Device's name = 7:0:0:0\n")
        << "the receiver is examined and forgotten";
    EXPECT_EQ(watch->watched().size(), 1u);
}

// Pens listed without a volume are identified again when the mount table changes: one mounted late,
// a whole disk whose partition appears late, and never one ejected meanwhile.
TEST_F(UdevTest, MountTableChangesIdentifyPensListedWithoutAVolume) {
    addPen();
    const PenDevices late = addPen({.port = "3"}, "pagor   ", "sdc", /*partitionTable=*/"");
    addPen({.port = "4"}, "pagor   ", "sdd");
    startWatch();
    EXPECT_EQ(table.listed(), "sdb1: sdc: sdd1: ") << "before their volumes, sdc as a whole disk";
    table.removePen("sdd1");  // ejected before its volume was mounted

    mount("sdb1", penVolume("MOUNTEDLATE"));
    addPartition(late, "sdc");
    mount("sdc1", penVolume("LATEPARTITN"));
    mount("sdd1", penVolume("EJECTED0001"));
    watch->mountTableChanged();
    EXPECT_EQ(table.listed(), "sdb1:MOUNTEDLATE sdc1:LATEPARTITN ");

    // Once identified with their volumes, further mount changes leave them alone.
    const int stores = table.stores;
    out.str("");
    watch->mountTableChanged();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(table.stores, stores);
}

// The registry as identification reads it: the root, then each USB device by its product, its
// mass-storage interface's location ID (in decimal) and its media's content.
std::vector<std::string> registryLines(const Registry& registry) {
    std::vector<std::string> lines;
    const std::function<void(const RegistryEntry&)> visit = [&](const RegistryEntry& entry) {
        const std::string className = entry.className().value_or("?");
        const std::string name = entry.name().value_or("?");
        const auto text = [&](const char* key) { return propertyText(entry, key).value_or("-"); };
        if (className == registry::usbDeviceClass) lines.push_back("device " + name);
        if (className == registry::massStorageInterfaceClass)
            lines.push_back("interface " + name + " " + text(registry::locationIdKey));
        if (className == registry::mediaClass)
            lines.push_back("media " + name + " " + text(registry::contentKey));
        const auto children = entry.children(registry::plane);
        while (auto child = children ? children->next() : nullptr) visit(*child);
    };
    const auto root = registry.entryFromPath(registry::rootPath);
    if (!root) return {};
    lines.push_back(root->className().value_or("?"));
    visit(*root);
    return lines;
}

// A bus number is read whole, by the registry and the watch alike; a partition tells its file
// system before its partition type, a whole disk never the latter.
TEST_F(UdevTest, RegistryReadsBusNumberAndContentAsTheWatchDoes) {
    const PenDevices pen = addPen();
    add("block", "sdb2", pen.disk, {},
        {"DEVTYPE", "partition", "ID_FS_TYPE", "exfat", "ID_PART_ENTRY_TYPE", "0x7"});
    add("block", "sdb3", pen.disk, {}, {"DEVTYPE", "partition", "ID_PART_ENTRY_TYPE", "0xc"});
    addPen({.port = "3", .busnum = "1x"}, "pagor   ", "sdc", "gpt");
    const PenDevices bare = addPen({.port = "4", .busnum = ""}, "pagor   ", "sdd", "");
    umockdev_testbed_set_property(testbed, bare.disk.c_str(), "ID_PART_ENTRY_TYPE", "0xc");

    EXPECT_EQ(registryLines(registry),
              (std::vector<std::string>{
                  "IOPlatformExpertDevice", "device XLM Pen",
                  "interface 1-2:1.0 18874368" /* 0x01200000 */, "media sdb FDisk_partition_scheme",
                  "media sdb1 vfat", "media sdb2 exfat", "media sdb3 0xc", "device XLM Pen",
                  "interface 1-3:1.0 -", "media sdc GUID_partition_scheme", "media sdc1 vfat",
                  "device XLM Pen", "interface 1-4:1.0 -", "media sdd "}));
    startWatch();
    EXPECT_EQ(table.listed(), "sdb3: ") << "the last medium that is no partition table";
    EXPECT_EQ(err.str().substr(err.str().find("BSD Name: sdb3\n") + 15),
              "GetLocationID returned 0xe00002c3.\nGetLocationID returned 0xe00002c3.\n");

    // Only the root path, and only where the device folder is.
    EXPECT_EQ(SysfsRegistry().entryFromPath("IOService:/Other"), nullptr);
    EXPECT_EQ(SysfsRegistry(dir / "no-devices").entryFromPath(registry::rootPath), nullptr);
}

TEST_F(UdevTest, TheLinuxPlatformSeesARealMount) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting needs root";
    const std::unique_ptr<Platform> platform = makeLinuxPlatform();
    QSignalSpy changed(platform.get(), &Platform::volumesChanged);
    const std::string mountPoint = dir / "mnt";
    std::filesystem::create_directory(mountPoint);
    const std::string outside = "env -u LD_PRELOAD -u UMOCKDEV_DIR ";  // out of umockdev's reach
    ASSERT_TRUE(runQuietly(outside + "mount -t tmpfs penshelf " + mountPoint)) << "mount failed";
    EXPECT_TRUE(spinUntil([&] { return changed.count() > 0; }));
    runQuietly(outside + "umount " + mountPoint);
}

}  // namespace
