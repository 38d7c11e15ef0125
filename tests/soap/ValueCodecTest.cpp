// The values as they travel in XML: escaped strings, numbers, booleans, base64 data, dates and
// faults; and reading and writing ISO 8601 dates.
#include "soap/Base64.h"
#include "soap/ISO8601Formatting.h"
#include "soap/ISO8601Parsing.h"
#include "soap/SOAPFault.h"
#include "soap/USAdditions.h"
#include "soap/XmlEscape.h"

#include "soap/SoapTestSupport.h"

#include <gmock/gmock.h>

#include <cmath>
#include <random>
#include <stdexcept>

using namespace penshelf::soap;
using namespace penshelf::test;

namespace {

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// Attaches the node to the document's root and returns how it is written.
std::string written(const XmlDocument& doc, xmlNode* node) {
    EXPECT_NE(node, nullptr);
    EXPECT_EQ(node->parent, nullptr) << "a new element must not be attached yet";
    xmlAddChild(rootOf(doc), node);
    xmlBuffer* buffer = xmlBufferCreate();
    xmlNodeDump(buffer, doc.get(), node, 0, 0);
    std::string text(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                     static_cast<size_t>(xmlBufferLength(buffer)));
    xmlBufferFree(buffer);
    return text;
}

// What the codec of T reads from the root element of a one-element document.
template <class T>
auto read(const std::string& xml) {
    const XmlDocument doc = parseXml(xml);
    return USAdditions<T>::deserializeNode(rootOf(doc));
}

// Writes the value as the element "v", checks how it is written and reads it back.
template <class T>
void expectTravels(const T& value, const std::string& xml) {
    const XmlDocument doc = emptyDocument();
    xmlNode* node = USAdditions<T>::xmlNodeForDoc(value, doc.get(), "v");
    EXPECT_EQ(written(doc, node), xml);
    EXPECT_EQ(USAdditions<T>::deserializeNode(node), value) << xml;
}

const std::string trace =
    "System.Web.Services.Protocols.SoapException: Server was unable to process request.\n"
    "   at PagorFunc.getproxyurl(String strcid, Int32 ntype)\n"
    "   at System.Web.Services.Protocols.LogicalMethodInfo.Invoke()";

// Today is Saturday 15 June 2024, 12:00 local summer time (ISO week 2024-W24).
class ISO8601Reading : public ::testing::Test {
  protected:
    ScopedEnv zone_{"TZ", testZone};
    FixedNow now_{utc(2024, 6, 15, 10)};
};

using Expected = std::optional<Instant>;
const Expected fails = std::nullopt;

struct Form {
    std::string text;
    Expected date;
    size_t length;  // of the consumed range, when accepted
    bool strictToo = true;
    size_t start = 0;
};
const bool lenientOnly = false;

void expectForm(const Form& form) {
    for (const bool strict : {false, true}) {
        SCOPED_TRACE(std::string(strict ? "strict " : "lenient ") + form.text);
        Range range{99, 99};
        const Expected got =
            strict ? dateWithString(form.text, true, &range) : dateWithString(form.text, &range);
        const Expected want = strict && !form.strictToo ? fails : form.date;
        EXPECT_EQ(got ? ISO8601DateString(*got) : "fails",
                  want ? ISO8601DateString(*want) : "fails");
        EXPECT_EQ(range, (want ? Range{form.start, form.length} : Range{notFound, 0}));
    }
}

}  // namespace

TEST(XmlStrings, EscapeTheFiveReferencesInOnePassAndTravelEscapedOnce) {
    for (const auto& [text, escaped] : std::vector<std::pair<std::string, std::string>>{
             {"", ""},
             {"<>&\"'", "&lt;&gt;&amp;&quot;&apos;"},
             {"line\nbreak\ttab", "line\nbreak\ttab"},
             {"小栗莓点读笔 <1>", "小栗莓点读笔 &lt;1&gt;"},
             // An existing reference is text like any other: its "&" is escaped, and the "&" that
             // unescaping gives is not read again as the start of a reference.
             {"&lt;", "&amp;lt;"},
             {std::string("nul\0inside", 10), std::string("nul\0inside", 10)}}) {
        EXPECT_EQ(stringByEscapingXML(text), escaped) << text;
        EXPECT_EQ(stringByUnescapingXML(escaped), text) << escaped;
    }
    // Unescaping knows the five names only, complete with their semicolon.
    for (const char* text : {"&#38;", "&#x3C;", "&nbsp;&LT;&lt", "&&", "&&&;;;"}) {
        EXPECT_EQ(stringByUnescapingXML(text), text);
    }
    EXPECT_EQ(stringByUnescapingXML("&&lt;&"), "&<&");

    auto doc = emptyDocument();
    const auto write = [&](const std::optional<std::string>& prefix) {
        return written(doc,
                       USAdditions<std::string>::xmlNodeForDoc("&#38;", doc.get(), "p", prefix));
    };
    EXPECT_EQ(write(std::nullopt), "<p>&amp;#38;</p>");
    EXPECT_EQ(write("tns"), "<tns:p>&amp;#38;</tns:p>");
    EXPECT_EQ(write(""), "<p>&amp;#38;</p>");

    // The parser decodes the wire text once and the reader unescapes it once more; child elements
    // are no part of the text.
    for (const auto& [xml, text] : std::vector<std::pair<const char*, std::optional<std::string>>>{
             {"<r>a&amp;amp;b &#38;lt;</r>", "a&b <"},
             {"<r>a<b>inner</b>c<![CDATA[<d>&amp;]]></r>", "ac<d>&"},
             {"<r><b>inner</b></r>", std::nullopt}}) {
        EXPECT_EQ(read<std::string>(xml), text) << xml;
    }
}

