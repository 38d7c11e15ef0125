#include "device/linux/UdevUsbSource.h"

#include "device/LocationId.h"
#include "device/linux/Udev_p.h"

#include <QSocketNotifier>

#include <charconv>
#include <cstring>
#include <unistd.h>

namespace penshelf {
namespace {

std::optional<unsigned> parseNumber(const char* text, int base) {
    if (!text) return std::nullopt;
    const char* end = text + std::strlen(text);
    while (end > text && (end[-1] == '\n' || end[-1] == ' ')) --end;
    unsigned value = 0;
    const auto [ptr, error] = std::from_chars(text, end, value, base);
    if (error != std::errc() || ptr != end || ptr == text) return std::nullopt;
    return value;
}

// A USB device as udev knows it, read through its sysfs attributes.
class UdevUsbDevice : public UsbDevice {
  public:
    explicit UdevUsbDevice(udev::Device device)
        : device_(std::move(device)), syspath_(udev_device_get_syspath(device_.get())) {}

    std::string key() const override { return syspath_; }

    std::optional<std::string> registryName() const override {
        const char* product = attribute("product");
        if (!product) return std::nullopt;
        return std::string(product);
    }

    std::uint32_t open() override {
        return access(syspath_.c_str(), F_OK) == 0 ? usbstatus::success : usbstatus::noDevice;
    }

    UsbRead<std::uint32_t> locationID() const override {
        const char* bus = attribute("busnum");
        const char* devpath = attribute("devpath");
        const auto id = bus && devpath ? usbLocationIdFromSysfs(bus, devpath) : std::nullopt;
        if (!id) return {usbstatus::notReadable, 0};
        return {usbstatus::success, *id};
    }

    UsbRead<std::uint16_t> vendorID() const override { return hexAttribute("idVendor"); }
    UsbRead<std::uint16_t> productID() const override { return hexAttribute("idProduct"); }

  private:
    const char* attribute(const char* name) const {
        return udev_device_get_sysattr_value(device_.get(), name);
    }
    UsbRead<std::uint16_t> hexAttribute(const char* name) const {
        const auto value = parseNumber(attribute(name), 16);
        if (!value || *value > 0xFFFF) return {usbstatus::notReadable, 0};
        return {usbstatus::success, static_cast<std::uint16_t>(*value)};
    }

    udev::Device device_;
    std::string syspath_;
};

}  // namespace

struct UdevUsbSource::Private {
    udev::Context context{udev_new()};
    udev::Monitor monitor;
};

UdevUsbSource::UdevUsbSource() : d(std::make_unique<Private>()) {}

UdevUsbSource::~UdevUsbSource() = default;

std::optional<UsbDevices> UdevUsbSource::start(Listener& listener) {
    listener_ = &listener;
    if (!d->context) return std::nullopt;

    // Armed before the enumeration, so that no attach falls between the two.
    d->monitor.reset(udev_monitor_new_from_netlink(d->context.get(), "udev"));
    if (d->monitor &&
        udev_monitor_filter_add_match_subsystem_devtype(d->monitor.get(), "usb", "usb_device") >=
            0 &&
        udev_monitor_enable_receiving(d->monitor.get()) >= 0) {
        notifier_ =
            new QSocketNotifier(udev_monitor_get_fd(d->monitor.get()), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &UdevUsbSource::receive);
    }

    UsbDevices present;
    udev::Enumerate enumerate(udev_enumerate_new(d->context.get()));
    if (!enumerate) return present;
    udev_enumerate_add_match_subsystem(enumerate.get(), "usb");
    udev_enumerate_add_match_property(enumerate.get(), "DEVTYPE", "usb_device");
    udev_enumerate_scan_devices(enumerate.get());
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        udev::Device device(
            udev_device_new_from_syspath(d->context.get(), udev_list_entry_get_name(entry)));
        if (device) present.push_back(std::make_unique<UdevUsbDevice>(std::move(device)));
    }
    return present;
}

std::uint32_t UdevUsbSource::watchTermination(const UsbDevice&) {
    // The monitor reports every USB device's removal; without it none is seen.
    return notifier_ ? usbstatus::success : usbstatus::notReadable;
}

void UdevUsbSource::receive() {
    udev::Device device(udev_monitor_receive_device(d->monitor.get()));
    if (!device || !listener_) return;
    const char* action = udev_device_get_action(device.get());
    if (!action) return;
    if (std::strcmp(action, "add") == 0) {
        UsbDevices attached;
        attached.push_back(std::make_unique<UdevUsbDevice>(std::move(device)));
        listener_->devicesAttached(std::move(attached));
    } else if (std::strcmp(action, "remove") == 0) {
        listener_->deviceTerminated(udev_device_get_syspath(device.get()));
    }
}

}  // namespace penshelf
