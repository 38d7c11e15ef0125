// Reading and writing ISO 8601 dates.
#include "soap/ISO8601Formatting.h"
#include "soap/ISO8601Parsing.h"

#include "soap/SoapTestSupport.h"

#include <gtest/gtest.h>

using namespace penshelf::soap;
using namespace penshelf::test;

namespace {

// Today is Saturday 15 June 2024, 12:00 local summer time (ISO week 2024-W24).
class ISO8601Reading : public ::testing::Test {
  protected:
    ScopedEnv zone_{"TZ", testZone};
    FixedNow now_{utc(2024, 6, 15, 10)};
};

using Expected = std::optional<Instant>;
const Expected fails = std::nullopt;

struct Form {
    const char* text;
    Expected lenient;
    Expected strict;
    size_t length;  // of the consumed range, when accepted
};

void expectForm(const Form& form) {
    for (const bool strict : {false, true}) {
        SCOPED_TRACE(std::string(strict ? "strict " : "lenient ") + form.text);
        Range range{99, 99};
        const Expected got = dateWithString(form.text, strict, &range);
        const Expected& want = strict ? form.strict : form.lenient;
        EXPECT_EQ(got ? ISO8601DateString(*got) : "fails",
                  want ? ISO8601DateString(*want) : "fails");
        EXPECT_EQ(range, (want ? Range{0, form.length} : Range{notFound, 0}));
    }
}

}  // namespace

TEST_F(ISO8601Reading, FormsInBothModes) {
    const Form forms[] = {
        // Calendar and ordinal dates, full and compact.
        {"2009-01-02", cet(2009, 1, 2), cet(2009, 1, 2), 10},
        {"2009-01", cet(2009, 1, 1), cet(2009, 1, 1), 7},
        {"2009-", cet(2009, 1, 1), cet(2009, 1, 1), 5},
        {"2009-0102", cet(2009, 1, 2), cet(2009, 1, 2), 9},
        {"200901-02", cest(2020, 9, 1), cest(2020, 9, 1), 6},
        {"20090102", cet(2009, 1, 2), cet(2009, 1, 2), 8},
        {"2009-366", cet(2010, 1, 1), fails, 8},
        // Two-digit years; two digits alone are a century, completed with this year's last two.
        {"09-03-04", cet(2009, 3, 4), cet(2009, 3, 4), 8},
        {"09-3", cet(2009, 3, 1), fails, 4},
        {"09-032", cet(2009, 2, 1), cet(2009, 2, 1), 6},
        {"9-03-04", cet(2009, 3, 4), fails, 7},
        {"20", cet(2024, 1, 1), cet(2024, 1, 1), 2},
        {"09-12345", cet(924, 1, 1), cet(924, 1, 1), 8},
        // Truncated forms take the rest from today.
        {"-09-03", cet(2009, 3, 1), cet(2009, 3, 1), 6},
        {"-09-", cet(2008, 12, 1), cet(2008, 12, 1), 4},
        {"-9-03", cet(2029, 3, 1), fails, 5},
        {"-032", cet(2024, 2, 1), cet(2024, 2, 1), 4},
        {"-367", cet(2025, 1, 1), fails, 4},
        {"--03-", cet(2024, 2, 29), cet(2024, 2, 29), 5},
        {"--3-4", cet(2024, 3, 4), fails, 5},
        {"---05", cest(2024, 6, 5), cest(2024, 6, 5), 5},
        {"----032", cet(2024, 2, 1), cet(2024, 2, 1), 7},
        // Calendar fields roll over.
        {"2009-13-01", cet(2010, 1, 1), cet(2010, 1, 1), 10},
        // Week dates.
        {"2009-W01-1", cet(2008, 12, 29), cet(2008, 12, 29), 10},
        {"2009-W", cet(2009, 1, 1), fails, 6},
        {"09-W02", cet(2009, 1, 5), cet(2009, 1, 5), 6},
        {"09W02-3", cet(2009, 1, 7), cet(2009, 1, 7), 7},
        {"-W05", cet(2024, 1, 29), cet(2024, 1, 29), 4},
        {"-W", fails, fails, 0},
        // A day of the week alone is that day of the current week.
        {"-W-3", cest(2024, 6, 12), cest(2024, 6, 12), 4},
        // Weeks and days roll over.
        {"2010-W53-1", cet(2011, 1, 3), cet(2011, 1, 3), 10},
        {"2009-W00-7", cet(2008, 12, 28), cet(2008, 12, 28), 10},
        // Times and zones.
        // Without a separator after the hour only the hour is read; the zone is never reached.
        {"20090102T120000Z", cet(2009, 1, 2, 12), cet(2009, 1, 2, 12), 11},
        {"2009-01-02T12:30:30+05:30", utc(2009, 1, 2, 7, 0, 30), utc(2009, 1, 2, 7, 0, 30), 25},
        {"2009-01-02T12:00:00-0130", utc(2009, 1, 2, 13, 30), utc(2009, 1, 2, 13, 30), 24},
        {"2009-01-02T12:00:00+", cet(2009, 1, 2, 12), cet(2009, 1, 2, 12), 20},
        // A zone is read only after a time of day.
        {"2009-01-02Z", cet(2009, 1, 2), cet(2009, 1, 2), 10},
        {"2009-01-02T", cet(2009, 1, 2), cet(2009, 1, 2), 11},
        // Fractions: of a minute they give seconds; of a second they are dropped.
        {"T12:30,25Z", utc(2024, 6, 15, 12, 30, 15), utc(2024, 6, 15, 12, 30, 15), 10},
        {"2009-01-02T12:00:00.75Z", utc(2009, 1, 2, 12), utc(2009, 1, 2, 12), 23},
        {"2009-01-02T12:30.9999999999999999999999Z", utc(2009, 1, 2, 12, 30, 59),
         utc(2009, 1, 2, 12, 30, 59), 40},
        {"T1:2:3Z", utc(2024, 6, 15, 1, 2, 3), utc(2024, 6, 15, 1, 2, 3), 7},
        // Out-of-range times roll over.
        {"2009-01-02T25:61:61Z", utc(2009, 1, 3, 2, 2, 1), utc(2009, 1, 3, 2, 2, 1), 20},
    };
    for (const Form& form : forms) expectForm(form);
    // Forms outside the table fail.
    for (const char* text :
         {"", "12345", "123456789", "123", "----05", "-123456", "-12345", "--12345", "---1234",
          "xyz", "W01", "-Wx", "T", "Tx", "T:", "+2009", "\x80"}) {
        expectForm({text, fails, fails, 0});
    }
    // Strict mode reads one digit after a hyphen as the year of this decade, before a week;
    // lenient mode as the year with January.
    Range range;
    EXPECT_EQ(dateWithString("-4W02", true, &range), cet(2024, 1, 8));
    EXPECT_EQ(range, (Range{0, 5}));
    EXPECT_EQ(dateWithString("-4W02", false, &range), cet(2024, 1, 1));
    EXPECT_EQ(range, (Range{0, 2}));
}