TEST(ValueCodecs, NumbersBooleansDataAndDatesTravelInTheirOwnForms) {
    const std::pair<double, const char*> forms[] = {
        {2, "<v>2</v>"},           {-3.25, "<v>-3.25</v>"},
        {0.1, "<v>0.1</v>"},       {123456789012.0, "<v>123456789012</v>"},
        {1e-300, "<v>1e-300</v>"}, {2.0 / 3.0, "<v>0.6666666666666666</v>"}};
    for (const auto& [value, xml] : forms) expectTravels(value, xml);

    const std::pair<const char*, double> cases[] = {
        {"<n>12abc</n>", 12},    {"<n>abc</n>", 0},         {"<n>  -3.5e2xyz</n>", -350},
        {"<n>.5</n>", 0.5},      {"<n>+7.</n>", 7},         {"<n>1e</n>", 1},
        {"<n>0x10</n>", 0},      {"<n>inf</n>", 0},         {"<n>-</n>", 0},
        {"<n>2.5E-1</n>", 0.25}, {"<n>1e999</n>", HUGE_VAL}};
    for (const auto& [xml, number] : cases) {
        EXPECT_EQ(read<double>(xml), number) << xml;
    }

    EXPECT_EQ(read<USBoolean>("<b>true</b>"), USBoolean(true));
    EXPECT_EQ(read<USBoolean>("<b>false</b>"), USBoolean(false));
    for (const char* xml : {"<b> true</b>", "<b>true </b>", "<b>TRUE</b>", "<b>1</b>", "<b>0</b>",
                            "<b>yes</b>", "<b></b>"}) {
        EXPECT_EQ(read<USBoolean>(xml), std::nullopt) << xml;
    }

    ScopedEnv zone("TZ", testZone);
    expectTravels(Bytes{'A', 'B', 'C', 0x00, 0xFF}, "<v>QUJDAP8=</v>");
    expectTravels(utc(2009, 1, 2, 12), "<v>2009-01-02T12:00:00Z</v>");
    // Dates are read leniently: leading white space is allowed; text that is no date, or none, is
    // absent like data that is no base64.
    EXPECT_EQ(read<Instant>("<d> 2009-01-02 12:00:00Z</d>"), utc(2009, 1, 2, 12));
    for (const char* xml : {"<d>tomorrow</d>", "<d/>"}) EXPECT_EQ(read<Instant>(xml), std::nullopt);
    for (const char* xml : {"<d>QUJD-</d>", "<d/>"}) EXPECT_EQ(read<Bytes>(xml), std::nullopt);
}

