// Identification walks registry trees built in memory, including the odd ones real hardware rarely
// gives.

#include "device/LocationId.h"
#include "device/PenIdentifier.h"
#include "device/simulated/FolderVolumes.h"
#include "device/simulated/MemoryRegistry.h"

#include "support/RecordingPenTable.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

using namespace penshelf;
using namespace penshelf::test;

namespace {

class IdentificationTest : public ::testing::Test {
  protected:
    // A USB device on the hub with one mass-storage interface at location, and below it the SCSI
    // host; returns the host, for a test to hang its disk.
    RegistryNode& addUsbDevice(std::uint32_t location) {
        RegistryNode& device = hub.add("XLM-PEN", registry::usbDeviceClass);
        RegistryNode& interface =
            device.add("IOUSBMassStorageInterfaceNub", registry::massStorageInterfaceClass,
                       {{registry::locationIdKey, std::int64_t{location}}});
        return interface.add("host6", "scsi");
    }
    RegistryNode& addLun(RegistryNode& host, const std::string& vendor = "pagor") {
        return host.add("6:0:0:0", registry::logicalUnitClass,
                        {{registry::vendorKey, vendor},
                         {registry::productKey, std::string("XLM-PEN")},
                         {registry::revisionKey, std::string("1.00")}});
    }
    static RegistryNode& addMedia(RegistryNode& parent, const std::string& bsdName,
                                  const std::string& content) {
        return parent.add(bsdName, registry::mediaClass,
                          {{registry::contentKey, content}, {registry::bsdNameKey, bsdName}});
    }
    // The ordinary pen: a logical unit, a disk with an MBR and one partition.
    void addPen(std::uint32_t location, const std::string& vendor = "pagor") {
        RegistryNode& disk =
            addMedia(addLun(addUsbDevice(location), vendor), "sdb", "FDisk_partition_scheme");
        addMedia(disk, "sdb1", "DOS_FAT_32");
    }
    PenIdentifier::Outcome find(std::uint32_t location) {
        return PenIdentifier(registry, volumes, table, {out, err}).findLocationID(location);
    }

