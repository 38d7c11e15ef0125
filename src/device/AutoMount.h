#pragma once
// Mounts the pens that nothing else mounts. Where the desktop has no
// automounter, a pen found at its attach without a volume would stay without
// one: after a short while for an automounter to act, the platform mounts it,
// and the pen is identified again with its volume. One try per attach: a pen
// ejected meanwhile, or whose mount failed, stays as it is until it is
// plugged in again.

#include "device/DefaultModeGate.h"
#include "device/Diagnostics.h"
#include "device/UsbWatch.h"

#include <chrono>
#include <memory>
#include <string>

namespace penshelf {

class Platform;
class PenTable;

class AutoMount {
  public:
    static constexpr std::chrono::milliseconds defaultWait = std::chrono::seconds(2);

    // Takes the pens that watch finds without a volume. wait: the while given
    // to other automounters. Events wait for modal runs, as the watch's do.
    AutoMount(Platform& platform, UsbWatch& watch, const PenTable& table, DefaultModeGate& gate,
              Diagnostics diagnostics, UsbWatch::Wait wait = UsbWatch::settlingWait(defaultWait));
    ~AutoMount();
    AutoMount(const AutoMount&) = delete;
    AutoMount& operator=(const AutoMount&) = delete;

  private:
    void penWithoutVolume(const std::string& bsdName);
    void mount(const std::string& bsdName);

    Platform& platform_;
    UsbWatch& watch_;
    const PenTable& table_;
    DefaultModeGate& gate_;
    Diagnostics diagnostics_;
    UsbWatch::Wait wait_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace penshelf