TEST(Base64, DecodingSkipsPaddingAndWhiteSpaceAnywhereAndEncodingRoundTrips) {
    for (const auto& [text, decoded] : std::vector<std::pair<std::string, Bytes>>{
             {"QQ", bytesOf("A")},
             {"QQ==", bytesOf("A")},
             {"QR", bytesOf("A")},  // the low bits of the last character are dropped unchecked
             {"QU=JD", bytesOf("ABC")},
             {" \tQ\vU\fJ\rD ", bytesOf("ABC")},
             // Padding does not end the data: later characters go on filling groups.
             {"QQ==QQ==", Bytes{0x41, 0x04, 0x10}},
             {" = \n\t==\r\n", Bytes()},
             // A NUL ends the text.
             {std::string("QUJD\0!!!", 8), bytesOf("ABC")},
             {std::string("\0QUJD", 5), Bytes()}}) {
        EXPECT_EQ(dataWithBase64EncodedString(text), decoded) << text;
    }
    // Characters after a NUL must still be ASCII.
    for (const std::string& text : std::vector<std::string>{
             "Q", "Q===", "QUJDQ", "QUJD-", "QUJD_", "QU*D", "QUJDé", "\x80QUJD", "QUJD\x7F",
             std::string("QUJD\0\xC3\xA9", 6), std::string("QUJD\0\x80", 6)}) {
        EXPECT_EQ(dataWithBase64EncodedString(text), std::nullopt) << text;
    }
    EXPECT_THAT([] { dataWithBase64EncodedString(static_cast<const char*>(nullptr)); },
                testing::ThrowsMessage<std::invalid_argument>(
                    testing::StrEq("Error: String must not be nil")));

    EXPECT_EQ(base64Encoding(Bytes()), "");
    EXPECT_EQ(base64Encoding(bytesOf("f")), "Zg==");
    EXPECT_EQ(base64Encoding(bytesOf("fo")), "Zm8=");
    EXPECT_EQ(base64Encoding(bytesOf("\xFB\xFF\xBF")), "+/+/");
    std::mt19937 random(20240615);
    std::uniform_int_distribution<int> byte(0, 255);
    for (size_t n = 0; n <= 300; ++n) {
        Bytes data(n);
        for (auto& b : data) b = static_cast<std::uint8_t>(byte(random));
        const std::string text = base64Encoding(data).value();
        ASSERT_EQ(text.size(), 4 * ((n + 2) / 3)) << "four characters per group, on one line";
        ASSERT_EQ(dataWithBase64EncodedString(text), data) << n;
        ASSERT_EQ(dataWithBase64EncodedString(text.c_str()), data) << n;
    }
}

TEST(SOAPFault, ReadsTheFieldsOfBothSoapVersionsOnlyAndSimplifiesTheFaultString) {
    const std::pair<std::string, SOAPFault> cases[] = {
        {"<soap:Fault xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
         "<faultcode>soap:Server</faultcode><faultstring>" +
             trace +
             "</faultstring><faultactor>http://host/PagorFunc.php</faultactor>"
             "<detail>x &amp;lt; y</detail></soap:Fault>",
         {"soap:Server", trace, "http://host/PagorFunc.php", "x < y"}},
        // A later child overwrites an earlier one; an empty one is absent.
        {"<s:Fault xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\">"
         "<faultstring>first</faultstring><!-- note --><faultstring>second</faultstring>"
         "<faultcode/></s:Fault>",
         {std::nullopt, "second", std::nullopt, std::nullopt}},
        // SOAP 1.2: the reason's texts run together and are decoded by the parser only.
        {"<env:Fault xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\">"
         "<env:Code><env:Subcode><env:Value>m:Inner</env:Value></env:Subcode>"
         "<env:Value>env:Sender</env:Value><env:Value>env:Later</env:Value></env:Code>"
         "<env:Reason><env:Text xml:lang=\"en\">Bad &amp;lt;id&gt;. </env:Text>"
         "<env:Text xml:lang=\"zh\">错误</env:Text></env:Reason>"
         "<env:Node>http://node</env:Node>"
         "<env:Detail>inside<e:x xmlns:e=\"urn:e\">deeper</e:x></env:Detail></env:Fault>",
         {"env:Sender", "Bad &lt;id>. 错误", "http://node", "inside"}},
        // Other namespaces give an empty record.
        {"<Fault><faultcode>c</faultcode><faultstring>s</faultstring></Fault>", {}},
        {"<Fault xmlns=\"http://schemas.xmlsoap.org/soap/envelope\"><faultcode>c</faultcode>"
         "</Fault>",
         {}}};
    for (const auto& [xml, fault] : cases) {
        const XmlDocument doc = parseXml(xml);
        ASSERT_NE(doc, nullptr) << xml;
        EXPECT_EQ(SOAPFault::deserializeNode(rootOf(doc)), fault) << xml;
    }
    EXPECT_EQ(SOAPFault::deserializeNode(nullptr), SOAPFault{});

    SOAPFault fault;
    EXPECT_EQ(fault.simpleFaultString(), std::nullopt);
    for (const auto& [text, simple] : std::vector<std::pair<std::string, std::string>>{
             {"plain message", "plain message"},
             {trace, "Server was unable to process request."},
             {"System.Web.Services.Protocols.SoapException: outer "
              "System.Web.Services.Protocols.SoapException: inner\nsecond line\n   at trace",
              "outer inner\nsecond line"},
             // Without its trailing space the name is not the prefix that gets removed.
             {"System.Web.Services.Protocols.SoapException:x\n  at not a trace",
              "System.Web.Services.Protocols.SoapException:x\n  at not a trace"}}) {
        fault.faultstring = text;
        EXPECT_EQ(fault.simpleFaultString(), simple);
    }
}

