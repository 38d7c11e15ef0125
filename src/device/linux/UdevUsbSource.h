#pragma once
// USB devices from udev: the ones present at start by enumeration, later
// attaches and removals from a udev monitor served on the Qt event loop.

#include "device/UsbDeviceSource.h"

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace penshelf {

class UdevUsbSource : public QObject, public UsbDeviceSource {
    Q_OBJECT
  public:
    UdevUsbSource();
    ~UdevUsbSource() override;

    std::optional<UsbDevices> start(Listener& listener) override;
    std::uint32_t watchTermination(const UsbDevice& device) override;

  private:
    void receive();

    struct Private;
    std::unique_ptr<Private> d;
    QSocketNotifier* notifier_ = nullptr;
    Listener* listener_ = nullptr;
};

}  // namespace penshelf
