#include "cli/Interruptions.h"

#include "books/Backup.h"
#include "books/InstallTemporary.h"

#include <unistd.h>

namespace penshelf::cli {
namespace {

// The signal that asked for a graceful stop, or 0.
volatile sig_atomic_t stopSignal = 0;
// Whether there was one, for the copies on other threads.
std::atomic<bool> stopAsked{false};
static_assert(std::atomic<bool>::is_always_lock_free);
// What else an ending signal removes: files, then a folder.
std::atomic<const std::vector<std::string>*> leftoverPaths{nullptr};

void removeLeftovers() {
    const std::vector<std::string>* paths = leftoverPaths.exchange(nullptr);
    if (!paths) return;
    for (const std::string& path : *paths) {
        if (unlink(path.c_str()) != 0) rmdir(path.c_str());
    }
}

extern "C" void removeCopyAndExit(int signal) {
    removeInterruptedInstall();
    removeLeftovers();
    // SA_RESETHAND restored the default action; it takes effect on return.
    raise(signal);
}

extern "C" void stopOrExit(int signal) {
    if (stopSignal == 0) {
        stopSignal = signal;
        stopAsked = true;
        return;
    }
    removeInterruptedInstall();
    removeUnnamedBackupCopy();
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(signal, &byDefault, nullptr);
    raise(signal);
}

void install(void (*handler)(int), int flags, struct sigaction* previous) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(endingSignals); ++i) {
        sigaction(endingSignals[i], &action, &previous[i]);
    }
}

void restore(const struct sigaction* previous) {
    for (std::size_t i = 0; i < std::size(endingSignals); ++i) {
        sigaction(endingSignals[i], &previous[i], nullptr);
    }
}

}  // namespace

InterruptCleanup::InterruptCleanup(const std::vector<std::string>* leftovers) {
    leftoverPaths = leftovers;
    install(removeCopyAndExit, SA_RESETHAND, previous_);
}

InterruptCleanup::~InterruptCleanup() {
    restore(previous_);
    leftoverPaths = nullptr;
}

GracefulStop::GracefulStop() {
    stopSignal = 0;
    stopAsked = false;
    install(stopOrExit, 0, previous_);
}

GracefulStop::~GracefulStop() {
    if (!restored_) restore(previous_);
}

bool GracefulStop::requested() const {
    return stopSignal != 0;
}

const std::atomic<bool>& GracefulStop::requestedFlag() const {
    return stopAsked;
}

void GracefulStop::endAsSignalled() {
    if (!restored_) restore(previous_);
    restored_ = true;
    const int signal = stopSignal;
    if (signal == 0) return;
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(signal, &byDefault, nullptr);
    raise(signal);
}

}  // namespace penshelf::cli