    TempDir dir;
    MemoryRegistry registry;
    RegistryNode& hub = registry.root->add("usb1", "IOUSBHostDevice");
    FolderVolumes volumes;
    RecordingPenTable table;
    std::ostringstream out, err;
};

// The walk logs each interface it meets and each medium below the match; the last medium that is no
// partition table names the disk.
TEST_F(IdentificationTest, WalkLogsWhatItMeetsAndTheLastMediumNamesTheDisk) {
    // One USB device with two interfaces, the first with two partitions; then a device whose
    // interface lacks its location ID (read as 0).
    RegistryNode& device = hub.add("Composite", registry::usbDeviceClass);
    RegistryNode& first = device.add("if0", registry::massStorageInterfaceClass,
                                     {{registry::locationIdKey, std::int64_t{0x01100000}}});
    RegistryNode& disk = addMedia(addLun(first.add("host6", "scsi")), "sdb",
                                  "fdisk_partition_scheme");  // compared ignoring case
    addMedia(disk, "sdb1", "DOS_FAT_32");
    addMedia(disk, "sdb2", "DOS_FAT_32");
    device.add("if1", registry::massStorageInterfaceClass,
               {{registry::locationIdKey, std::int64_t{0x01100000}}});
    hub.add("Other", registry::usbDeviceClass).add("if0", registry::massStorageInterfaceClass);
    // A disk without a partition table is the pen's volume itself.
    addMedia(addLun(addUsbDevice(0x01300000)), "sdc", "vfat");

    EXPECT_EQ(find(0x01100000), PenIdentifier::Outcome::StoredWithoutVolume);
    EXPECT_EQ(out.str(),
              "Location ID:0x1100000, 0x1100000\n"
              "Find Location USB Device\n"
              "Device's name = 6:0:0:0\n"
              "Location ID:0x0, 0x1100000\n"
              "Location ID:0x1300000, 0x1100000\n")
        << "the matched interface's sibling is skipped, the next device is not";
    EXPECT_EQ(err.str(),
              "Vendor: pagor\nProduct: XLM-PEN\nVersion: 1.00\nBSD Name: sdb1\nBSD Name: sdb2\n");
    EXPECT_EQ(find(0x01300000), PenIdentifier::Outcome::StoredWithoutVolume);
    EXPECT_EQ(table.listed(), "sdb2: sdc: ");
}

TEST_F(IdentificationTest, TreesThatHoldNoPenStoreNothing) {
    const std::vector<std::pair<const char*, std::function<void()>>> trees = {
        {"vendor Pagor", [&] { addPen(0x01100000, "Pagor"); }},  // pagor exactly
        {"vendor pagorX", [&] { addPen(0x01100000, "pagorX"); }},
        {"media without a logical unit",
         [&] { addMedia(addUsbDevice(0x01100000), "sdb", "vfat"); }},
        {"a logical unit without media", [&] { addLun(addUsbDevice(0x01100000)); }}};
    for (const auto& [what, build] : trees) {
        SCOPED_TRACE(what);
        hub.children.clear();
        build();
        EXPECT_EQ(find(0x01100000), PenIdentifier::Outcome::NoPen);
    }
    EXPECT_EQ(table.stores, 0);
}

// The code is bytes 13 to 23 of a product.ini of at least 25 bytes, read only from a regular file
// on the pen; a pen just found loses the leftovers of killed installs.
TEST_F(IdentificationTest, PenIsStoredUnderItsPartitionWithTheCodeOfARegularProductIni) {
    addPen(0x01100000);
    const std::string volume = dir / "sdb1";
    const std::string ini = volume + "/SYS/product.ini";
    const std::string outside = dir / "elsewhere/product.ini";
    writeFile(outside, "0123456789012SECRETSECRET");
    volumes.mount("sdb1", volume);
    const std::vector<std::tuple<const char*, std::function<void()>, std::string>> rows = {
        {"25 bytes", [&] { writeFile(ini, "0123456789012ABCDEFGHIJ12"); }, "ABCDEFGHIJ1"},
        {"24 bytes: listed, no code", [&] { writeFile(ini, "0123456789012ABCDEFGHIJ1"); }, ""},
        {"a zero byte ends the code",
         [&] { writeFile(ini, std::string("0123456789012ABC\0EFGHIJ12", 25)); }, "ABC"},
        // What else is no regular file (a FIFO, a device) the book tests show.
        {"a link out",
         [&] {
             std::filesystem::create_directory(volume + "/SYS");
             std::filesystem::create_symlink(outside, ini);
         },
         ""},
        {"a linked SYS folder",
         [&] { std::filesystem::create_directory_symlink(dir / "elsewhere", volume + "/SYS"); },
         ""}};
    for (const auto& [what, makeProductIni, code] : rows) {
        SCOPED_TRACE(what);
        std::filesystem::remove_all(volume);
        std::filesystem::create_directories(volume);
        makeProductIni();
        EXPECT_EQ(find(0x01100000), PenIdentifier::Outcome::Stored);
        EXPECT_EQ(table.table["sdb1"].identityCodeBytes(), code);
    }
    std::filesystem::remove_all(volume);
    writeFile(ini, "PRODUCT_CODE=KLV8A3C5D21\r\nMODEL=X\r\n");
    writeFile(volume + "/BOOK/.penshelf-0badf00d.part", "half a book");
    writeFile(volume + "/BOOK/001.vxr", "a book");
    EXPECT_EQ(find(0x01100000), PenIdentifier::Outcome::Stored);
    EXPECT_EQ(fileNamesIn(volume + "/BOOK"), std::set<std::string>{"001.vxr"});
    const PenRecord& pen = table.table["sdb1"];
    EXPECT_EQ(pen.vendor + "|" + pen.product + "|" + pen.revision + "|" + pen.bsdName + "|" +
                  pen.displayName + "|" + pen.identityCodeBytes(),
              "pagor|XLM-PEN|1.00|sdb1|小栗莓点读笔|KLV8A3C5D21");
}

TEST_F(IdentificationTest, BrokenRegistryGivesUpOnTheDeviceWithADiagnostic) {
    addPen(0x01100000);
    const std::shared_ptr<RegistryNode> root = registry.root;
    const std::vector<std::function<void()>> faults = {
        [&] { registry.root = nullptr; }, [&] { registry.root = root, hub.failChildren = true; },
        [&] { hub.failChildren = false, hub.failClass = true; }};
    for (const auto& fault : faults) {
        fault();
        EXPECT_EQ(find(0x01100000), PenIdentifier::Outcome::NoPen);
    }
    EXPECT_EQ(err.str(),
              "AppDelegate: findLocationID: assertion failed: root\n"
              "AppDelegate: loopFindID: assertion failed: status == KERN_SUCCESS\n"
              "AppDelegate: loopFindID: assertion failed: status == KERN_SUCCESS\n");
    EXPECT_EQ(table.stores, 0);
}

// busnum and devpath as sysfs gives them: a line end, nothing else after the number.
TEST(LocationId, BusThenOnePortPerNibble) {
    const std::vector<std::tuple<const char*, const char*, std::optional<std::uint32_t>>> rows = {
        {"1", "2.3", 0x01230000u},
        {"3", "1.4.2.1.3.2", 0x03142132u},
        {"2", "1.2.3.4.5.6.7", 0x02123456u},  // a seventh tier has no nibble
        {"2", "0", 0x02000000u},              // a root hub
        {"1\n", "2.3\n", 0x01230000u},
        {"255", "2", 0xFF200000u},
        {"1", "", std::nullopt},
        {"1", "2.", std::nullopt},
        {"1", "a", std::nullopt},
        {"256", "1", std::nullopt},
        {"1x", "2", std::nullopt},
        {"", "2", std::nullopt},
        {"x1", "2", std::nullopt}};
    for (const auto& [busnum, devpath, id] : rows)
        EXPECT_EQ(usbLocationIdFromSysfs(busnum, devpath), id) << busnum << " " << devpath;
}

}  // namespace
