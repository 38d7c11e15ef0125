// Identification walks registry trees built in memory, including the odd ones
// real hardware rarely gives.

#include "device/LocationId.h"
#include "device/PenIdentifier.h"
#include "device/simulated/FolderVolumes.h"
#include "device/simulated/MemoryRegistry.h"

#include "support/RecordingPenTable.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <map>
#include <set>
#include <sstream>

using namespace penshelf;
using namespace penshelf::test;

namespace {

using RecordingTable = RecordingPenTable;

struct Lun {
    std::string vendor = "pagor";
    std::string product = "XLM-PEN";
    std::string revision = "1.00";
};

class IdentificationTest : public ::testing::Test {
  protected:
    // A USB device with one mass-storage interface at location, and below it
    // the SCSI host; returns the host so that a test can hang its disk there.
    RegistryNode& addUsbDevice(RegistryNode& parent, std::uint32_t location) {
        RegistryNode& device = parent.add("XLM-PEN", registry::usbDeviceClass);
        RegistryNode& interface =
            device.add("IOUSBMassStorageInterfaceNub", registry::massStorageInterfaceClass,
                       {{registry::locationIdKey, std::int64_t{location}}});
        return interface.add("host6", "scsi");
    }
    RegistryNode& addLun(RegistryNode& host, const Lun& lun = {}) {
        return host.add("6:0:0:0", registry::logicalUnitClass,
                        {{registry::vendorKey, lun.vendor},
                         {registry::productKey, lun.product},
                         {registry::revisionKey, lun.revision}});
    }
    static RegistryNode& addMedia(RegistryNode& parent, const std::string& bsdName,
                                  const std::string& content) {
        return parent.add(bsdName, registry::mediaClass,
                          {{registry::contentKey, content}, {registry::bsdNameKey, bsdName}});
    }
    // The ordinary pen: a logical unit, a disk with an MBR and one partition.
    RegistryNode& addPen(std::uint32_t location, const Lun& lun = {}) {
        RegistryNode& disk =
            addMedia(addLun(addUsbDevice(hub(), location), lun), "sdb", "FDisk_partition_scheme");
        return addMedia(disk, "sdb1", "DOS_FAT_32");
    }
    RegistryNode& hub() {
        if (registry.root->children.empty()) registry.root->add("usb1", "IOUSBHostDevice");
        return *registry.root->children.front();
    }
    void mountWithProductIni(const std::string& bsdName, const std::string& productIni) {
        const std::string folder = dir / bsdName;
        writeFile(folder + "/SYS/product.ini", productIni);
        volumes.mount(bsdName, folder);
    }
    PenIdentifier::Outcome find(std::uint32_t location) {
        return PenIdentifier(registry, volumes, table, {out, err}).findLocationID(location);
    }

