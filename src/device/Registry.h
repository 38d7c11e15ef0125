#pragma once
// The device registry as pen identification walks it: a tree of entries with
// names, class names, properties and ordered children. On Linux it is the
// sysfs device tree; simulated pens and tests build one in memory.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace penshelf {

using RegistryValue = std::variant<std::string, std::int64_t>;

namespace registry {
inline constexpr const char* rootPath = "IOService:/AppleACPIPlatformExpert";
inline constexpr const char* plane = "IOService";
inline constexpr const char* usbDeviceClass = "IOUSBDevice";
inline constexpr const char* massStorageInterfaceClass = "IOUSBMassStorageInterfaceNub";
inline constexpr const char* logicalUnitClass = "IOSCSILogicalUnitNub";
inline constexpr const char* mediaClass = "IOMedia";
inline constexpr const char* locationIdKey = "locationID";
inline constexpr const char* vendorKey = "Vendor Identification";
inline constexpr const char* productKey = "Product Identification";
inline constexpr const char* revisionKey = "Product Revision Level";
inline constexpr const char* contentKey = "Content";
inline constexpr const char* bsdNameKey = "BSD Name";
inline constexpr const char* mbrScheme = "FDisk_partition_scheme";
inline constexpr const char* gptScheme = "GUID_partition_scheme";
}  // namespace registry

class RegistryIterator;

class RegistryEntry {
  public:
    virtual ~RegistryEntry() = default;
    // Each query gives nothing when it fails (the device went away meanwhile).
    virtual std::optional<std::string> name() const = 0;
    virtual std::optional<std::string> className() const = 0;
    // Nothing when the entry lacks the property.
    virtual std::optional<RegistryValue> property(const std::string& key) const = 0;
    // The children in registry order, or null when they cannot be listed.
    virtual std::unique_ptr<RegistryIterator> children(const std::string& plane) const = 0;
};

class RegistryIterator {
  public:
    virtual ~RegistryIterator() = default;
    // The next entry, or null at the end.
    virtual std::unique_ptr<RegistryEntry> next() = 0;
};

class Registry {
  public:
    virtual ~Registry() = default;
    // The entry at a registry path, or null.
    virtual std::unique_ptr<RegistryEntry> entryFromPath(const std::string& path) const = 0;
};

// A property as text (numbers in decimal), or nothing when absent.
std::optional<std::string> propertyText(const RegistryEntry& entry, const std::string& key);

}  // namespace penshelf
