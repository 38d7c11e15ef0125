#include "soap/ISO8601Formatting.h"

#include "soap/Calendar_p.h"
#include "soap/Utf8_p.h"

#include <cstdint>

namespace penshelf::soap {

namespace {

struct UtcFields {
    std::int64_t days = 0;  // since 1970-01-01
    detail::CivilDate date;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

UtcFields utcFields(Instant instant) {
    const std::int64_t seconds = instant.time_since_epoch().count();
    UtcFields f;
    f.days = detail::floorDiv(seconds, 86400);
    const std::int64_t secondOfDay = detail::floorMod(seconds, 86400);
    f.date = detail::civilFromDays(f.days);
    f.hour = static_cast<int>(secondOfDay / 3600);
    f.minute = static_cast<int>(secondOfDay / 60 % 60);
    f.second = static_cast<int>(secondOfDay % 60);
    return f;
}

// At least `width` digits, a leading "-" for years before year 0.
std::string padded(std::int64_t value, size_t width) {
    const bool negative = value < 0;
    std::uint64_t magnitude =
        negative ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return negative ? "-" + digits : digits;
}

bool isPatternLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Formats the pattern letters y M d H m s (a run of n letters gives at least n digits) and
// copies quoted text ('T', '' for an apostrophe) and every other character as they stand.
std::string format(std::string_view pattern, const UtcFields& f) {
    std::string out;
    size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '\'') {
            if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                out += '\'';
                i += 2;
                continue;
            }
            ++i;
            while (i < pattern.size()) {
                if (pattern[i] == '\'') {
                    if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                        out += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += pattern[i++];
            }
            continue;
        }
        size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) ++run;
        switch (c) {
            case 'y':
                out += padded(f.date.year, run);
                break;
            case 'M':
                out += padded(f.date.month, run);
                break;
            case 'd':
                out += padded(f.date.day, run);
                break;
            case 'H':
                out += padded(f.hour, run);
                break;
            case 'm':
                out += padded(f.minute, run);
                break;
            case 's':
                out += padded(f.second, run);
                break;
            default:
                out.append(pattern.substr(i, run));
                break;
        }
        i += run;
    }
    return out;
}

std::string timePart(const UtcFields& f, bool includeTime, char16_t timeSeparator) {
    if (!includeTime) return std::string();
    return format(prepareDateFormatWithTimeSeparator("'T'HH:mm:ss'Z'", timeSeparator), f);
}

}  // namespace

std::string prepareDateFormatWithTimeSeparator(std::string_view pattern, char16_t timeSeparator) {
    if (timeSeparator == u':') return std::string(pattern);
    std::string out;
    bool quoted = false;
    for (char c : pattern) {
        if (c == '\'') quoted = !quoted;  // '' toggles twice and changes nothing
        if (c != ':') {
            out += c;
            continue;
        }
        if (timeSeparator == u'\'') {
            out += "''";
        } else if (isPatternLetter(timeSeparator) && !quoted) {
            out += '\'';
            detail::appendUtf8(out, timeSeparator);
            out += '\'';
        } else {
            detail::appendUtf8(out, timeSeparator);
        }
    }
    return out;
}

std::string ISO8601DateStringWithTime(Instant instant, bool includeTime, char16_t timeSeparator) {
    const UtcFields f = utcFields(instant);
    if (!includeTime) return format("yyyy-MM-dd", f);
    return format(prepareDateFormatWithTimeSeparator("yyyy-MM-dd'T'HH:mm:ss", timeSeparator), f) +
           "Z";
}

std::string ISO8601WeekDateStringWithTime(Instant instant, bool includeTime,
                                          char16_t timeSeparator) {
    const UtcFields f = utcFields(instant);
    const detail::WeekDate week = detail::isoWeekDate(f.days);
    return padded(week.year, 1) + "-W" + padded(week.week, 2) + "-" + padded(week.day, 2) +
           timePart(f, includeTime, timeSeparator);
}

std::string ISO8601OrdinalDateStringWithTime(Instant instant, bool includeTime,
                                             char16_t timeSeparator) {
    const UtcFields f = utcFields(instant);
    const std::int64_t dayOfYear = f.days - detail::daysFromCivil(f.date.year, 1, 1) + 1;
    return padded(f.date.year, 1) + "-" + padded(dayOfYear, 3) +
           timePart(f, includeTime, timeSeparator);
}

std::string ISO8601DateStringWithTimeSeparator(Instant instant, char16_t timeSeparator) {
    return ISO8601DateStringWithTime(instant, true, timeSeparator);
}
std::string ISO8601WeekDateStringWithTimeSeparator(Instant instant, char16_t timeSeparator) {
    return ISO8601WeekDateStringWithTime(instant, true, timeSeparator);
}
std::string ISO8601OrdinalDateStringWithTimeSeparator(Instant instant, char16_t timeSeparator) {
    return ISO8601OrdinalDateStringWithTime(instant, true, timeSeparator);
}

std::string ISO8601DateString(Instant instant) {
    return ISO8601DateStringWithTime(instant, true);
}
std::string ISO8601WeekDateString(Instant instant) {
    return ISO8601WeekDateStringWithTime(instant, true);
}
std::string ISO8601OrdinalDateString(Instant instant) {
    return ISO8601OrdinalDateStringWithTime(instant, true);
}

}  // namespace penshelf::soap
