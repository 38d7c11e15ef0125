#include "soap/Calendar_p.h"

#include <cerrno>
#include <climits>
#include <ctime>

namespace penshelf::soap::detail {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

std::int64_t floorMod(std::int64_t a, std::int64_t b) {
    return a - floorDiv(a, b) * b;
}

bool isLeapYear(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// The civil-from-days algorithms count in 400-year eras of 146097 days from 0000-03-01.
std::int64_t daysFromCivil(std::int64_t year, int month, std::int64_t day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = floorDiv(y, 400);
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468 + (day - 1);
}

CivilDate civilFromDays(std::int64_t days) {
    const std::int64_t z = days + 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.year = yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0);
    return date;
}

int isoWeekday(std::int64_t days) {
    return static_cast<int>(floorMod(days + 3, 7)) + 1;
}

WeekDate isoWeekDate(std::int64_t days) {
    // A week belongs to the year that holds its Thursday.
    const int weekday = isoWeekday(days);
    const std::int64_t thursday = days - weekday + 4;
    WeekDate date;
    date.year = civilFromDays(thursday).year;
    date.week = static_cast<int>((thursday - daysFromCivil(date.year, 1, 1)) / 7 + 1);
    date.day = weekday;
    return date;
}

std::optional<Instant> instantFromLocal(std::int64_t localSeconds) {
    const CivilDate date = civilFromDays(floorDiv(localSeconds, 86400));
    const std::int64_t secondOfDay = floorMod(localSeconds, 86400);
    if (date.year - 1900 > INT_MAX || date.year - 1900 < INT_MIN) return std::nullopt;
    std::tm fields{};
    fields.tm_year = static_cast<int>(date.year - 1900);
    fields.tm_mon = date.month - 1;
    fields.tm_mday = date.day;
    fields.tm_hour = static_cast<int>(secondOfDay / 3600);
    fields.tm_min = static_cast<int>(secondOfDay / 60 % 60);
    fields.tm_sec = static_cast<int>(secondOfDay % 60);
    fields.tm_isdst = -1;  // let the zone's rules decide
    tzset();
    errno = 0;
    const std::time_t t = std::mktime(&fields);
    if (t == static_cast<std::time_t>(-1) && errno != 0) return std::nullopt;
    return Instant(std::chrono::seconds(t));
}

std::optional<CivilDate> localDate(Instant instant) {
    const std::time_t t = static_cast<std::time_t>(instant.time_since_epoch().count());
    std::tm fields{};
    tzset();
    if (localtime_r(&t, &fields) == nullptr) return std::nullopt;
    CivilDate date;
    date.year = std::int64_t{fields.tm_year} + 1900;
    date.month = fields.tm_mon + 1;
    date.day = fields.tm_mday;
    return date;
}

}  // namespace penshelf::soap::detail
