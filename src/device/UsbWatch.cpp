#include "device/UsbWatch.h"

#include <QTimer>

#include <ostream>

namespace penshelf {

bool isPenUsbId(std::uint16_t vendor, std::uint16_t product) {
    if (vendor == 0x04D6) return (product | 0x0200) == 0xE301;  // 0xE101 and 0xE301
    return vendor == 0x0C45 && product == 0x3201;
}

UsbWatch::Wait UsbWatch::settlingWait(std::chrono::milliseconds pause) {
    return [pause](std::function<void()> then) { QTimer::singleShot(pause, std::move(then)); };
}

UsbWatch::UsbWatch(UsbDeviceSource& source, PenIdentifier& identifier, DefaultModeGate& gate,
                   Diagnostics diagnostics, Wait wait, PenWithoutVolume penWithoutVolume)
    : source_(source),
      identifier_(identifier),
      gate_(gate),
      diagnostics_(diagnostics),
      wait_(std::move(wait)),
      penWithoutVolume_(std::move(penWithoutVolume)) {}

UsbWatch::~UsbWatch() {
    *alive_ = false;
}

void UsbWatch::InitService() {
    std::optional<UsbDevices> present = source_.start(*this);
    if (!present) {
        err("IOServiceMatching returned NULL.\n");
        return;
    }
    DeviceAdded("init", std::move(*present));
}

void UsbWatch::devicesAttached(UsbDevices devices) {
    auto batch = std::make_shared<UsbDevices>(std::move(devices));
    gate_.deliver([this, alive = alive_, batch] {
        if (!*alive) return;
        attaches_.push_back(std::move(*batch));
        startNextAttach();
    });
}

void UsbWatch::startNextAttach() {
    if (attachRunning_ || attaches_.empty()) return;
    attachRunning_ = true;
    UsbDevices devices = std::move(attaches_.front());
    attaches_.pop_front();
    DeviceAdded(nullptr, std::move(devices));
}

void UsbWatch::DeviceAdded(const char* marker, UsbDevices devices) {
    if (marker) {
        for (auto& device : devices) examine(std::move(device));
        return;
    }
    err("DeviceAdded runin.\n");
    auto batch = std::make_shared<UsbDevices>(std::move(devices));
    wait_([this, alive = alive_, batch] {
        if (!*alive) return;
        // A modal window opened during the wait holds the examination back.
        gate_.deliver([this, alive, batch] {
            if (!*alive) return;
            for (auto& device : *batch) examine(std::move(device));
            attachRunning_ = false;
            startNextAttach();
        });
    });
}

void UsbWatch::examine(std::unique_ptr<UsbDevice> device) {
    auto record = std::make_unique<DevicePrivateData>();
    record->deviceName = device->registryName().value_or("");

    if (const std::uint32_t status = device->open()) {
        err(formatLine("IOCreatePlugInInterfaceForService returned 0x%08x.\n", status));
        return;
    }
    const auto location = device->locationID();
    if (location.status) {
        err(formatLine("GetLocationID returned 0x%08x.\n", location.status));
        return;
    }
    const auto vendor = device->vendorID();
    if (vendor.status) {
        err(formatLine("GetDeviceVendor returned 0x%08x.\n", vendor.status));
        return;
    }
    const auto product = device->productID();
    if (product.status) {
        err(formatLine("GetDeviceProduct returned 0x%08x.\n", product.status));
        return;
    }
    record->locationID = location.value;
    if (!isPenUsbId(vendor.value, product.value)) return;

    out("New ZIRO added.\n");
    const auto outcome = identifier_.findLocationID(record->locationID);
    record->awaitingVolume = outcome != PenIdentifier::Outcome::Stored;
    if (outcome == PenIdentifier::Outcome::StoredWithoutVolume) {
        record->penKey = identifier_.storedKey();
    }
    if (const std::uint32_t status = source_.watchTermination(*device)) {
        out(formatLine("IOServiceAddInterestNotification returned 0x%08x.\n", status));
        return;
    }
    record->notification = true;
    const std::string key = device->key();
    record->deviceInterface = std::move(device);
    const std::string volumeless =
        outcome == PenIdentifier::Outcome::StoredWithoutVolume ? record->penKey : "";
    watched_[key] = std::move(record);
    if (!volumeless.empty() && penWithoutVolume_) penWithoutVolume_(volumeless);
}

void UsbWatch::deviceTerminated(const std::string& key) {
    gate_.deliver([this, alive = alive_, key] {
        if (!*alive) return;
        const auto it = watched_.find(key);
        if (it != watched_.end()) DeviceRemoved(it->second.get(), kIOMessageServiceIsTerminated);
    });
}

void UsbWatch::DeviceRemoved(DevicePrivateData* privateDataRef, std::uint32_t messageType) {
    if (messageType != kIOMessageServiceIsTerminated) return;
    err("Device removed.\n");
    err("privateDataRef->deviceName: " + privateDataRef->deviceName + "\n");
    err(formatLine("privateDataRef->locationID: 0x%x.\n\n", privateDataRef->locationID));
    // The pen stays listed until it is ejected; only the watch ends here.
    watched_.erase(privateDataRef->deviceInterface->key());
}

void UsbWatch::mountTableChanged() {
    gate_.deliver([this, alive = alive_] {
        if (!*alive) return;
        for (auto& [key, record] : watched_) {
            if (!record->awaitingVolume) continue;
            switch (identifier_.identifyMounted(record->locationID, record->penKey)) {
                case PenIdentifier::Outcome::NoPen:
                case PenIdentifier::Outcome::StoredWithoutVolume:
                    break;  // not there yet
                case PenIdentifier::Outcome::Stored:
                    record->penKey = identifier_.storedKey();
                    record->awaitingVolume = false;
                    break;
                case PenIdentifier::Outcome::NoLongerListed:
                    record->awaitingVolume = false;  // ejected meanwhile
                    break;
            }
        }
    });
}

void UsbWatch::out(const std::string& line) {
    diagnostics_.out << line << std::flush;
}

void UsbWatch::err(const std::string& line) {
    diagnostics_.err << line << std::flush;
}

}  // namespace penshelf