TEST_F(ISO8601Reading, TimeSeparatorsAndWhiteSpace) {
    Range range;
    EXPECT_EQ(dateWithString("T12.30.15", '.', &range), cest(2024, 6, 15, 12, 30, 15));
    EXPECT_EQ(range, (Range{0, 9}));
    EXPECT_EQ(dateWithString("T12..Z", u'.'), utc(2024, 6, 15, 12));
    EXPECT_EQ(dateWithString("2009-01-02T12-30-15Z", '-'), utc(2009, 1, 2, 12, 30, 15));
    EXPECT_EQ(dateWithString("2009-01-02T12·30·15Z", u'·'), utc(2009, 1, 2, 12, 30, 15));
    // Strict mode always uses ":".
    EXPECT_EQ(dateWithString("T12.30.15", true, u'.', &range), cest(2024, 6, 15, 12));
    EXPECT_EQ(range, (Range{0, 3}));
    EXPECT_EQ(dateWithString("T12:30", true, u'.', &range), cest(2024, 6, 15, 12, 30));
    // Lenient mode skips leading white space.
    EXPECT_EQ(dateWithString("  2009-01-02", &range), cet(2009, 1, 2));
    EXPECT_EQ(range, (Range{2, 10}));
    EXPECT_EQ(dateWithString("\t\n\v\f\r 2009 rest", false, &range), cet(2009, 1, 1));
    // The one white-space character after a date is taken as the start of a time.
    EXPECT_EQ(range, (Range{6, 5}));
    EXPECT_EQ(dateWithString("  2009-01-02", true, &range), std::nullopt);
    EXPECT_EQ(range, (Range{notFound, 0}));
}

TEST_F(ISO8601Reading, WeekDatesAcrossYearBoundaries) {
    // Every day from 1999 to 2031, written as a week date and read back.
    for (Instant day = utc(1999, 1, 1, 12, 34, 56); day < utc(2032, 1, 1);
         day += std::chrono::days(1)) {
        const std::string week = ISO8601WeekDateString(day);
        ASSERT_EQ(dateWithString(week, true), day) << week;
        const std::string ordinal = ISO8601OrdinalDateString(day);
        ASSERT_EQ(dateWithString(ordinal, true), day) << ordinal;
        ASSERT_EQ(dateWithString(ISO8601DateString(day), true), day);
    }
    // The Monday of week 1 in year 0, whose 1 January is a Saturday.
    EXPECT_EQ(dateWithString("0000-W01-1T00:00Z"), utc(0, 1, 3));
    EXPECT_EQ(dateWithString("0001-W01-1T00:00Z"), utc(1, 1, 1));
}

