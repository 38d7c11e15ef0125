// Inputs the fuzzers turned up, kept so they stay handled.
#include "soap/ISO8601Formatting.h"
#include "soap/ISO8601Parsing.h"

#include "soap/SoapTestSupport.h"

#include <gtest/gtest.h>

using namespace penshelf::soap;
using namespace penshelf::test;

// A month of 98 and a day of 47935861 roll over 131 millennia, past the years that
// std::chrono::year can hold; reading and writing must still agree on the date.
TEST(FuzzRegression, DayRollOverFarPastTheChronoYearRange) {
    ScopedEnv zone("TZ", kTestZone);
    FixedNow now(utc(2024, 6, 15, 10));
    Range range;
    const std::optional<Instant> date = dateWithString(
        "-4098-47935861\xCD"
        "8-95030",
        &range);
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(range, (Range{0, 14}));
    EXPECT_EQ(ISO8601DateString(*date), "133292-01-04T23:00:00Z");
    EXPECT_EQ(ISO8601WeekDateString(*date), "133292-W01-05T23:00:00Z");
    EXPECT_EQ(ISO8601OrdinalDateStringWithTime(*date, false), "133292-004");
}
