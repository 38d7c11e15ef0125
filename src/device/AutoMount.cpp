#include "device/AutoMount.h"

#include "books/Volumes.h"
#include "device/Platform.h"
#include "device/PenRecord.h"

#include <ostream>

namespace penshelf {

AutoMount::AutoMount(Platform& platform, UsbWatch& watch, const PenTable& table,
                     DefaultModeGate& gate, Diagnostics diagnostics, UsbWatch::Wait wait)
    : platform_(platform),
      watch_(watch),
      table_(table),
      gate_(gate),
      diagnostics_(diagnostics),
      wait_(std::move(wait)) {
    watch_.onPenWithoutVolume([this](const std::string& bsdName) { penWithoutVolume(bsdName); });
}

AutoMount::~AutoMount() {
    *alive_ = false;
    watch_.onPenWithoutVolume(nullptr);
}

void AutoMount::penWithoutVolume(const std::string& bsdName) {
    wait_([this, alive = alive_, bsdName] {
        if (!*alive) return;
        // An eject under way holds the gate: the pen may be gone after it.
        gate_.deliver([this, alive, bsdName] {
            if (*alive) mount(bsdName);
        });
    });
}

void AutoMount::mount(const std::string& bsdName) {
    // Ejected meanwhile, or mounted by another automounter after all.
    if (!table_.hasPen(bsdName) || !platform_.volumes().GetVolumePath(bsdName).empty()) return;
    platform_.mount(bsdName, [this, alive = alive_, bsdName](const MountResult& result) {
        if (!*alive) return;
        if (result.outcome == MountResult::Outcome::Failed) {
            diagnostics_.err << "Mounting /dev/" << bsdName << " failed: " << result.reason << "\n"
                             << std::flush;
        } else if (result.outcome == MountResult::Outcome::Mounted) {
            watch_.mountTableChanged();
        }
    });
}

}  // namespace penshelf
