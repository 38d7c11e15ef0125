#pragma once
// The plain value types the SOAP codecs move: byte strings and instants.

#include <chrono>
#include <cstdint>
#include <vector>

namespace penshelf::soap {

// Binary data as it travels in base64 elements.
using Bytes = std::vector<std::uint8_t>;

// A point in time, independent of zones: whole seconds since 1970-01-01T00:00:00Z.
using Instant = std::chrono::sys_seconds;

}  // namespace penshelf::soap
