#include "device/linux/SysfsRegistry.h"

#include "books/FileIo.h"
#include "device/LocationId.h"
#include "device/linux/Udev_p.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <sstream>
#include <vector>

namespace penshelf {

struct SysfsRegistry::Context {
    std::string root;
    udev::Context udev{udev_new()};
};

namespace {

using Context = SysfsRegistry::Context;

std::string basename(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string parentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A sysfs attribute without its line end; SCSI texts also lose the blanks
// that pad them to their field width.
std::optional<std::string> attribute(const std::string& device, const char* name,
                                     bool trimBlanks = false) {
    auto text = readWholeFile(device + "/" + name);
    if (!text) return std::nullopt;
    while (!text->empty() && (text->back() == '\n' || (trimBlanks && text->back() == ' '))) {
        text->pop_back();
    }
    return text;
}

// What a sysfs node is: its subsystem and its DEVTYPE.
struct Kind {
    std::string subsystem;
    std::string devtype;
};

std::optional<Kind> kindOf(const std::string& device) {
    const auto uevent = readWholeFile(device + "/uevent");
    if (!uevent) return std::nullopt;
    Kind kind;
    char link[PATH_MAX];
    const ssize_t length = readlink((device + "/subsystem").c_str(), link, sizeof link - 1);
    if (length > 0) kind.subsystem = basename(std::string(link, static_cast<size_t>(length)));
    std::istringstream lines(*uevent);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("DEVTYPE=", 0) == 0) kind.devtype = line.substr(8);
    }
    return kind;
}

bool isMassStorageInterface(const std::string& device, const Kind& kind) {
    return kind.subsystem == "usb" && kind.devtype == "usb_interface" &&
           attribute(device, "bInterfaceClass") == "08";
}

std::optional<std::string> className(const std::string& device) {
    const auto kind = kindOf(device);
    if (!kind) return std::nullopt;
    if (kind->subsystem == "usb" && kind->devtype == "usb_device") return registry::usbDeviceClass;
    if (isMassStorageInterface(device, *kind)) return registry::massStorageInterfaceClass;
    if (kind->subsystem == "scsi" && kind->devtype == "scsi_device")
        return registry::logicalUnitClass;
    if (kind->subsystem == "block" && (kind->devtype == "disk" || kind->devtype == "partition")) {
        return registry::mediaClass;
    }
    return kind->subsystem;
}

// The device folders directly below folder: folders with a uevent file,
// found through the plain folders between them (such as block/ or power/).
void collectDevices(const std::string& folder, std::vector<std::string>& devices, int depth = 0) {
    FolderListing listing{UniqueFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))};
    while (const dirent* entry = listing.next()) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;  // no links
        if (access((path + "/uevent").c_str(), F_OK) == 0) {
            devices.push_back(path);
        } else if (depth < 4) {
            collectDevices(path, devices, depth + 1);
        }
    }
}

class SysfsIterator : public RegistryIterator {
  public:
    SysfsIterator(std::shared_ptr<Context> context, std::vector<std::string> paths)
        : context_(std::move(context)), paths_(std::move(paths)) {}
    std::unique_ptr<RegistryEntry> next() override;

  private:
    std::shared_ptr<Context> context_;
    std::vector<std::string> paths_;
    size_t index_ = 0;
};

class SysfsEntry : public RegistryEntry {
  public:
    SysfsEntry(std::shared_ptr<Context> context, std::string path, bool isRoot = false)
        : context_(std::move(context)), path_(std::move(path)), isRoot_(isRoot) {}

    std::optional<std::string> name() const override {
        if (access(path_.c_str(), F_OK) != 0) return std::nullopt;
        if (!isRoot_ && className() == registry::usbDeviceClass) {
            if (auto product = attribute(path_, "product")) return product;
        }
        return basename(path_);
    }

    std::optional<std::string> className() const override {
        if (isRoot_) return "IOPlatformExpertDevice";
        return penshelf::className(path_);
    }

