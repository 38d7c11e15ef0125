#include "soap/ISO8601Parsing.h"

#include "soap/Calendar_p.h"
#include "soap/CurrentTime.h"
#include "soap/DebugLog.h"
#include "soap/Utf8_p.h"

#include <cfloat>
#include <string>

namespace penshelf::soap {

namespace {

using detail::CivilDate;

// Digit runs longer than their form allows are read whole, but their value stops growing
// past this bound; a field above it turns the whole parse down instead of wrapping around.
constexpr std::uint64_t fieldLimit = 999'999'999;

// Dates further than this from 1970 (about 270 million years) are not built.
constexpr std::int64_t dayLimit = 100'000'000'000;

bool isSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

struct DigitRun {
    std::size_t count = 0;
    std::uint64_t value = 0;
    bool tooLarge() const { return value > fieldLimit; }
};

// A decimal number as the time of day has it: whole digits, then "." or "," and a fraction.
struct Decimal {
    DigitRun whole;
    double fraction = 0.0;
};

struct DateFields {
    enum class Kind { Calendar, Ordinal, Week } kind = Kind::Calendar;
    std::int64_t year = 0;
    std::int64_t month = 1;  // calendar
    std::int64_t day = 1;    // calendar: day of month; ordinal: day of year; week: day of week
    std::int64_t week = 1;   // week
};

DateFields calendarDate(std::int64_t year, std::int64_t month, std::int64_t day) {
    return {DateFields::Kind::Calendar, year, month, day, 1};
}

DateFields ordinalDate(std::int64_t year, std::int64_t dayOfYear) {
    return {DateFields::Kind::Ordinal, year, 1, dayOfYear, 1};
}

DateFields weekDate(std::int64_t year, std::int64_t week, std::int64_t dayOfWeek) {
    return {DateFields::Kind::Week, year, 1, dayOfWeek, week};
}

std::int64_t daysInYear(std::int64_t year) {
    return detail::isLeapYear(year) ? 366 : 365;
}

struct TimeOfDay {
    std::int64_t hour = 0;
    std::int64_t minute = 0;
    std::int64_t second = 0;
};

// Days from 1970-01-01 of a date whose fields may lie outside their usual ranges; they roll over
// into the neighbouring units.
std::optional<std::int64_t> dayNumber(const DateFields& date) {
    if (date.year > dayLimit / 366 || date.year < -dayLimit / 366) return std::nullopt;
    switch (date.kind) {
        case DateFields::Kind::Calendar: {
            const std::int64_t year = date.year + detail::floorDiv(date.month - 1, 12);
            const int month = static_cast<int>(detail::floorMod(date.month - 1, 12)) + 1;
            return detail::daysFromCivil(year, month, date.day);
        }
        case DateFields::Kind::Ordinal:
            return detail::daysFromCivil(date.year, 1, date.day);
        case DateFields::Kind::Week: {
            // Weekday of 1 January, 0 = Monday. Taken from the calendar rather than from Gauss's
            // formula, which agrees for every year from 1 on but not for year 0.
            const std::int64_t january1 = detail::daysFromCivil(date.year, 1, 1);
            const std::int64_t w = detail::isoWeekday(january1) - 1;
            const std::int64_t dayOfYear = date.day + 7 * date.week - 7 - w + (w < 4 ? 0 : 7);
            return january1 + dayOfYear - 1;
        }
    }
    return std::nullopt;
}

class Parser {
  public:
    Parser(std::string_view text, bool strict, char16_t timeSeparator, CivilDate today)
        : text_(text), strict_(strict), today_(today) {
        const char16_t separator = strict ? u':' : timeSeparator;
        separatorIsCommaOrPoint_ = separator == u',' || separator == u'.';
        detail::appendUtf8(separator_, separator);
    }

    std::optional<Instant> parse(Range* range) {
        if (text_.empty()) return std::nullopt;
        if (strict_ && isSpace(at(0))) return std::nullopt;
        while (!strict_ && isSpace(at(0))) ++pos_;
        const std::size_t start = pos_;

        DateFields date;
        if (at(0) == 'T') {
            if (!isDigit(at(1))) return std::nullopt;
            date = calendarDate(today_.year, today_.month, today_.day);
        } else if (std::optional<DateFields> read = readDate()) {
            date = *read;
        } else {
            return std::nullopt;
        }

        TimeOfDay time;
        std::optional<std::int64_t> offset;
        if (at(0) == 'T' || isSpace(at(0))) ++pos_;
        if (isDigit(at(0))) {
            if (!readTime(time)) return std::nullopt;
            offset = readZone();
        }

        const std::optional<Instant> instant = build(date, time, offset);
        if (instant && range != nullptr) *range = Range{start, pos_ - start};
        return instant;
    }

