#include "soap/CurrentTime.h"

#include <mutex>
#include <utility>

namespace penshelf::soap {

namespace {

std::mutex& sourceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<Instant()>& installedSource() {
    static std::function<Instant()> source;
    return source;
}

}  // namespace

Instant currentInstant() {
    std::function<Instant()> source;
    {
        std::lock_guard lock(sourceMutex());
        source = installedSource();
    }
    if (source) return source();
    return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
}

std::function<Instant()> setCurrentInstantSource(std::function<Instant()> source) {
    std::lock_guard lock(sourceMutex());
    return std::exchange(installedSource(), std::move(source));
}

}  // namespace penshelf::soap