TEST_F(ISO8601Reading, FormsInBothModesAndTimeSeparators) {
    const Form forms[] = {
        // Calendar and ordinal dates, full and compact.
        {"2009-01-02", cet(2009, 1, 2), 10},
        {"2009-01", cet(2009, 1, 1), 7},
        {"2009-", cet(2009, 1, 1), 5},
        {"2009-0102", cet(2009, 1, 2), 9},
        {"200901-02", cest(2020, 9, 1), 6},
        {"20090102", cet(2009, 1, 2), 8},
        {"2009-366", cet(2010, 1, 1), 8, lenientOnly},
        // Two-digit years; two digits alone are a century, completed with this year's last two.
        {"09-03-04", cet(2009, 3, 4), 8},
        {"09-3", cet(2009, 3, 1), 4, lenientOnly},
        {"09-032", cet(2009, 2, 1), 6},
        {"9-03-04", cet(2009, 3, 4), 7, lenientOnly},
        {"20", cet(2024, 1, 1), 2},
        {"09-12345", cet(924, 1, 1), 8},
        // Truncated forms take the rest from today.
        {"-09-03", cet(2009, 3, 1), 6},
        {"-09-", cet(2008, 12, 1), 4},
        {"-9-03", cet(2029, 3, 1), 5, lenientOnly},
        {"-032", cet(2024, 2, 1), 4},
        {"-367", cet(2025, 1, 1), 4, lenientOnly},
        {"--03-", cet(2024, 2, 29), 5},
        {"--3-4", cet(2024, 3, 4), 5, lenientOnly},
        {"---05", cest(2024, 6, 5), 5},
        {"----032", cet(2024, 2, 1), 7},
        // Calendar fields roll over.
        {"2009-13-01", cet(2010, 1, 1), 10},
        // Week dates.
        {"2009-W01-1", cet(2008, 12, 29), 10},
        {"2009-W", cet(2009, 1, 1), 6, lenientOnly},
        {"09-W02", cet(2009, 1, 5), 6},
        {"09W02-3", cet(2009, 1, 7), 7},
        {"-W05", cet(2024, 1, 29), 4},
        // A day of the week alone is that day of the current week.
        {"-W-3", cest(2024, 6, 12), 4},
        // Weeks and days roll over.
        {"2010-W53-1", cet(2011, 1, 3), 10},
        {"2009-W00-7", cet(2008, 12, 28), 10},
        // Times and zones. Without a separator after the hour only the hour is read; the zone is
        // never reached.
        {"20090102T120000Z", cet(2009, 1, 2, 12), 11},
        {"2009-01-02T12:30:30+05:30", utc(2009, 1, 2, 7, 0, 30), 25},
        {"2009-01-02T12:00:00-0130", utc(2009, 1, 2, 13, 30), 24},
        {"2009-01-02T12:00:00+", cet(2009, 1, 2, 12), 20},
        // A zone is read only after a time of day.
        {"2009-01-02Z", cet(2009, 1, 2), 10},
        {"2009-01-02T", cet(2009, 1, 2), 11},
        // Fractions: of a minute they give seconds; of a second they are dropped.
        {"T12:30,25Z", utc(2024, 6, 15, 12, 30, 15), 10},
        {"2009-01-02T12:00:00.75Z", utc(2009, 1, 2, 12), 23},
        {"2009-01-02T12:30.9999999999999999999999Z", utc(2009, 1, 2, 12, 30, 59), 40},
        {"T1:2:3Z", utc(2024, 6, 15, 1, 2, 3), 7},
        // Out-of-range times roll over.
        {"2009-01-02T25:61:61Z", utc(2009, 1, 3, 2, 2, 1), 20},
        // Long digit runs never wrap around.
        {"2009-01-99999999999999999999", fails, 0},
        {"2009-01-18446744073709551617", fails, 0},
        {"-0903-99999999999999999999", fails, 0},
        {"T12:99999999999999999999999", fails, 0},
        {"T12:30:18446744073709551616Z", fails, 0},
        {std::string(1000, '1'), fails, 0},
        {"2009-01-0000000000000000000000002", cet(2009, 1, 2), 33},
        {"T12:0000000000000000000000030Z", utc(2024, 6, 15, 12, 30), 30},
        // Lenient mode skips leading white space; the one white-space character after a date is
        // taken as the start of a time.
        {"  2009-01-02", cet(2009, 1, 2), 10, lenientOnly, 2},
        {"\t\n\v\f\r 2009 rest", cet(2009, 1, 1), 5, lenientOnly, 6}};
    for (const Form& form : forms) expectForm(form);
    // Forms outside the table fail.
    for (const char* text :
         {"", "12345", "123456789", "123", "----05", "-123456", "-12345", "--12345", "---1234",
          "xyz", "W01", "-W", "-Wx", "T", "Tx", "T:", "+2009", "\x80"}) {
        expectForm({text, fails, 0});
    }
    // Strict mode reads one digit after a hyphen as the year of this decade, before a week; lenient
    // mode as the year with January.
    Range range;
    EXPECT_EQ(dateWithString("-4W02", true, &range), cet(2024, 1, 8));
    EXPECT_EQ(range, (Range{0, 5}));
    EXPECT_EQ(dateWithString("-4W02", false, &range), cet(2024, 1, 1));
    EXPECT_EQ(range, (Range{0, 2}));

    EXPECT_EQ(dateWithString("T12.30.15", '.', &range), cest(2024, 6, 15, 12, 30, 15));
    EXPECT_EQ(range, (Range{0, 9}));
    EXPECT_EQ(dateWithString("T12..Z", u'.'), utc(2024, 6, 15, 12));
    // Seconds only after a second separator.
    EXPECT_EQ(dateWithString("T12.3045", '.', &range), cest(2024, 6, 15, 12, 30));
    EXPECT_EQ(range, (Range{0, 6}));
    EXPECT_EQ(dateWithString("2009-01-02T12-30-15Z", '-'), utc(2009, 1, 2, 12, 30, 15));
    EXPECT_EQ(dateWithString("2009-01-02T12·30·15Z", u'·'), utc(2009, 1, 2, 12, 30, 15));
    // Strict mode always uses ":".
    EXPECT_EQ(dateWithString("T12.30.15", true, u'.', &range), cest(2024, 6, 15, 12));
    EXPECT_EQ(range, (Range{0, 3}));
    EXPECT_EQ(dateWithString("T12:30", true, u'.', &range), cest(2024, 6, 15, 12, 30));
}

