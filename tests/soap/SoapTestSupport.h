#pragma once
// Helpers for the SOAP codec tests: XML documents, instants, a fixed "now", captured log lines.

#include "soap/CurrentTime.h"
#include "soap/DebugLog.h"
#include "soap/Types.h"
#include "support/ScopedEnv.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace penshelf::test {

using XmlDocument = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

inline XmlDocument parseXml(const std::string& text) {
    return XmlDocument(xmlReadMemory(text.data(), static_cast<int>(text.size()), "test.xml",
                                     "UTF-8", XML_PARSE_NONET),
                       xmlFreeDoc);
}

inline xmlNode* rootOf(const XmlDocument& doc) {
    return xmlDocGetRootElement(doc.get());
}

// A document with an empty root element that declares the prefix "tns".
inline XmlDocument emptyDocument() {
    return parseXml("<root xmlns:tns=\"urn:PagorFunc\"/>");
}

// The instant of a UTC wall-clock time.
inline soap::Instant utc(int y, unsigned m, unsigned d, int h = 0, int min = 0, int s = 0) {
    using namespace std::chrono;
    return sys_days(year(y) / month(m) / day(d)) + hours(h) + minutes(min) + seconds(s);
}

// The zone the date tests run in: Central European Time with its summer time, as a POSIX rule so
// that it needs no time-zone database.
inline constexpr const char* testZone = "CET-1CEST,M3.5.0,M10.5.0/3";

// Winter (CET, UTC+1) and summer (CEST, UTC+2) wall-clock times in that zone.
inline soap::Instant cet(auto... fields) {
    return utc(fields...) - std::chrono::hours(1);
}
inline soap::Instant cest(auto... fields) {
    return utc(fields...) - std::chrono::hours(2);
}

// Makes currentInstant() return a fixed instant for the lifetime of the object.
class FixedNow {
  public:
    explicit FixedNow(soap::Instant now)
        : previous_(soap::setCurrentInstantSource([now] { return now; })) {}
    ~FixedNow() { soap::setCurrentInstantSource(previous_); }
    FixedNow(const FixedNow&) = delete;
    FixedNow& operator=(const FixedNow&) = delete;

  private:
    std::function<soap::Instant()> previous_;
};

// Collects the debug log lines written during its lifetime.
class CapturedLog {
  public:
    CapturedLog()
        : previous_(
              soap::setDebugLogSink([this](const std::string& line) { lines_.push_back(line); })) {}
    ~CapturedLog() { soap::setDebugLogSink(previous_); }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    const std::vector<std::string>& lines() const { return lines_; }

  private:
    std::vector<std::string> lines_;
    soap::DebugLogSink previous_;
};

}  // namespace penshelf::test