    TempDir dir;
    MemoryRegistry registry;
    FolderVolumes volumes;
    RecordingTable table;
    std::ostringstream out, err;
};

TEST_F(IdentificationTest, OrdinaryPenIsStoredUnderItsPartition) {
    addPen(0x01200000);
    mountWithProductIni("sdb1", "PRODUCT_CODE=KLV8A3C5D21\r\nMODEL=X\r\n");

    EXPECT_EQ(find(0x01200000), PenIdentifier::Outcome::Stored);
    ASSERT_EQ(table.table.count("sdb1"), 1u);
    const PenRecord& pen = table.table["sdb1"];
    EXPECT_EQ(pen.vendor, "pagor");
    EXPECT_EQ(pen.product, "XLM-PEN");
    EXPECT_EQ(pen.revision, "1.00");
    EXPECT_EQ(pen.bsdName, "sdb1");
    EXPECT_EQ(pen.displayName, "小栗莓点读笔");
    EXPECT_EQ(pen.identityCodeBytes(), "KLV8A3C5D21");
    EXPECT_EQ(pen.identityCode[11], '\0');
    EXPECT_EQ(out.str(),
              "Location ID:0x1200000, 0x1200000\n"
              "Find Location USB Device\n"
              "Device's name = 6:0:0:0\n");
    EXPECT_EQ(err.str(), "Vendor: pagor\nProduct: XLM-PEN\nVersion: 1.00\nBSD Name: sdb1\n");
}

TEST_F(IdentificationTest, MediaDecideTheDiskName) {
    // Two partitions: the later one wins.
    RegistryNode& disk = addMedia(addLun(addUsbDevice(hub(), 0x01100000)), "sdb",
                                  "fdisk_partition_scheme");  // compared ignoring case
    addMedia(disk, "sdb1", "DOS_FAT_32");
    addMedia(disk, "sdb2", "DOS_FAT_32");
    // A disk without a partition table is the pen's volume itself.
    addMedia(addLun(addUsbDevice(hub(), 0x01300000)), "sdc", "vfat");

    EXPECT_EQ(find(0x01100000), PenIdentifier::Outcome::StoredWithoutVolume);
    EXPECT_EQ(find(0x01300000), PenIdentifier::Outcome::StoredWithoutVolume);
    EXPECT_EQ(table.table.count("sdb1"), 0u);
    EXPECT_EQ(table.table.count("sdb2"), 1u);
    EXPECT_EQ(table.table.count("sdc"), 1u);
    EXPECT_NE(err.str().find("BSD Name: sdb1\nBSD Name: sdb2\n"), std::string::npos);
    EXPECT_EQ(table.table["sdc"].identityCodeBytes(), "") << "no volume, no code";
}

TEST_F(IdentificationTest, OnlyTheVendorPagorExactlyIsAPen) {
    addPen(0x01100000, {.vendor = "Pagor"});
    EXPECT_EQ(find(0x01100000), PenIdentifier::Outcome::NoPen);
    registry.root->children.clear();
    addPen(0x01100000, {.vendor = "pagorX"});
    EXPECT_EQ(find(0x01100000), PenIdentifier::Outcome::NoPen);
    registry.root->children.clear();
    addPen(0x01100000, {.vendor = ""});
    EXPECT_EQ(find(0x01100000), PenIdentifier::Outcome::NoPen);
    EXPECT_EQ(table.stores, 0);
}

TEST_F(IdentificationTest, NoLogicalUnitOrNoMediaStoresNothing) {
    addMedia(addUsbDevice(hub(), 0x01100000), "sdb", "vfat");  // media but no logical unit
    addLun(addUsbDevice(hub(), 0x01200000));                   // logical unit but no media
    EXPECT_EQ(find(0x01100000), PenIdentifier::Outcome::NoPen);
    EXPECT_EQ(find(0x01200000), PenIdentifier::Outcome::NoPen);
    EXPECT_EQ(table.stores, 0);
}

TEST_F(IdentificationTest, MatchEndsOnlyItsOwnLevel) {
    // One USB device with two interfaces, then a second device whose
    // interface lacks its location ID (read as 0).
    RegistryNode& device = hub().add("Composite", registry::usbDeviceClass);
    RegistryNode& first = device.add("if0", registry::massStorageInterfaceClass,
                                     {{registry::locationIdKey, std::int64_t{0x01100000}}});
    addMedia(addLun(first.add("host6", "scsi")), "sdb", "vfat");
    device.add("if1", registry::massStorageInterfaceClass,
               {{registry::locationIdKey, std::int64_t{0x01100000}}});
    hub().add("Other", registry::usbDeviceClass).add("if0", registry::massStorageInterfaceClass);

    find(0x01100000);
    EXPECT_EQ(out.str(),
              "Location ID:0x1100000, 0x1100000\n"
              "Find Location USB Device\n"
              "Device's name = 6:0:0:0\n"
              "Location ID:0x0, 0x1100000\n")
        << "the matched interface's sibling is skipped, the next device is not";
    EXPECT_EQ(table.stores, 1);
}

TEST_F(IdentificationTest, IdentityCodeIsBytes13To23OfAtLeast25) {
    addPen(0x01100000);
    mountWithProductIni("sdb1", "0123456789012ABCDEFGHIJ12");  // 25 bytes
    find(0x01100000);
    EXPECT_EQ(table.table["sdb1"].identityCodeBytes(), "ABCDEFGHIJ1");

    mountWithProductIni("sdb1", "0123456789012ABCDEFGHIJ1");  // 24 bytes: listed, no code
    EXPECT_EQ(find(0x01100000), PenIdentifier::Outcome::Stored);
    EXPECT_EQ(table.table["sdb1"].identityCodeBytes(), "");

    mountWithProductIni("sdb1", std::string("0123456789012ABC\0EFGHIJ12", 25));
    find(0x01100000);
    EXPECT_EQ(table.table["sdb1"].identityCodeBytes(), "ABC") << "a zero byte ends the code";
    EXPECT_EQ(table.stores, 3);
}

TEST_F(IdentificationTest, CodeComesOnlyFromARegularFileOnThePen) {
    addPen(0x01100000);
    const std::string outside = dir / "outside.ini";
    writeFile(outside, "0123456789012SECRETSECRE");
    const std::string volume = dir / "sdb1";
    volumes.mount("sdb1", volume);
    const auto codeWith = [&](const std::function<void()>& makeProductIni) {
        std::filesystem::remove_all(volume);
        std::filesystem::create_directories(volume + "/SYS");
        makeProductIni();
        find(0x01100000);
        return table.table["sdb1"].identityCodeBytes();
    };
    EXPECT_EQ(
        codeWith([&] { std::filesystem::create_symlink(outside, volume + "/SYS/product.ini"); }),
        "");
    EXPECT_EQ(codeWith([&] {
                  std::filesystem::create_symlink("/dev/zero", volume + "/SYS/product.ini");
              }),
              "");
    EXPECT_EQ(codeWith([&] {
                  std::filesystem::remove(volume + "/SYS");
                  writeFile(dir / "elsewhere/product.ini", "0123456789012SECRETSECRE");
                  std::filesystem::create_directory_symlink(dir / "elsewhere", volume + "/SYS");
              }),
              "")
        << "a linked SYS folder";
    EXPECT_EQ(codeWith([&] { ASSERT_EQ(mkfifo((volume + "/SYS/product.ini").c_str(), 0600), 0); }),
              "")
        << "without waiting for a writer";
    EXPECT_EQ(
        codeWith([&] { writeFile(volume + "/SYS/product.ini", "0123456789012KLV8A3C5D2100"); }),
        "KLV8A3C5D21");
}

TEST_F(IdentificationTest, PenJustFoundLosesLeftoversOfKilledInstalls) {
    addPen(0x01100000);
    mountWithProductIni("sdb1", "0123456789012ABCDEFGHIJ12");
    writeFile(dir / "sdb1/BOOK/.penshelf-0badf00d.part", "half a book");
    writeFile(dir / "sdb1/BOOK/001.vxr", "a book");
    find(0x01100000);
    EXPECT_EQ(fileNamesIn(dir / "sdb1/BOOK"), std::set<std::string>{"001.vxr"});
}

TEST_F(IdentificationTest, BrokenRegistryGivesUpOnTheDeviceWithADiagnostic) {
    registry.root = nullptr;
    EXPECT_EQ(find(0x01100000), PenIdentifier::Outcome::NoPen);
    EXPECT_EQ(err.str(), "AppDelegate: findLocationID: assertion failed: root\n");

    registry.root = MemoryRegistry().root;
    err.str("");
    hub().failChildren = true;
    addPen(0x01100000);
    EXPECT_EQ(find(0x01100000), PenIdentifier::Outcome::NoPen);
    EXPECT_EQ(err.str(), "AppDelegate: loopFindID: assertion failed: status == KERN_SUCCESS\n");

    hub().failChildren = false;
    hub().failClass = true;
    EXPECT_EQ(find(0x01100000), PenIdentifier::Outcome::NoPen);
    EXPECT_EQ(table.stores, 0);
}

TEST(LocationId, BusThenOnePortPerNibble) {
    EXPECT_EQ(usbLocationId(1, "2.3"), 0x01230000u);
    EXPECT_EQ(usbLocationId(1, "2"), 0x01200000u);
    EXPECT_EQ(usbLocationId(3, "1.4.2.1.3.2"), 0x03142132u);
    EXPECT_EQ(usbLocationId(2, "1.2.3.4.5.6.7"), 0x02123456u) << "a seventh tier has no nibble";
    EXPECT_EQ(usbLocationId(2, "0"), 0x02000000u) << "a root hub";
    EXPECT_EQ(usbLocationId(1, ""), std::nullopt);
    EXPECT_EQ(usbLocationId(1, "2."), std::nullopt);
    EXPECT_EQ(usbLocationId(1, "a"), std::nullopt);
    EXPECT_EQ(usbLocationId(256, "1"), std::nullopt);
}

}  // namespace
