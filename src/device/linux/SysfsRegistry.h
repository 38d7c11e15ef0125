#pragma once
// The device registry of a Linux machine: the sysfs device tree, with the
// registry's class names and properties for the nodes a pen is made of.
//
//   USB device                  "IOUSBDevice" (named by its product text)
//   USB mass-storage interface  "IOUSBMassStorageInterfaceNub" with "locationID"
//   SCSI device                 "IOSCSILogicalUnitNub" with vendor, product, revision
//   disk and partition          "IOMedia" with "Content" and "BSD Name"
//   anything else               its subsystem's name

#include "device/Registry.h"

#include <memory>

namespace penshelf {

class SysfsRegistry : public Registry {
  public:
    explicit SysfsRegistry(std::string devicesRoot = "/sys/devices");
    ~SysfsRegistry() override;
    std::unique_ptr<RegistryEntry> entryFromPath(const std::string& path) const override;

    struct Context;

  private:
    std::shared_ptr<Context> context_;
};

}  // namespace penshelf
