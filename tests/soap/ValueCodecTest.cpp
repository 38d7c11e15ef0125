// The values as they travel in XML: escaped strings, numbers, booleans, base64 data, dates and
// faults.
#include "soap/Base64.h"
#include "soap/SOAPFault.h"
#include "soap/USAdditions.h"
#include "soap/XmlEscape.h"

#include "soap/SoapTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>

using namespace penshelf::soap;
using namespace penshelf::test;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

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

// The root element of a one-element document.
struct Element {
    explicit Element(const std::string& xml) : doc(parseXml(xml)) {}
    xmlNode* node() const { return rootOf(doc); }
    XmlDocument doc;
};

const std::string trace =
    "System.Web.Services.Protocols.SoapException: Server was unable to process request.\n"
    "   at PagorFunc.getproxyurl(String strcid, Int32 ntype)\n"
    "   at System.Web.Services.Protocols.LogicalMethodInfo.Invoke()";

}  // namespace

TEST(XmlEscape, EscapesAndUnescapesTheFiveReferencesInOnePass) {
    for (const auto& [text, escaped] : std::vector<std::pair<std::string, std::string>>{
             {"", ""},
             {"<>&\"'", "&lt;&gt;&amp;&quot;&apos;"},
             {"line\nbreak\ttab", "line\nbreak\ttab"},
             {"小栗莓点读笔 <1>", "小栗莓点读笔 &lt;1&gt;"},
             // An existing reference is text like any other: its "&" is escaped, and the "&"
             // that unescaping gives is not read again as the start of a reference.
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
}

TEST(StringCodec, WritesTheTextEscapedOnceAndReadsTextAndCdataDecodedTwice) {
    auto doc = emptyDocument();
    const auto write = [&](const std::optional<std::string>& prefix) {
        return written(doc,
                       USAdditions<std::string>::xmlNodeForDoc("&#38;", doc.get(), "p", prefix));
    };
    EXPECT_EQ(write(std::nullopt), "<p>&amp;#38;</p>");
    EXPECT_EQ(write("tns"), "<tns:p>&amp;#38;</tns:p>");
    EXPECT_EQ(write(""), "<p>&amp;#38;</p>");

    // The parser decodes the wire text once and the reader unescapes it once more; child
    // elements are no part of the text.
    for (const auto& [xml, text] : std::vector<std::pair<const char*, std::optional<std::string>>>{
             {"<r>a&amp;amp;b &#38;lt;</r>", "a&b <"},
             {"<r>a<b>inner</b>c<![CDATA[<d>&amp;]]></r>", "ac<d>&"},
             {"<r><b>inner</b></r>", std::nullopt}}) {
        EXPECT_EQ(USAdditions<std::string>::deserializeNode(Element(xml).node()), text) << xml;
    }
}

TEST(NumberCodec, WritesTheShortestDecimalFormAndReadsTheLeadingNumber) {
    auto doc = emptyDocument();
    for (const auto& [value, xml] :
         std::vector<std::pair<double, const char*>>{{2, "<n>2</n>"},
                                                     {-3.25, "<n>-3.25</n>"},
                                                     {0.1, "<n>0.1</n>"},
                                                     {123456789012.0, "<n>123456789012</n>"},
                                                     {1e-300, "<n>1e-300</n>"},
                                                     {2.0 / 3.0, "<n>0.6666666666666666</n>"}}) {
        xmlNode* node = USAdditions<double>::xmlNodeForDoc(value, doc.get(), "n");
        EXPECT_EQ(written(doc, node), xml);
        EXPECT_EQ(USAdditions<double>::deserializeNode(node), value);
    }
    // Reading takes the leading decimal number, if any.
    const std::pair<const char*, double> cases[] = {
        {"<n>12abc</n>", 12},    {"<n>abc</n>", 0},          {"<n>  -3.5e2xyz</n>", -350},
        {"<n>.5</n>", 0.5},      {"<n>+7.</n>", 7},          {"<n>1e</n>", 1},
        {"<n>0x10</n>", 0},      {"<n>inf</n>", 0},          {"<n>-</n>", 0},
        {"<n>2.5E-1</n>", 0.25}, {"<n>1e999</n>", HUGE_VAL},
    };
    for (const auto& [xml, number] : cases) {
        EXPECT_EQ(USAdditions<double>::deserializeNode(Element(xml).node()), number) << xml;
    }
}

TEST(BooleanCodec, ReadsExactlyTrueAndFalse) {
    EXPECT_EQ(USBoolean::deserializeNode(Element("<b>true</b>").node()), USBoolean(true));
    EXPECT_EQ(USBoolean::deserializeNode(Element("<b>false</b>").node()), USBoolean(false));
    for (const char* xml : {"<b> true</b>", "<b>true </b>", "<b>TRUE</b>", "<b>1</b>", "<b>0</b>",
                            "<b>yes</b>", "<b></b>"}) {
        EXPECT_EQ(USBoolean::deserializeNode(Element(xml).node()), std::nullopt) << xml;
    }
}

TEST(Base64Decoding, SkipsPaddingAndWhiteSpaceAnywhereAndRejectsAnythingElse) {
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
    for (const std::string& text :
         std::vector<std::string>{"Q", "Q===", "QUJDQ", "QUJD-", "QUJD_", "QU*D", "QUJDé",
                                  "\x80QUJD", "QUJD\x7F", std::string("QUJD\0\xC3\xA9", 6)}) {
        EXPECT_EQ(dataWithBase64EncodedString(text), std::nullopt) << text;
    }
    EXPECT_THAT([] { dataWithBase64EncodedString(static_cast<const char*>(nullptr)); },
                ThrowsMessage<std::invalid_argument>(StrEq("Error: String must not be nil")));
}

TEST(Base64Encoding, FollowsRfc4648AndRoundTripsRandomBytesOfEveryLength) {
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

TEST(DataCodec, TravelsAsBase64) {
    auto doc = emptyDocument();
    const Bytes bytes{'A', 'B', 'C', 0x00, 0xFF};
    xmlNode* node = USAdditions<Bytes>::xmlNodeForDoc(bytes, doc.get(), "data");
    EXPECT_EQ(written(doc, node), "<data>QUJDAP8=</data>");
    EXPECT_EQ(USAdditions<Bytes>::deserializeNode(node), bytes);

    EXPECT_EQ(USAdditions<Bytes>::deserializeNode(Element("<d>QUJD-</d>").node()), std::nullopt);
    EXPECT_EQ(USAdditions<Bytes>::deserializeNode(Element("<d/>").node()), std::nullopt);
}

TEST(DateCodec, TravelsAsUtcCalendarText) {
    ScopedEnv zone("TZ", testZone);
    auto doc = emptyDocument();
    xmlNode* node = USAdditions<Instant>::xmlNodeForDoc(utc(2009, 1, 2, 12), doc.get(), "when");
    EXPECT_EQ(written(doc, node), "<when>2009-01-02T12:00:00Z</when>");
    EXPECT_EQ(USAdditions<Instant>::deserializeNode(node), utc(2009, 1, 2, 12));

    // Leniently read: leading white space is allowed; text that is no date, or none, is absent.
    EXPECT_EQ(USAdditions<Instant>::deserializeNode(Element("<d> 2009-01-02 12:00:00Z</d>").node()),
              utc(2009, 1, 2, 12));
    EXPECT_EQ(USAdditions<Instant>::deserializeNode(Element("<d>tomorrow</d>").node()),
              std::nullopt);
    EXPECT_EQ(USAdditions<Instant>::deserializeNode(Element("<d/>").node()), std::nullopt);
}

TEST(SOAPFault, ReadsTheFieldsOfBothSoapVersionsOnly) {
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
         {}},
    };
    for (const auto& [xml, fault] : cases) {
        const XmlDocument doc = parseXml(xml);
        ASSERT_NE(doc, nullptr) << xml;
        EXPECT_EQ(SOAPFault::deserializeNode(rootOf(doc)), fault) << xml;
    }
    EXPECT_EQ(SOAPFault::deserializeNode(nullptr), SOAPFault{});
}

TEST(SOAPFault, SimpleFaultStringDropsExceptionNamesAndTrace) {
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
