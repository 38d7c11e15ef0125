#pragma once
// Pens as umockdev lays them out in sysfs for udev, with their volumes in a mount table file of the
// test's own: the fixture of the tests that run under umockdev-wrapper. glib's headers come before
// Qt's (glib uses "signals" as a name).

#include <umockdev.h>

#include "support/TempDir.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace penshelf::test {

// Where programs run outside umockdev's reach: loop devices, mounts and buses are real.
inline QProcessEnvironment outsideUmockdev() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("LD_PRELOAD");
    environment.remove("UMOCKDEV_DIR");
    return environment;
}

// The IDs a mocked USB device answers with, and the bus and hub port it hangs on.
struct UsbIds {
    const char* vendor = "04d6";
    const char* product = "e301";
    const char* port = "2";
    const char* busnum = "1";
};

// The syspaths a test needs again: unplugging, adding a partition late.
struct PenDevices {
    std::string usb, disk;
};

class UmockdevPens : public ::testing::Test {
  protected:
    UmockdevPens() { writeFile(dir / "mountinfo", mountinfo); }
    ~UmockdevPens() override { g_object_unref(testbed); }

    std::string addUsbDevice(const UsbIds& ids) {
        const std::string name = std::string("pci0000:00/0000:00:14.0/usb1/1-") + ids.port;
        return add("usb", name.c_str(), "",
                   {"idVendor", ids.vendor, "idProduct", ids.product, "busnum", ids.busnum,
                    "devpath", ids.port, "product", "XLM Pen"},
                   {"DEVTYPE", "usb_device"});
    }

    // A pen as the kernel lays it out in sysfs. partitionTable "": the disk as it first appears,
    // before udev has read its partition table and before the kernel has added its partition.
    PenDevices addPen(const UsbIds& ids = {}, const char* scsiVendor = "pagor   ",
                      const std::string& diskName = "sdb", const char* partitionTable = "dos") {
        const std::string usb = addUsbDevice(ids);
        const std::string interface =
            add("usb", (std::string("1-") + ids.port + ":1.0").c_str(), usb,
                {"bInterfaceClass", "08"}, {"DEVTYPE", "usb_interface"});
        // An endpoint sorts before the SCSI host; it must not be taken as the pen.
        add("usb", (std::string("ep_0") + ids.port).c_str(), interface, {},
            {"DEVTYPE", "usb_endpoint"});
        // SCSI host 6 on port 2, 7 on port 3, ...: names are unique on their bus.
        const std::string scsi = std::to_string(4 + std::stoi(ids.port));
        const std::string host =
            add("scsi", ("host" + scsi).c_str(), interface, {}, {"DEVTYPE", "scsi_host"});
        const std::string lun =
            add("scsi", (scsi + ":0:0:0").c_str(), host,
                {"vendor", scsiVendor, "model", "XLM PEN         ", "rev", "1.00"},
                {"DEVTYPE", "scsi_device"});
        PenDevices pen{usb, add("block", ("block/" + diskName).c_str(), lun, {},
                                {"DEVTYPE", "disk", "ID_PART_TABLE_TYPE", partitionTable})};
        if (*partitionTable) addPartition(pen, diskName);
        return pen;
    }

    void addPartition(const PenDevices& pen, const std::string& diskName,
                      std::vector<const char*> properties = {"ID_FS_TYPE", "vfat"}) {
        properties.insert(properties.begin(), {"DEVTYPE", "partition"});
        add("block", (diskName + "1").c_str(), pen.disk, {}, std::move(properties));
    }

    void mount(const std::string& bsdName, const std::string& folder) {
        mountinfo += "200 22 8:17 / " + folder + " rw - vfat /dev/" + bsdName + " rw\n";
        writeFile(dir / "mountinfo", mountinfo);
    }

    std::string penVolume(const std::string& code) {
        const std::string folder = dir / ("pen-" + code);
        writeFile(folder + "/SYS/product.ini", "PRODUCT_CODE=" + code + "\r\n");
        return folder;
    }

    UMockdevTestbed* testbed = umockdev_testbed_new();
    TempDir dir;
    std::string mountinfo = "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n";

    std::string add(const char* subsystem, const char* name, const std::string& parent,
                    std::vector<const char*> attributes, std::vector<const char*> properties) {
        attributes.push_back(nullptr);
        properties.push_back(nullptr);
        gchar* path = umockdev_testbed_add_devicev(
            testbed, subsystem, name, parent.empty() ? nullptr : parent.c_str(),
            const_cast<gchar**>(attributes.data()), const_cast<gchar**>(properties.data()));
        std::string syspath = path ? path : "";
        g_free(path);
        return syspath;
    }
};

}  // namespace penshelf::test
