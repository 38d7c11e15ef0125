#include "soap/DebugLog.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace penshelf::soap {

namespace {

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

DebugLogSink& installedSink() {
    static DebugLogSink sink;
    return sink;
}

}  // namespace

void debugLog(const std::string& line) {
    DebugLogSink sink;
    {
        std::lock_guard lock(sinkMutex());
        sink = installedSink();
    }
    if (sink) {
        sink(line);
        return;
    }
    // One write per line so lines from several threads do not interleave.
    std::string withBreak = line + '\n';
    std::fwrite(withBreak.data(), 1, withBreak.size(), stderr);
    std::fflush(stderr);
}

DebugLogSink setDebugLogSink(DebugLogSink sink) {
    std::lock_guard lock(sinkMutex());
    return std::exchange(installedSink(), std::move(sink));
}

}  // namespace penshelf::soap