    std::optional<RegistryValue> property(const std::string& key) const override {
        const auto cls = className();
        if (!cls) return std::nullopt;
        if (*cls == registry::massStorageInterfaceClass && key == registry::locationIdKey) {
            return locationID();
        }
        if (*cls == registry::logicalUnitClass) {
            if (key == registry::vendorKey) return text(attribute(path_, "vendor", true));
            if (key == registry::productKey) return text(attribute(path_, "model", true));
            if (key == registry::revisionKey) return text(attribute(path_, "rev", true));
        }
        if (*cls == registry::mediaClass) {
            if (key == registry::bsdNameKey) return basename(path_);
            if (key == registry::contentKey) return text(content());
        }
        return std::nullopt;
    }

    std::unique_ptr<RegistryIterator> children(const std::string&) const override {
        if (access(path_.c_str(), F_OK) != 0) return nullptr;
        std::vector<std::string> devices;
        collectDevices(path_, devices);
        std::sort(devices.begin(), devices.end(), [](const auto& a, const auto& b) {
            return std::pair(basename(a), a) < std::pair(basename(b), b);
        });
        if (!isRoot_ && className() == registry::massStorageInterfaceClass) {
            // Only the SCSI host: the pen's subtree starts at the first child,
            // which must not be an endpoint.
            std::erase_if(devices, [](const std::string& device) {
                const auto kind = kindOf(device);
                return !kind || kind->subsystem != "scsi" || kind->devtype != "scsi_host";
            });
        }
        return std::make_unique<SysfsIterator>(context_, std::move(devices));
    }

  private:
    static std::optional<RegistryValue> text(std::optional<std::string> value) {
        if (!value) return std::nullopt;
        return RegistryValue(std::move(*value));
    }

    std::optional<RegistryValue> locationID() const {
        // The interface's parent is its USB device.
        const std::string device = parentOf(path_);
        const auto bus = attribute(device, "busnum");
        const auto devpath = attribute(device, "devpath");
        const auto id = bus && devpath ? usbLocationIdFromSysfs(*bus, *devpath) : std::nullopt;
        if (!id) return std::nullopt;
        return RegistryValue(static_cast<std::int64_t>(*id));
    }

    // A whole disk tells its partition scheme, a partition its file system.
    std::optional<std::string> content() const {
        if (!context_->udev) return std::nullopt;
        udev::Device device(udev_device_new_from_syspath(context_->udev.get(), path_.c_str()));
        if (!device) return std::nullopt;
        const auto property = [&](const char* key) -> std::string {
            const char* value = udev_device_get_property_value(device.get(), key);
            return value ? value : "";
        };
        const std::string devtype = property("DEVTYPE");
        if (devtype == "disk") {
            const std::string scheme = property("ID_PART_TABLE_TYPE");
            if (scheme == "dos") return registry::mbrScheme;
            if (scheme == "gpt") return registry::gptScheme;
        }
        std::string type = property("ID_FS_TYPE");
        if (type.empty() && devtype == "partition") type = property("ID_PART_ENTRY_TYPE");
        return type;
    }

    std::shared_ptr<Context> context_;
    std::string path_;
    bool isRoot_;
};

std::unique_ptr<RegistryEntry> SysfsIterator::next() {
    if (index_ >= paths_.size()) return nullptr;
    return std::make_unique<SysfsEntry>(context_, paths_[index_++]);
}

}  // namespace

SysfsRegistry::SysfsRegistry(std::string devicesRoot) : context_(std::make_shared<Context>()) {
    context_->root = std::move(devicesRoot);
}

SysfsRegistry::~SysfsRegistry() = default;

std::unique_ptr<RegistryEntry> SysfsRegistry::entryFromPath(const std::string& path) const {
    if (path != registry::rootPath || access(context_->root.c_str(), F_OK) != 0) return nullptr;
    return std::make_unique<SysfsEntry>(context_, context_->root, true);
}

}  // namespace penshelf