  private:
    // The byte `ahead` places on, 0 past the end: the scan never reads beyond the text.
    unsigned char at(std::size_t ahead) const {
        return ahead < text_.size() - pos_ ? static_cast<unsigned char>(text_[pos_ + ahead]) : 0;
    }

    bool take(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    bool takeSeparator() {
        if (text_.substr(pos_, separator_.size()) != separator_) return false;
        pos_ += separator_.size();
        return true;
    }

    // Reads up to maxDigits digits (all of them when maxDigits is 0).
    DigitRun readDigits(std::size_t maxDigits = 0) {
        DigitRun run;
        while (isDigit(at(0)) && (maxDigits == 0 || run.count < maxDigits)) {
            if (!run.tooLarge()) run.value = run.value * 10 + (at(0) - '0');
            ++run.count;
            ++pos_;
        }
        return run;
    }

    // The day after a month: "-" optional, then digits; 1 when none follow.
    // Nothing when the digits run past any day.
    std::optional<std::int64_t> optionalDay() {
        take('-');
        if (!isDigit(at(0))) return 1;
        const DigitRun day = readDigits();
        if (day.tooLarge()) return std::nullopt;
        return static_cast<std::int64_t>(day.value);
    }

    Decimal readDecimal() {
        Decimal number;
        number.whole = readDigits();
        if (at(0) == '.' || at(0) == ',') {
            ++pos_;
            // Fifteen digits are as many as a double holds exactly, so the fraction stays below 1;
            // any further digits are skipped.
            std::uint64_t digits = 0;
            double scale = 1.0;
            for (std::size_t count = 0; isDigit(at(0)); ++count, ++pos_) {
                if (count < 15) {
                    digits = digits * 10 + (at(0) - '0');
                    scale *= 10.0;
                }
            }
            number.fraction = static_cast<double>(digits) / scale;
        }
        return number;
    }

    std::int64_t centuryOfToday() const { return today_.year / 100 * 100; }
    std::int64_t decadeOfToday() const { return today_.year / 10 * 10; }

    // Appended piece by piece: GCC 12 at -O3 takes a chain of + on strings for overlapping copies.
    void logLine(const std::string& rest) const {
        std::string line = "(";
        line.append(text_).append(") ").append(rest);
        debugLog(line);
    }

    std::optional<DateFields> ordinalOfYear(std::int64_t year, std::uint64_t day) const {
        if (strict_ && static_cast<std::int64_t>(day) > daysInYear(year)) return std::nullopt;
        return ordinalDate(year, static_cast<std::int64_t>(day));
    }

    std::optional<DateFields> readDate() {
        std::size_t hyphens = 0;
        while (take('-')) ++hyphens;
        const DigitRun run = readDigits();
        switch (hyphens) {
            case 0:
                return readUnhyphenated(run);
            case 1:
                return readOneHyphen(run);
            case 2:
                return readTwoHyphens(run);
            default:
                return readManyHyphens(hyphens, run);
        }
    }

    // YYYY-MM-DD, YYYY-DDD, YYYY-Www-D and their compact forms; YY as a century or with a
    // month, ordinal day or week; YYMMDD, YYYYDDD, YYYYMMDD.
    std::optional<DateFields> readUnhyphenated(const DigitRun& run) {
        const std::int64_t s = static_cast<std::int64_t>(run.value);
        if (run.count == 2 || (!strict_ && run.count == 1)) {
            const DateFields centuryForm = calendarDate(s * 100 + today_.year % 100, 1, 1);
            if (take('-')) {
                if (take('W')) return readWeek(centuryOfToday() + s);
                if (!isDigit(at(0))) return centuryForm;
                const DigitRun v = readDigits();
                logLine("parsing month; segment is " + std::to_string(v.value) + " and ch is " +
                        std::string(text_.substr(pos_)));
                const std::int64_t year = centuryOfToday() + s;
                switch (v.count) {
                    case 1:
                        if (strict_) return std::nullopt;
                        [[fallthrough]];
                    case 2: {
                        std::int64_t day = 1;
                        take('-');
                        if (isDigit(at(0))) day = static_cast<std::int64_t>(readDigits(2).value);
                        return calendarDate(year, static_cast<std::int64_t>(v.value), day);
                    }
                    case 3:
                        return ordinalDate(year, static_cast<std::int64_t>(v.value));
                    case 4:
                        return calendarDate(year, static_cast<std::int64_t>(v.value / 100),
                                            static_cast<std::int64_t>(v.value % 100));
                    default:
                        return centuryForm;
                }
            }
            if (take('W')) return readWeek(centuryOfToday() + s);
            return centuryForm;
        }
        switch (run.count) {
            case 4: {
                take('-');
                if (take('W')) return readWeek(s);
                if (!isDigit(at(0))) return calendarDate(s, 1, 1);
                const DigitRun v = readDigits();
                switch (v.count) {
                    case 2: {
                        const auto day = optionalDay();
                        if (!day) return std::nullopt;
                        return calendarDate(s, static_cast<std::int64_t>(v.value), *day);
                    }
                    case 3:
                        return ordinalOfYear(s, v.value);
                    case 4:
                        return calendarDate(s, static_cast<std::int64_t>(v.value / 100),
                                            static_cast<std::int64_t>(v.value % 100));
                    default:
                        return calendarDate(s, 1, 1);
                }
            }
            case 6:
                return calendarDate(centuryOfToday() + s / 10000, s / 100 % 100, s % 100);
            case 7:
                return ordinalOfYear(s / 1000, static_cast<std::uint64_t>(s % 1000));
            case 8:
                return calendarDate(s / 10000, s / 100 % 100, s % 100);
            default:
                return std::nullopt;
        }
    }

    // -YY, -YY-MM, -YYMM(-DD), -DDD, -Www-D, -YWww (strict), -W-D.
    std::optional<DateFields> readOneHyphen(const DigitRun& run) {
        const std::int64_t s = static_cast<std::int64_t>(run.value);
        if (run.count == 0) {
            if (at(0) != 'W') return std::nullopt;
            if (at(1) == '-' && isDigit(at(2))) {
                pos_ += 2;
                return dayOfThisWeek();
            }
            if (!isDigit(at(1))) return std::nullopt;
            ++pos_;
            return readWeek(today_.year);
        }
        if (run.count == 1 || run.count == 2) {
            logLine("found " + std::to_string(run.count) +
                    " digits and one hyphen, so this is either -YY or -YY-MM; segment (year) is " +
                    std::to_string(run.value));
        }
        if (run.count == 1 && strict_) {
            take('-');
            if (!take('W')) return std::nullopt;
            return readWeek(decadeOfToday() + s);
        }
        if (run.count == 1 || run.count == 2) {
            const std::int64_t year = (run.count == 1 ? decadeOfToday() : centuryOfToday()) + s;
            std::int64_t month = 1;
            if (take('-')) {
                month = 0;
                if (isDigit(at(0))) {
                    month = static_cast<std::int64_t>(readDigits(2).value);
                    logLine("month is " + std::to_string(month));
                }
            }
            return calendarDate(year, month, 1);
        }
        if (run.count == 3) return ordinalOfYear(today_.year, run.value);
        if (run.count == 4) {
            const auto day = optionalDay();
            if (!day) return std::nullopt;
            return calendarDate(centuryOfToday() + s / 100, s % 100, *day);
        }
        return std::nullopt;
    }

    // --MM, --MM-DD, --MMDD, --DDD; lenient also --W-D.
    std::optional<DateFields> readTwoHyphens(const DigitRun& run) {
        const std::int64_t s = static_cast<std::int64_t>(run.value);
        if (run.count == 0) {
            if (strict_ || at(0) != 'W' || at(1) != '-' || !isDigit(at(2))) return std::nullopt;
            pos_ += 2;
            return dayOfThisWeek();
        }
        if (run.count == 2 || (!strict_ && run.count == 1)) {
            std::int64_t day = 1;
            if (take('-'))
                day = isDigit(at(0)) ? static_cast<std::int64_t>(readDigits(2).value) : 0;
            return calendarDate(today_.year, s, day);
        }
        if (run.count == 3) return ordinalOfYear(today_.year, run.value);
        if (run.count == 4) return calendarDate(today_.year, s / 100, s % 100);
        return std::nullopt;
    }

    // ---DD; also three digits after three or more hyphens as a day of this year.
    std::optional<DateFields> readManyHyphens(std::size_t hyphens, const DigitRun& run) {
        if (run.count == 3) return ordinalOfYear(today_.year, run.value);
        if (hyphens > 3) return std::nullopt;
        if (run.count != 2 && (strict_ || run.count != 1)) return std::nullopt;
        return calendarDate(today_.year, today_.month, static_cast<std::int64_t>(run.value));
    }

    // After a "W": the week number, an optional "-" and the day of the week.
    std::optional<DateFields> readWeek(std::int64_t year) {
        if (!isDigit(at(0))) {
            if (strict_) return std::nullopt;
            return calendarDate(year, 1, 1);
        }
        const std::int64_t week = static_cast<std::int64_t>(readDigits(2).value);
        take('-');
        std::int64_t day = 1;
        if (isDigit(at(0))) day = static_cast<std::int64_t>(readDigits(2).value);
        return weekDate(year, week, day);
    }

    // -W-D: day D of the ISO week that holds today.
    std::optional<DateFields> dayOfThisWeek() {
        const std::int64_t day = static_cast<std::int64_t>(readDigits(2).value);
        const detail::WeekDate thisWeek =
            detail::isoWeekDate(detail::daysFromCivil(today_.year, today_.month, today_.day));
        return weekDate(thisWeek.year, thisWeek.week, day);
    }

    bool readTime(TimeOfDay& time) {
        time.hour = static_cast<std::int64_t>(readDigits(2).value);
        if (!takeSeparator()) return true;
        if (separatorIsCommaOrPoint_) {
            if (isDigit(at(0))) time.minute = static_cast<std::int64_t>(readDigits(2).value);
            if (takeSeparator() && isDigit(at(0))) {
                time.second = static_cast<std::int64_t>(readDigits(2).value);
            }
            return true;
        }
        const Decimal minute = readDecimal();
        if (minute.whole.tooLarge()) return false;
        time.minute = static_cast<std::int64_t>(minute.whole.value);
        if (minute.fraction > DBL_EPSILON) {
            time.second = static_cast<std::int64_t>(minute.fraction * 60.0);
        } else if (takeSeparator()) {
            const Decimal second = readDecimal();
            if (second.whole.tooLarge()) return false;
            time.second = static_cast<std::int64_t>(second.whole.value);
        }
        return true;
    }

    // Seconds east of UTC, or nothing for local time.
    std::optional<std::int64_t> readZone() {
        if (take('Z')) return 0;
        if (at(0) != '+' && at(0) != '-') return std::nullopt;
        const std::int64_t sign = at(0) == '-' ? -1 : 1;
        ++pos_;
        if (!isDigit(at(0))) return std::nullopt;
        const std::int64_t hours = static_cast<std::int64_t>(readDigits(2).value);
        takeSeparator();
        std::int64_t minutes = 0;
        if (isDigit(at(0))) minutes = static_cast<std::int64_t>(readDigits(2).value);
        return sign * (hours * 3600 + minutes * 60);
    }

    static std::optional<Instant> build(const DateFields& date, const TimeOfDay& time,
                                        std::optional<std::int64_t> offset) {
        const std::optional<std::int64_t> days = dayNumber(date);
        if (!days || *days > dayLimit || *days < -dayLimit) return std::nullopt;
        const std::int64_t wallClock =
            *days * 86400 + time.hour * 3600 + time.minute * 60 + time.second;
        if (offset) return Instant(std::chrono::seconds(wallClock - *offset));
        return detail::instantFromLocal(wallClock);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    bool strict_;
    CivilDate today_;
    std::string separator_;
    bool separatorIsCommaOrPoint_ = false;
};

}  // namespace

std::optional<Instant> dateWithString(std::string_view text, bool strictly, char16_t timeSeparator,
                                      Range* range) {
    if (range != nullptr) *range = Range{};
    const std::optional<CivilDate> today = detail::localDate(currentInstant());
    if (!today) return std::nullopt;
    return Parser(text, strictly, timeSeparator, *today).parse(range);
}

std::optional<Instant> dateWithString(std::string_view text, bool strictly, Range* range) {
    return dateWithString(text, strictly, defaultParsingTimeSeparator, range);
}

std::optional<Instant> dateWithString(std::string_view text, char16_t timeSeparator, Range* range) {
    return dateWithString(text, false, timeSeparator, range);
}

std::optional<Instant> dateWithString(std::string_view text, char timeSeparator, Range* range) {
    return dateWithString(text, false,
                          static_cast<char16_t>(static_cast<unsigned char>(timeSeparator)), range);
}

std::optional<Instant> dateWithString(std::string_view text, Range* range) {
    return dateWithString(text, false, defaultParsingTimeSeparator, range);
}

}  // namespace penshelf::soap