TEST_F(ISO8601Reading, EachFormIsWrittenInUtcWithAnyTimeSeparatorAndReadBackAcrossYears) {
    // Every day from 1999 to 2031, written in each form and read back.
    for (Instant day = utc(1999, 1, 1, 12, 34, 56); day < utc(2032, 1, 1);
         day += std::chrono::days(1)) {
        for (const std::string& text :
             {ISO8601WeekDateString(day), ISO8601OrdinalDateString(day), ISO8601DateString(day)}) {
            ASSERT_EQ(dateWithString(text, true), day) << text;
        }
    }
    // The Monday of week 1 in year 0, whose 1 January is a Saturday.
    EXPECT_EQ(dateWithString("0000-W01-1T00:00Z"), utc(0, 1, 3));
    EXPECT_EQ(dateWithString("0001-W01-1T00:00Z"), utc(1, 1, 1));

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
    EXPECT_EQ(ISO8601DateStringWithTimeSeparator(noon, u'm'), "2009-01-02T12m30m45Z");
    EXPECT_EQ(ISO8601DateStringWithTimeSeparator(noon, u'H'), "2009-01-02T12H30H45Z");
    EXPECT_EQ(ISO8601DateStringWithTimeSeparator(noon, u'\''), "2009-01-02T12'30'45Z");
}

TEST_F(ISO8601Reading, TodayIsTheLocalDateAndOnlyTruncatedYearsWriteDebugLines) {
    CapturedLog log;
    EXPECT_TRUE(dateWithString("-09-03"));
    EXPECT_TRUE(dateWithString("2009-01-02T12:00:00Z"));
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"(-09-03) found 2 digits and one hyphen, so this is "
                                        "either -YY or -YY-MM; segment (year) is 9",
                                        "(-09-03) month is 3"}));

    const auto readAt = [](Instant now, const char* text) {
        const FixedNow fixed(now);
        return dateWithString(text);
    };
    // 23:30 UTC on 14 June is already 15 June here.
    EXPECT_EQ(readAt(utc(2024, 6, 14, 23, 30), "T08"), cest(2024, 6, 15, 8));
    EXPECT_EQ(readAt(utc(2024, 12, 31, 23, 30), "---05"), cet(2025, 1, 5));
    EXPECT_EQ(readAt(utc(2024, 12, 31, 23, 30), "-W-1"), cet(2024, 12, 30));
    ScopedEnv tokyo("TZ", "JST-9");
    EXPECT_EQ(dateWithString("T08"), utc(2024, 6, 14, 23));
}
