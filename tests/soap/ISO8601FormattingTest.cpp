#include "soap/ISO8601Formatting.h"

#include "soap/SoapTestSupport.h"

#include <gtest/gtest.h>

using namespace penshelf::soap;
using namespace penshelf::test;

TEST(ISO8601Writing, CalendarDatesInUtc) {
    // The local zone plays no part in writing.
    const ScopedEnv zone("TZ", "JST-9");
    EXPECT_EQ(ISO8601DateString(utc(2009, 1, 2, 12)), "2009-01-02T12:00:00Z");
    EXPECT_EQ(ISO8601DateStringWithTime(utc(2009, 1, 2, 12), false), "2009-01-02");
    EXPECT_EQ(ISO8601DateStringWithTime(utc(2009, 1, 2, 23, 59, 59), true), "2009-01-02T23:59:59Z");
    EXPECT_EQ(ISO8601DateString(utc(1969, 12, 31, 23, 0, 1)), "1969-12-31T23:00:01Z");
    EXPECT_EQ(ISO8601DateString(utc(33, 3, 4, 5, 6, 7)), "0033-03-04T05:06:07Z");
    EXPECT_EQ(ISO8601DateString(utc(12345, 6, 7)), "12345-06-07T00:00:00Z");
}

TEST(ISO8601Writing, WeekDatesUseTheWeekNumberingYear) {
    EXPECT_EQ(ISO8601WeekDateString(utc(2010, 1, 3, 10)), "2009-W53-07T10:00:00Z");
    EXPECT_EQ(ISO8601WeekDateStringWithTime(utc(2008, 12, 31), false), "2009-W01-03");
    EXPECT_EQ(ISO8601WeekDateStringWithTime(utc(2008, 12, 28), false), "2008-W52-07");
    EXPECT_EQ(ISO8601WeekDateStringWithTime(utc(2021, 1, 1), false), "2020-W53-05");
    EXPECT_EQ(ISO8601WeekDateStringWithTime(utc(2024, 6, 15), false), "2024-W24-06");
    EXPECT_EQ(ISO8601WeekDateStringWithTime(utc(33, 1, 1), false), "32-W53-06");
}

TEST(ISO8601Writing, OrdinalDates) {
    EXPECT_EQ(ISO8601OrdinalDateString(utc(2009, 2, 1, 8, 9, 10)), "2009-032T08:09:10Z");
    EXPECT_EQ(ISO8601OrdinalDateStringWithTime(utc(2008, 12, 31), false), "2008-366");
    EXPECT_EQ(ISO8601OrdinalDateStringWithTime(utc(2009, 12, 31), false), "2009-365");
    EXPECT_EQ(ISO8601OrdinalDateStringWithTime(utc(2009, 1, 1), false), "2009-001");
}

TEST(ISO8601Writing, TimeSeparators) {
    const Instant noon = utc(2009, 1, 2, 12, 30, 45);
    EXPECT_EQ(ISO8601DateStringWithTimeSeparator(noon, u'.'), "2009-01-02T12.30.45Z");
    EXPECT_EQ(ISO8601WeekDateStringWithTimeSeparator(noon, u'-'), "2009-W01-05T12-30-45Z");
    EXPECT_EQ(ISO8601OrdinalDateStringWithTimeSeparator(noon, u'·'), "2009-002T12·30·45Z");
    EXPECT_EQ(ISO8601DateStringWithTime(noon, false, u'.'), "2009-01-02");
    EXPECT_EQ(ISO8601OrdinalDateStringWithTime(noon, true, u':'), "2009-002T12:30:45Z");
    // Letters and apostrophes mean something in a pattern, yet come out as themselves.
    EXPECT_EQ(ISO8601DateStringWithTimeSeparator(noon, u'h'), "2009-01-02T12h30h45Z");
    EXPECT_EQ(ISO8601DateStringWithTimeSeparator(noon, u'm'), "2009-01-02T12m30m45Z");
    EXPECT_EQ(ISO8601DateStringWithTimeSeparator(noon, u'\''), "2009-01-02T12'30'45Z");
}

TEST(ISO8601Writing, PrepareDateFormatReplacesColons) {
    EXPECT_EQ(prepareDateFormatWithTimeSeparator("yyyy-MM-dd'T'HH:mm:ss", u':'),
              "yyyy-MM-dd'T'HH:mm:ss");
    EXPECT_EQ(prepareDateFormatWithTimeSeparator("HH:mm:ss", u'.'), "HH.mm.ss");
    EXPECT_EQ(prepareDateFormatWithTimeSeparator("HH:mm", u'h'), "HH'h'mm");
    EXPECT_EQ(prepareDateFormatWithTimeSeparator("'a:b'", u'h'), "'ahb'");
    EXPECT_EQ(prepareDateFormatWithTimeSeparator("HH:mm", u'\''), "HH''mm");
    EXPECT_EQ(prepareDateFormatWithTimeSeparator("no colon", u'.'), "no colon");
}
