#pragma once
// Base64 (RFC 4648, section 4): a strict one-line encoder and a lenient decoder.

#include "soap/Types.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace penshelf::soap {

// The base64 text of the bytes on one line, padded with "="; empty for empty data. Absent only
// when the memory for the text cannot be had.
std::optional<std::string> base64Encoding(std::span<const std::uint8_t> data);

// The bytes of a base64 text. "=" and the six ASCII white-space characters are skipped wherever
// they stand, so padding is optional; the scan stops at a NUL. Absent when the text holds a
// non-ASCII byte or any other character outside the alphabet ("-" and "_" included), when the
// significant characters leave a final group of one, or when memory runs out. An empty text
// gives empty data.
//
// A null pointer is a caller's error: std::invalid_argument("Error: String must not be nil").
std::optional<Bytes> dataWithBase64EncodedString(const char* text);
std::optional<Bytes> dataWithBase64EncodedString(std::string_view text);

}  // namespace penshelf::soap
