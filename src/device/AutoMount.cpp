#include "device/AutoMount.h"

#include "books/Volumes.h"
#include "device/PenMonitor.h"

#include <ostream>

namespace penshelf {

AutoMount::AutoMount(PenMonitor& monitor, Diagnostics diagnostics, UsbWatch::Wait wait)
    : monitor_(monitor), diagnostics_(diagnostics), wait_(std::move(wait)) {}

AutoMount::~AutoMount() {
    *alive_ = false;
}

void AutoMount::penWithoutVolume(const std::string& bsdName) {
    wait_([this, alive = alive_, bsdName] {
        if (!*alive) return;
        // An eject under way holds the gate: the pen may be gone after it.
        monitor_.gate().deliver([this, alive, bsdName] {
            if (*alive) mount(bsdName);
        });
    });
}

void AutoMount::mount(const std::string& bsdName) {
    // Ejected meanwhile, or mounted by another automounter after all.
    if (!monitor_.hasPen(bsdName) ||
        !monitor_.platform().volumes().GetVolumePath(bsdName).empty()) {
        return;
    }
    monitor_.mountVolume(bsdName, [this, alive = alive_, bsdName](const MountResult& result) {
        if (*alive && result.outcome == MountResult::Outcome::Failed) {
            diagnostics_.err << "Mounting /dev/" << bsdName << " failed: " << result.reason << "\n"
                             << std::flush;
        }
    });
}

}  // namespace penshelf
