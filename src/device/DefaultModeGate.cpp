#include "device/DefaultModeGate.h"

namespace penshelf {

DefaultModeGate::ModalRun::~ModalRun() {
    if (gate_ && --gate_->modalDepth_ == 0) gate_->deliverPending();
}

void DefaultModeGate::deliver(std::function<void()> event) {
    pending_.push_back(std::move(event));
    if (!isHeld()) deliverPending();
}

void DefaultModeGate::deliverPending() {
    // An event may start a modal run or bring further events; those wait
    // their turn behind the ones already queued.
    if (delivering_) return;
    delivering_ = true;
    while (!pending_.empty()) {
        auto event = std::move(pending_.front());
        pending_.pop_front();
        event();
    }
    delivering_ = false;
}

}  // namespace penshelf
