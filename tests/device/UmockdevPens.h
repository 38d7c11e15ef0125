#pragma once
// Pens as umockdev lays them out in sysfs for udev, with their volumes in a
// mount table file of the test's own: the fixture of the tests that run under
// umockdev-wrapper. glib's headers come before Qt's (glib uses "signals" as a name).

#include <umockdev.h>

#include "support/TempDir.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace penshelf::test {

// Where programs run outside umockdev's reach: loop devices, mounts and
// buses are real.
inline QProcessEnvironment outsideUmockdev() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("LD_PRELOAD");
    environment.remove("UMOCKDEV_DIR");
    return environment;
}

// A shell command run there: its standard output, or nothing when it fails.
inline std::optional<std::string> runOutside(const std::string& command) {
    QProcess shell;
    shell.setProcessEnvironment(outsideUmockdev());
    shell.start("sh", {"-c", QString::fromStdString(command)});
    if (!shell.waitForFinished(60000) || shell.exitCode() != 0) return std::nullopt;
    return shell.readAllStandardOutput().toStdString();
}

struct UsbSpec {
    const char* vendor = "04d6";
    const char* product = "e301";
    const char* port = "2";
};

// The devices of a pen as the kernel lays them out in sysfs.
struct PenDevices {
    std::string usb, interface, endpoint, host, target, lun, disk, partition;
};

class UmockdevPens : public ::testing::Test {
  protected:
    UmockdevPens() { writeFile(dir / "mountinfo", mountinfo); }
    ~UmockdevPens() override { g_object_unref(testbed); }

    std::string addUsbDevice(const UsbSpec& spec) {
        const std::string name = std::string("pci0000:00/0000:00:14.0/usb1/1-") + spec.port;
        return add("usb", name.c_str(), "",
                   {"idVendor", spec.vendor, "idProduct", spec.product, "busnum", "1", "devpath",
                    spec.port, "product", "XLM Pen"},
                   {"DEVTYPE", "usb_device"});
    }

    // partitioned false: the disk as it first appears, before udev has read
    // its partition table and before the kernel has added its partition.
    PenDevices addPen(const UsbSpec& spec = {}, const char* scsiVendor = "pagor   ",
                      const char* diskName = "sdb", bool partitioned = true) {
        PenDevices pen;
        pen.usb = addUsbDevice(spec);
        const std::string interfaceName = std::string("1-") + spec.port + ":1.0";
        pen.interface = add("usb", interfaceName.c_str(), pen.usb, {"bInterfaceClass", "08"},
                            {"DEVTYPE", "usb_interface"});
        // An endpoint sorts before the SCSI host; it must not be taken as the pen.
        pen.endpoint = add("usb", ("ep_0" + std::string(spec.port)).c_str(), pen.interface, {},
                           {"DEVTYPE", "usb_endpoint"});
        // SCSI host 6 on port 2, 7 on port 3, ...: names are unique on their bus.
        const std::string scsi = std::to_string(4 + std::stoi(spec.port));
        pen.host =
            add("scsi", ("host" + scsi).c_str(), pen.interface, {}, {"DEVTYPE", "scsi_host"});
        pen.target = add("scsi", ("target" + scsi + ":0:0").c_str(), pen.host, {},
                         {"DEVTYPE", "scsi_target"});
        pen.lun = add("scsi", (scsi + ":0:0:0").c_str(), pen.target,
                      {"vendor", scsiVendor, "model", "XLM PEN         ", "rev", "1.00"},
                      {"DEVTYPE", "scsi_device"});
        const std::string diskPath = std::string("block/") + diskName;
        if (!partitioned) {
            pen.disk = add("block", diskPath.c_str(), pen.lun, {}, {"DEVTYPE", "disk"});
            return pen;
        }
        pen.disk = add("block", diskPath.c_str(), pen.lun, {},
                       {"DEVTYPE", "disk", "ID_PART_TABLE_TYPE", "dos"});
        addPartition(pen, diskName);
        return pen;
    }

    void addPartition(PenDevices& pen, const std::string& diskName) {
        pen.partition = add("block", (diskName + "1").c_str(), pen.disk, {},
                            {"DEVTYPE", "partition", "ID_FS_TYPE", "vfat"});
    }

    // Unplugging: udev reports the USB device's removal, and sysfs loses the
    // devices from the bottom up.
    void unplug(const PenDevices& pen) {
        umockdev_testbed_uevent(testbed, pen.usb.c_str(), "remove");
        for (const std::string* device : {&pen.partition, &pen.disk, &pen.lun, &pen.target,
                                          &pen.host, &pen.endpoint, &pen.interface, &pen.usb}) {
            umockdev_testbed_remove_device(testbed, device->c_str());
        }
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
