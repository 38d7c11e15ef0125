#include "device/simulated/SimulatedPlatform.h"

#include "books/FileIo.h"
#include "device/FatCheck.h"
#include "device/LocationId.h"

#include <QFileSystemWatcher>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

namespace penshelf {
namespace {

// Simulated pens hang off USB bus 0x7F, one port each.
constexpr unsigned simulatedBus = 0x7F;

class SimulatedDevice : public UsbDevice {
  public:
    explicit SimulatedDevice(const SimulatedPlatform::Pen& pen) : pen_(pen) {}
    std::string key() const override { return pen_.path; }
    std::optional<std::string> registryName() const override { return "Simulated Pen"; }
    std::uint32_t open() override {
        return std::filesystem::is_directory(pen_.path) ? usbstatus::success : usbstatus::noDevice;
    }
    UsbRead<std::uint32_t> locationID() const override { return {0, pen_.locationID}; }
    UsbRead<std::uint16_t> vendorID() const override { return {0, pen_.vendorID}; }
    UsbRead<std::uint16_t> productID() const override { return {0, pen_.productID}; }

  private:
    SimulatedPlatform::Pen pen_;
};

std::string trim(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// The "key = value" lines of a pen folder's device file, without their
// "; comments".
std::map<std::string, std::string> deviceSettings(const std::string& penFolder) {
    std::map<std::string, std::string> settings;
    std::istringstream ini(
        readWholeFile(penFolder + "/" + SimulatedPlatform::deviceFile).value_or(""));
    for (std::string line; std::getline(ini, line);) {
        line.erase(std::min(line.find_first_of(";#"), line.size()));  // a comment
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        settings[trim(line.substr(0, equals))] = trim(line.substr(equals + 1));
    }
    return settings;
}

}  // namespace

SimulatedPlatform::SimulatedPlatform(std::string folder)
    : folder_(std::move(folder)), volumes_([](const std::string& penFolder) {
          return deviceSettings(penFolder)["read-only"] == "yes";
      }) {
    std::error_code ignored;
    std::filesystem::create_directories(folder_, ignored);
}

SimulatedPlatform::~SimulatedPlatform() = default;

SimulatedPlatform::Pen SimulatedPlatform::describe(const std::string& name,
                                                   const std::string& path) {
    auto [number, added] = numbers_.emplace(name, static_cast<int>(numbers_.size()) + 1);
    const int n = number->second;
    Pen pen;
    pen.path = path;
    // Ports 1..15 on up to 15 hubs: devpath "hub.port".
    const std::string devpath =
        std::to_string((n - 1) / 15 + 1) + "." + std::to_string((n - 1) % 15 + 1);
    pen.locationID = usbLocationId(simulatedBus, devpath).value_or(0);
    pen.bsdName = "sim" + std::to_string(n) + "s1";

    for (const auto& [key, value] : deviceSettings(path)) {
        if (key == "usb") {
            unsigned vendor = 0, product = 0;
            if (std::sscanf(value.c_str(), "%x:%x", &vendor, &product) == 2) {
                pen.vendorID = static_cast<std::uint16_t>(vendor);
                pen.productID = static_cast<std::uint16_t>(product);
            }
        } else if (key == "scsi-vendor") {
            pen.scsiVendor = value;
        } else if (key == "image") {
            pen.image = value;
        }
    }
    return pen;
}

std::map<std::string, SimulatedPlatform::Pen> SimulatedPlatform::scanFolder() {
    std::vector<std::string> names;  // by name, so that pens are numbered alike every run
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
        if (entry.is_directory(error)) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::map<std::string, Pen> found;
    for (const std::string& name : names) {
        const auto known = pens_.find(name);
        found.emplace(name,
                      known != pens_.end() ? known->second : describe(name, folder_ + "/" + name));
    }
    return found;
}

void SimulatedPlatform::rebuildRegistry() {
    auto root = std::make_shared<RegistryNode>();
    root->name = registry_.root->name;
    root->className = registry_.root->className;
    for (const auto& [name, pen] : pens_) {
        RegistryNode& usb = root->add("Simulated Pen", registry::usbDeviceClass);
        RegistryNode& interface =
            usb.add("IOUSBMassStorageInterfaceNub", registry::massStorageInterfaceClass,
                    {{registry::locationIdKey, std::int64_t{pen.locationID}}});
        RegistryNode& host = interface.add("host", "scsi");
        RegistryNode& unit = host.add("0:0:0:0", registry::logicalUnitClass,
                                      {{registry::vendorKey, pen.scsiVendor},
                                       {registry::productKey, std::string("Simulated Pen")},
                                       {registry::revisionKey, std::string("1.00")}});
        const std::string disk = pen.bsdName.substr(0, pen.bsdName.size() - 2);
        RegistryNode& media = unit.add(disk, registry::mediaClass,
                                       {{registry::contentKey, std::string(registry::mbrScheme)},
                                        {registry::bsdNameKey, disk}});
        media.add(
            pen.bsdName, registry::mediaClass,
            {{registry::contentKey, std::string("vfat")}, {registry::bsdNameKey, pen.bsdName}});
    }
    registry_.root = root;
}

std::optional<UsbDevices> SimulatedPlatform::start(Listener& listener) {
    listener_ = &listener;
    watcher_ = new QFileSystemWatcher(this);
    watcher_->addPath(QString::fromStdString(folder_));
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &SimulatedPlatform::rescan);

