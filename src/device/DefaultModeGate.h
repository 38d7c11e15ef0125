#pragma once
// Holds pen attach and detach events back while a modal window or alert runs,
// and delivers them, in order, once the last modal run has ended. Events that
// arrive while nothing modal runs are delivered at once (a synchronous service
// call does not hold them back).

#include <deque>
#include <functional>

namespace penshelf {

class DefaultModeGate {
  public:
    // Marks one modal run for as long as it lives.
    class ModalRun {
      public:
        explicit ModalRun(DefaultModeGate& gate) : gate_(&gate) { ++gate_->modalDepth_; }
        ~ModalRun();
        ModalRun(ModalRun&& other) noexcept : gate_(other.gate_) { other.gate_ = nullptr; }
        ModalRun(const ModalRun&) = delete;
        ModalRun& operator=(const ModalRun&) = delete;
        ModalRun& operator=(ModalRun&&) = delete;

      private:
        DefaultModeGate* gate_;
    };

    [[nodiscard]] ModalRun enterModal() { return ModalRun(*this); }
    bool isHeld() const { return modalDepth_ > 0; }

    // Runs event now, or after the modal runs when one is active.
    void deliver(std::function<void()> event);

    // Delivers what is waiting even though a modal run is active: the one
    // turn of the event loop that the install takes before it copies.
    void deliverPending();

  private:
    int modalDepth_ = 0;
    bool delivering_ = false;
    std::deque<std::function<void()>> pending_;
};

}  // namespace penshelf
