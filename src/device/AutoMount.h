#pragma once
// Mounts the pens that nothing else mounts. Where the desktop has no
// automounter, a pen found at its attach without a volume would stay without
// one: after a short while for an automounter to act, the platform mounts it,
// and the pen is identified again with its volume. One try per attach: a pen
// ejected meanwhile, or whose mount failed, stays as it is until it is
// plugged in again.

#include "device/Diagnostics.h"
#include "device/UsbWatch.h"

#include <chrono>
#include <memory>
#include <string>

namespace penshelf {

class PenMonitor;

class AutoMount {
  public:
    static constexpr std::chrono::milliseconds defaultWait = std::chrono::seconds(2);

    // wait: the while given to other automounters. Mounts wait for modal
    // runs, as the monitor's other events do.
    AutoMount(PenMonitor& monitor, Diagnostics diagnostics,
              UsbWatch::Wait wait = UsbWatch::settlingWait(defaultWait));
    ~AutoMount();
    AutoMount(const AutoMount&) = delete;
    AutoMount& operator=(const AutoMount&) = delete;

    // The watch found this pen, stored under bsdName, without a volume.
    void penWithoutVolume(const std::string& bsdName);

  private:
    void mount(const std::string& bsdName);

    PenMonitor& monitor_;
    Diagnostics diagnostics_;
    UsbWatch::Wait wait_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace penshelf
