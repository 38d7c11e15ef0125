#pragma once
// Reading ISO 8601 text into an instant: calendar, ordinal and week dates in their full,
// reduced and truncated forms, with an optional time of day and zone. Lenient by default;
// strict mode turns down the loosest forms. Text that names no zone is local time, and the
// truncated forms take the missing parts from today's local date.

#include "soap/Types.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace penshelf::soap {

// The location of a failed parse's range.
inline constexpr std::size_t notFound =
    static_cast<std::size_t>(std::numeric_limits<std::int64_t>::max());

// The part of a text that a parse consumed, in byte (for accepted texts: character) indexes.
struct Range {
    std::size_t location = notFound;
    std::size_t length = 0;
    friend bool operator==(const Range&, const Range&) = default;
};

// The time separator used when none is given. Nothing in the program changes it.
inline constexpr char16_t defaultParsingTimeSeparator = u':';

// Every form returns the instant, or nothing when the text is not a date it knows. When a range
// is asked for, it receives the consumed part of the text, or (notFound, 0) on failure.
// Strict mode always uses ":" as the time separator.
std::optional<Instant> dateWithString(std::string_view text, bool strictly, char16_t timeSeparator,
                                      Range* range);
std::optional<Instant> dateWithString(std::string_view text, bool strictly, Range* range = nullptr);
std::optional<Instant> dateWithString(std::string_view text, char16_t timeSeparator,
                                      Range* range = nullptr);
std::optional<Instant> dateWithString(std::string_view text, char timeSeparator,
                                      Range* range = nullptr);
std::optional<Instant> dateWithString(std::string_view text, Range* range = nullptr);

}  // namespace penshelf::soap
