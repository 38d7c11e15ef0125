#include "device/PenMonitor.h"

#include "books/Volumes.h"

#include <QPointer>

namespace penshelf {

PenMonitor::PenMonitor(Platform& platform, Diagnostics diagnostics, PenMonitorSettings settings,
                       QObject* parent)
    : QObject(parent),
      platform_(platform),
      identifier_(platform.registry(), platform.volumes(), *this, diagnostics),
      watch_(platform.usbDevices(), identifier_, gate_, diagnostics, std::move(settings.attachWait),
             [this](const std::string& penKey) {
                 if (autoMount_) autoMount_->penWithoutVolume(penKey);
             }) {
    if (settings.mountWait) {
        autoMount_ = std::make_unique<AutoMount>(*this, diagnostics, std::move(settings.mountWait));
    }
    if (settings.followVolumes) {
        connect(&platform, &Platform::volumesChanged, this, [this] { watch_.mountTableChanged(); });
    }
}

PenMonitor::~PenMonitor() = default;

void PenMonitor::start() {
    watch_.InitService();
}

void PenMonitor::storePen(const PenRecord& record) {
    pens_.insert_or_assign(record.bsdName, record);
    emit pensChanged();
}

void PenMonitor::removePen(const std::string& bsdName) {
    pens_.erase(bsdName);
    emit pensChanged();
}

EjectOutcome PenMonitor::eject(const std::string& bsdName) {
    const auto modal = gate_.enterModal();
    const EjectOutcome outcome = ejectPen(platform_, bsdName);
    // Ejected, or gone already: a pen pulled out leaves the table this way.
    if (outcome != EjectOutcome::StillMounted) removePen(bsdName);
    return outcome;
}

void PenMonitor::mountVolume(const std::string& bsdName,
                             std::function<void(const MountResult&)> done) {
    platform_.mount(bsdName,
                    [self = QPointer(this), done = std::move(done)](const MountResult& result) {
                        if (!self) return;
                        if (result.outcome == MountResult::Outcome::Mounted)
                            self->watch_.mountTableChanged();
                        done(result);
                    });
}

}  // namespace penshelf
