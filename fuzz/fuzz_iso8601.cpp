// libFuzzer target: the ISO 8601 reader in strict and lenient mode. The first byte chooses the
// mode and the time separator, the rest is the text, kept in a buffer of exactly its size.
// Aborts when a consumed range leaves the text or an accepted date does not survive being
// written and read back.
#include "soap/CurrentTime.h"
#include "soap/DebugLog.h"
#include "soap/ISO8601Formatting.h"
#include "soap/ISO8601Parsing.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

using namespace penshelf::soap;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A fixed zone with summer time and a fixed today keep every run reproducible.
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    setCurrentInstantSource([] { return Instant(std::chrono::seconds(1718445600)); });
    setDebugLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool strict = (data[0] & 1) != 0;
    static constexpr char16_t separators[] = {u':', u'.', u',', u'-', u'h', u'\'', u'·', u'T'};
    const char16_t separator = separators[(data[0] >> 1) & 7];

    const std::size_t length = size - 1;
    auto buffer = std::make_unique<char[]>(length == 0 ? 1 : length);
    if (length != 0) std::memcpy(buffer.get(), data + 1, length);
    const std::string_view text(buffer.get(), length);

    Range range{1, 1};
    const std::optional<Instant> date = dateWithString(text, strict, separator, &range);
    if (!date) {
        if (range != Range{notFound, 0}) std::abort();
        return 0;
    }
    if (range.location > length || range.length > length - range.location) std::abort();
    if (range.length == 0) std::abort();

    // Writing never fails; dates in years 1 to 9999 read back to the same instant (week dates
    // only from year 1001 on: the week form writes shorter years without padding).
    const std::string calendar = ISO8601DateString(*date);
    const std::string week = ISO8601WeekDateStringWithTime(*date, true, separator);
    const std::string ordinal = ISO8601OrdinalDateStringWithTime(*date, false);
    if (calendar.empty() || week.empty() || ordinal.empty()) std::abort();
    using namespace std::chrono;
    if (*date >= sys_days(year(1) / 1 / 1) && *date < sys_days(year(10000) / 1 / 1)) {
        if (dateWithString(calendar, true) != date) std::abort();
    }
    if (*date >= sys_days(year(1001) / 1 / 1) && *date < sys_days(year(9999) / 1 / 1)) {
        if (dateWithString(ISO8601WeekDateString(*date), true) != date) std::abort();
    }
    return 0;
}
