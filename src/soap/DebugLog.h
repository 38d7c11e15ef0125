#pragma once
// The SOAP client's debug log: one free-text line per event, standard error by default.

#include <functional>
#include <string>

namespace penshelf::soap {

using DebugLogSink = std::function<void(const std::string& line)>;

// Writes one line (without its line break) to the installed sink.
void debugLog(const std::string& line);

// Installs a sink for all later lines and returns the previous one. An empty sink restores
// the default, which writes each line to standard error.
DebugLogSink setDebugLogSink(DebugLogSink sink);

}  // namespace penshelf::soap