    pens_ = scanFolder();
    UsbDevices present;
    for (const auto& [name, pen] : pens_) {
        volumes_.mount(pen.bsdName, pen.path);
        present.push_back(std::make_unique<SimulatedDevice>(pen));
    }
    rebuildRegistry();
    return present;
}

bool SimulatedPlatform::eject(const std::string& bsdName) {
    volumes_.unmount(bsdName);
    return true;
}

void SimulatedPlatform::checkFileSystem(const std::string& bsdName, FileSystemAction action,
                                        std::function<void(const FileSystemCheck&)> done) {
    using Outcome = FileSystemCheck::Outcome;
    const auto pen = std::find_if(pens_.begin(), pens_.end(), [&](const auto& named) {
        return named.second.bsdName == bsdName;
    });
    if (pen == pens_.end() || pen->second.image.empty()) {
        return done({Outcome::NotPossible,
                     "this simulated pen has no file system image (image = in " +
                         std::string(deviceFile) + ")",
                     {},
                     {},
                     false,
                     false});
    }
    // Only a regular file in the pen's own folder: fsck.fat writes to what it
    // is given, and a link could lead it to a disk of the computer.
    const std::string& image = pen->second.image;
    const std::string path = pen->second.path + "/" + image;
    struct stat st;
    if (image.find('/') != std::string::npos || image == "." || image == ".." ||
        lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return done({Outcome::Failed,
                     "the image " + image + " is no regular file in the pen's folder",
                     {},
                     {},
                     false,
                     false});
    }
    runFatCheck(path, action, this, [done](FileSystemCheck checked) {
        checked.remounted = true;  // it never was unmounted
        done(checked);
    });
}

std::uint32_t SimulatedPlatform::watchTermination(const UsbDevice&) {
    return usbstatus::success;
}

void SimulatedPlatform::rescan() {
    const std::map<std::string, Pen> before = pens_;
    pens_ = scanFolder();
    rebuildRegistry();
    if (!listener_) return;
    for (const auto& [name, pen] : before) {
        if (pens_.count(name)) continue;
        volumes_.unmount(pen.bsdName);
        listener_->deviceTerminated(pen.path);
    }
    for (const auto& [name, pen] : pens_) {
        if (before.count(name)) continue;
        volumes_.mount(pen.bsdName, pen.path);
        UsbDevices attached;
        attached.push_back(std::make_unique<SimulatedDevice>(pen));
        listener_->devicesAttached(std::move(attached));
    }
}

std::unique_ptr<Platform> makeSimulatedPlatform(const std::string& folder) {
    return std::make_unique<SimulatedPlatform>(folder);
}

}  // namespace penshelf
