#pragma once
// Pen discovery as both programs use it: the pen table and what keeps it. The
// USB watch hands each attached pen to identification; a pen found without a
// volume is identified again when the platform's volumes change and, where
// nothing else mounts it, mounted after a while; an ejected pen leaves the
// table. The front ends read pens() and follow pensChanged.

#include "device/AutoMount.h"
#include "device/DefaultModeGate.h"
#include "device/Diagnostics.h"
#include "device/PenEject.h"
#include "device/PenIdentifier.h"
#include "device/PenRecord.h"
#include "device/Platform.h"
#include "device/UsbWatch.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace penshelf {

// How closely a monitor follows the pens after start.
struct PenMonitorSettings {
    // The settling time after a USB attach.
    UsbWatch::Wait attachWait = UsbWatch::settlingWait();
    // The while left to other automounters before a pen found without a
    // volume is mounted; null: such a pen is mounted only by mountVolume.
    UsbWatch::Wait mountWait = UsbWatch::settlingWait(AutoMount::defaultWait);
    // Whether a pen found without a volume is identified again whenever the
    // platform's volumes change, or only after mountVolume mounted it.
    bool followVolumes = true;
};

class PenMonitor : public QObject, public PenTable {
    Q_OBJECT
  public:
    // diagnostics: where discovery writes its lines.
    PenMonitor(Platform& platform, Diagnostics diagnostics, PenMonitorSettings settings = {},
               QObject* parent = nullptr);
    ~PenMonitor() override;

    // Arms the USB watch and identifies the pens attached already, at once.
    void start();

    // By BSD name; the key order is the pen list's order.
    const std::map<std::string, PenRecord>& pens() const { return pens_; }
    void storePen(const PenRecord& record) override;
    bool hasPen(const std::string& bsdName) const override { return pens_.count(bsdName) > 0; }
    void removePen(const std::string& bsdName) override;

    // Ejects the pen, holding pen events back meanwhile, and drops it from
    // the table unless it is still mounted.
    EjectOutcome eject(const std::string& bsdName);

    // Mounts the volume of a pen that nothing mounted. done comes later from
    // the event loop; a pen it mounted has been identified again by then.
    void mountVolume(const std::string& bsdName, std::function<void(const MountResult&)> done);

    Platform& platform() const { return platform_; }
    // Pen events wait here while a modal window or alert runs.
    DefaultModeGate& gate() { return gate_; }

  signals:
    // A pen was stored, replaced or dropped.
    void pensChanged();

  private:
    Platform& platform_;
    std::map<std::string, PenRecord> pens_;
    DefaultModeGate gate_;
    PenIdentifier identifier_;
    UsbWatch watch_;
    std::unique_ptr<AutoMount> autoMount_;
};

}  // namespace penshelf
