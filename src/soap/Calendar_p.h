#pragma once
// Proleptic Gregorian day arithmetic on 64-bit day numbers (day 0 is 1970-01-01), and the
// bridge to the system's local time zone.

#include "soap/Types.h"

#include <cstdint>
#include <optional>

namespace penshelf::soap::detail {

struct CivilDate {
    std::int64_t year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
};

struct WeekDate {
    std::int64_t year = 1970;  // the week-numbering year
    int week = 1;              // 1..53
    int day = 1;               // 1 = Monday ... 7 = Sunday
};

std::int64_t floorDiv(std::int64_t a, std::int64_t b);
std::int64_t floorMod(std::int64_t a, std::int64_t b);

bool isLeapYear(std::int64_t year);

// month must be 1..12; day may be any value and counts on from the first of the month.
std::int64_t daysFromCivil(std::int64_t year, int month, std::int64_t day);
CivilDate civilFromDays(std::int64_t days);

int isoWeekday(std::int64_t days);  // 1 = Monday ... 7 = Sunday
WeekDate isoWeekDate(std::int64_t days);

// The instant at which the local clock shows the given wall-clock seconds (counted like UTC
// seconds from 1970), in the system's time zone as it is set now. Absent when the system
// cannot represent it.
std::optional<Instant> instantFromLocal(std::int64_t localSeconds);

// The local calendar date of an instant in the system's time zone as it is set now.
std::optional<CivilDate> localDate(Instant instant);

}  // namespace penshelf::soap::detail
