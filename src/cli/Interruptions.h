#pragma once
// What a copy onto a pen or into a backup does when the program is told to
// end (SIGINT, SIGTERM, SIGHUP): no half-written file may stay behind.

#include <atomic>
#include <csignal>
#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

namespace penshelf::cli {

inline constexpr int endingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// While it lives, an ending signal first removes the temporary file of the
// copy under way, then ends the program as the signal would have.
class InterruptCleanup {
  public:
    // leftovers: files, then their folder, also to remove (a copy's own
    // backup); they must not change while it lives.
    explicit InterruptCleanup(const std::vector<std::string>* leftovers = nullptr);
    ~InterruptCleanup();
    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;

  private:
    struct sigaction previous_[std::size(endingSignals)];
};

// While it lives, the first ending signal only asks the work to stop at its
// next step, so that it can leave a true account of what it did; a second
// one ends the program at once, as InterruptCleanup does.
class GracefulStop {
  public:
    GracefulStop();
    ~GracefulStop();
    GracefulStop(const GracefulStop&) = delete;
    GracefulStop& operator=(const GracefulStop&) = delete;

    bool requested() const;
    // The same, for work on other threads to watch.
    const std::atomic<bool>& requestedFlag() const;
    // Ends the program as the signal that asked for the stop would have;
    // returns when there was none.
    void endAsSignalled();

  private:
    struct sigaction previous_[std::size(endingSignals)];
    bool restored_ = false;
};

}  // namespace penshelf::cli