TEST_F(ISO8601Reading, TodayIsTheLocalDate) {
    {
        // 23:30 UTC on 14 June is already 15 June here.
        FixedNow lateEvening(utc(2024, 6, 14, 23, 30));
        EXPECT_EQ(dateWithString("T08"), cest(2024, 6, 15, 8));
    }
    {
        FixedNow newYear(utc(2024, 12, 31, 23, 30));
        EXPECT_EQ(dateWithString("---05"), cet(2025, 1, 5));
        EXPECT_EQ(dateWithString("-W-1"), cet(2024, 12, 30));
    }
    ScopedEnv tokyo("TZ", "JST-9");
    EXPECT_EQ(dateWithString("T08"), utc(2024, 6, 14, 23));
}

TEST_F(ISO8601Reading, WritesDebugLinesForTruncatedYearsOnly) {
    CapturedLog log;
    EXPECT_TRUE(dateWithString("-09-03"));
    EXPECT_TRUE(dateWithString("2009-01-02T12:00:00Z"));
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"(-09-03) found 2 digits and one hyphen, so this is "
                                        "either -YY or -YY-MM; segment (year) is 9",
                                        "(-09-03) month is 3"}));
}

TEST_F(ISO8601Reading, LongDigitRunsNeverWrapAround) {
    for (const std::string& text :
         std::vector<std::string>{"2009-01-99999999999999999999", "2009-01-18446744073709551617",
                                  "-0903-99999999999999999999", "T12:99999999999999999999999",
                                  "T12:30:18446744073709551616Z", std::string(1000, '1')}) {
        EXPECT_EQ(dateWithString(text), std::nullopt) << text;
    }
    EXPECT_EQ(dateWithString("2009-01-0000000000000000000000002"), cet(2009, 1, 2));
    EXPECT_EQ(dateWithString("T12:0000000000000000000000030Z"), utc(2024, 6, 15, 12, 30));
}

TEST(ISO8601Writing, TheThreeFormsInUtcWithAnyTimeSeparator) {
    // The local zone plays no part in writing.
    const ScopedEnv zone("TZ", "JST-9");
    EXPECT_EQ(ISO8601DateString(utc(2009, 1, 2, 12)), "2009-01-02T12:00:00Z");
    EXPECT_EQ(ISO8601DateString(utc(1969, 12, 31, 23, 0, 1)), "1969-12-31T23:00:01Z");
    EXPECT_EQ(ISO8601DateString(utc(33, 3, 4, 5, 6, 7)), "0033-03-04T05:06:07Z");
    EXPECT_EQ(ISO8601DateString(utc(12345, 6, 7)), "12345-06-07T00:00:00Z");
    // Week dates use the week-numbering year.
    EXPECT_EQ(ISO8601WeekDateString(utc(2010, 1, 3, 10)), "2009-W53-07T10:00:00Z");
    EXPECT_EQ(ISO8601WeekDateStringWithTime(utc(2008, 12, 31), false), "2009-W01-03");
    EXPECT_EQ(ISO8601WeekDateStringWithTime(utc(33, 1, 1), false), "32-W53-06");
    EXPECT_EQ(ISO8601OrdinalDateString(utc(2009, 2, 1, 8, 9, 10)), "2009-032T08:09:10Z");
    EXPECT_EQ(ISO8601OrdinalDateStringWithTime(utc(2008, 12, 31), false), "2008-366");
    // Any time separator.
    const Instant noon = utc(2009, 1, 2, 12, 30, 45);
    EXPECT_EQ(ISO8601DateStringWithTimeSeparator(noon, u'.'), "2009-01-02T12.30.45Z");
    EXPECT_EQ(ISO8601WeekDateStringWithTimeSeparator(noon, u'-'), "2009-W01-05T12-30-45Z");
    EXPECT_EQ(ISO8601OrdinalDateStringWithTimeSeparator(noon, u'·'), "2009-002T12·30·45Z");
    EXPECT_EQ(ISO8601DateStringWithTime(noon, false, u'.'), "2009-01-02");
    // Letters and apostrophes mean something in a pattern, yet come out as themselves.
    EXPECT_EQ(ISO8601DateStringWithTimeSeparator(noon, u'h'), "2009-01-02T12h30h45Z");
    EXPECT_EQ(ISO8601DateStringWithTimeSeparator(noon, u'\''), "2009-01-02T12'30'45Z");
}
