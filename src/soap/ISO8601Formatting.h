#pragma once
// Writing instants as ISO 8601 text in UTC: calendar (2009-01-02T12:00:00Z), week
// (2009-W01-05T12:00:00Z) and ordinal (2009-002T12:00:00Z) dates, with or without the time.

#include "soap/Types.h"

#include <string>
#include <string_view>

namespace penshelf::soap {

// The time separator used when none is given. Nothing in the program changes it.
inline constexpr char16_t defaultWritingTimeSeparator = u':';

std::string ISO8601DateStringWithTime(Instant instant, bool includeTime,
                                      char16_t timeSeparator = defaultWritingTimeSeparator);
std::string ISO8601WeekDateStringWithTime(Instant instant, bool includeTime,
                                          char16_t timeSeparator = defaultWritingTimeSeparator);
std::string ISO8601OrdinalDateStringWithTime(Instant instant, bool includeTime,
                                             char16_t timeSeparator = defaultWritingTimeSeparator);

std::string ISO8601DateStringWithTimeSeparator(Instant instant, char16_t timeSeparator);
std::string ISO8601WeekDateStringWithTimeSeparator(Instant instant, char16_t timeSeparator);
std::string ISO8601OrdinalDateStringWithTimeSeparator(Instant instant, char16_t timeSeparator);

std::string ISO8601DateString(Instant instant);
std::string ISO8601WeekDateString(Instant instant);
std::string ISO8601OrdinalDateString(Instant instant);

// A date-format pattern (yyyy MM dd HH mm ss, quoted literal text) with every ":" replaced by
// the separator; unchanged for ":". A separator that is itself a pattern letter or an
// apostrophe is quoted, so it always comes out as itself.
std::string prepareDateFormatWithTimeSeparator(std::string_view pattern, char16_t timeSeparator);

}  // namespace penshelf::soap
