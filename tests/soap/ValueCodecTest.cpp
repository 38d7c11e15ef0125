#include "soap/USAdditions.h"

#include "soap/SoapTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace penshelf::soap;
using namespace penshelf::test;

namespace {

// Attaches the node to the document's root and returns how it is written.
std::string written(const XmlDocument& doc, xmlNode* node) {
    EXPECT_NE(node, nullptr);
    EXPECT_EQ(node->parent, nullptr) << "a new element must not be attached yet";
    xmlAddChild(rootOf(doc), node);
    return serialize(doc.get(), node);
}

// The root element of a one-element document.
struct Element {
    explicit Element(const std::string& xml) : doc(parseXml(xml)) {}
    xmlNode* node() const { return rootOf(doc); }
    XmlDocument doc;
};

}  // namespace

TEST(StringCodec, WritesTheTextEscapedExactlyOnceUnderAnyGivenPrefix) {
    struct Case {
        const char* value;
        std::optional<std::string> prefix;
        const char* xml;
    };
    auto doc = emptyDocument();
    for (const Case& c :
         {Case{"a<b", std::nullopt, "<p>a&lt;b</p>"},
          Case{"&#38;", std::nullopt, "<p>&amp;#38;</p>"},
          Case{"kelva", "tns", "<tns:p>kelva</tns:p>"}, Case{"kelva", "", "<p>kelva</p>"}}) {
        EXPECT_EQ(written(doc, USAdditions<std::string>::xmlNodeForDoc(c.value, doc.get(), "p",
                                                                       c.prefix)),
                  c.xml);
    }
}

TEST(StringCodec, ReadsTextAndCdataDecodedTwiceButNotChildElements) {
    // The parser decodes the wire text once and the reader unescapes it once more.
    for (const auto& [xml, text] : std::vector<std::pair<const char*, std::optional<std::string>>>{
             {"<r>x &amp;lt; y</r>", "x < y"},
             {"<r>a&amp;amp;b &#38;lt;</r>", "a&b <"},
             {"<r>http://a.b/c?x=1</r>", "http://a.b/c?x=1"},
             {"<r>a<b>inner</b>c<![CDATA[<d>&amp;]]></r>", "ac<d>&"},
             {"<r><b>inner</b></r>", std::nullopt}}) {
        EXPECT_EQ(USAdditions<std::string>::deserializeNode(Element(xml).node()), text) << xml;
    }
}

TEST(ValueCodecs, EmptyElementReadsAsAbsentOrZero) {
    Element empty("<return/>");
    EXPECT_EQ(USAdditions<std::string>::deserializeNode(empty.node()), std::nullopt);
    EXPECT_EQ(USAdditions<double>::deserializeNode(empty.node()), 0.0);
    EXPECT_EQ(USBoolean::deserializeNode(empty.node()), std::nullopt);
    EXPECT_EQ(USAdditions<Bytes>::deserializeNode(empty.node()), std::nullopt);
    EXPECT_EQ(USAdditions<Instant>::deserializeNode(empty.node()), std::nullopt);

    EXPECT_EQ(USAdditions<std::string>::deserializeNode(nullptr), std::nullopt);
    EXPECT_EQ(USAdditions<double>::deserializeNode(nullptr), std::nullopt);
    EXPECT_EQ(USAdditions<Bytes>::deserializeNode(nullptr), std::nullopt);
}

TEST(NumberCodec, WritesTheShortestDecimalForm) {
    auto doc = emptyDocument();
    for (const auto& [value, xml] :
         std::vector<std::pair<double, const char*>>{{2, "<n>2</n>"},
                                                     {-3.25, "<n>-3.25</n>"},
                                                     {0.1, "<n>0.1</n>"},
                                                     {123456789012.0, "<n>123456789012</n>"}}) {
        EXPECT_EQ(written(doc, USAdditions<double>::xmlNodeForDoc(value, doc.get(), "n")), xml);
    }
}

TEST(NumberCodec, ReadsTheLeadingDecimalNumber) {
    const std::pair<const char*, double> cases[] = {
        {"<n>12abc</n>", 12},
        {"<n>abc</n>", 0},
        {"<n>  -3.5e2xyz</n>", -350},
        {"<n>.5</n>", 0.5},
        {"<n>+7.</n>", 7},
        {"<n>1e</n>", 1},
        {"<n>1e+</n>", 1},
        {"<n>0x10</n>", 0},
        {"<n>inf</n>", 0},
        {"<n>nan</n>", 0},
        {"<n>-</n>", 0},
        {"<n>\n42\n</n>", 42},
        {"<n>2.5E-1</n>", 0.25},
        {"<n>1e999</n>", HUGE_VAL},
    };
    for (const auto& [xml, number] : cases) {
        EXPECT_EQ(USAdditions<double>::deserializeNode(Element(xml).node()), number) << xml;
    }
}

TEST(NumberCodec, RoundTripsThroughTheElement) {
    auto doc = emptyDocument();
    for (double value : {0.0, 1.0, -1.5, 3.141592653589793, 1e-300, 6.02214076e23, 2.0 / 3.0}) {
        xmlNode* node = USAdditions<double>::xmlNodeForDoc(value, doc.get(), "n");
        xmlAddChild(rootOf(doc), node);
        EXPECT_EQ(USAdditions<double>::deserializeNode(node), value);
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

TEST(DataCodec, TravelsAsBase64) {
    auto doc = emptyDocument();
    const Bytes bytes{'A', 'B', 'C', 0x00, 0xFF};
    xmlNode* node = USAdditions<Bytes>::xmlNodeForDoc(bytes, doc.get(), "data");
    EXPECT_EQ(written(doc, node), "<data>QUJDAP8=</data>");
    EXPECT_EQ(USAdditions<Bytes>::deserializeNode(node), bytes);

    EXPECT_EQ(USAdditions<Bytes>::deserializeNode(Element("<d>\n QUJD\n QQ==\n</d>").node()),
              (Bytes{'A', 'B', 'C', 'A'}));
    EXPECT_EQ(USAdditions<Bytes>::deserializeNode(Element("<d>QUJD-</d>").node()), std::nullopt);
}

TEST(DateCodec, TravelsAsUtcCalendarText) {
    ScopedEnv zone("TZ", kTestZone);
    auto doc = emptyDocument();
    xmlNode* node = USAdditions<Instant>::xmlNodeForDoc(utc(2009, 1, 2, 12), doc.get(), "when");
    EXPECT_EQ(written(doc, node), "<when>2009-01-02T12:00:00Z</when>");
    EXPECT_EQ(USAdditions<Instant>::deserializeNode(node), utc(2009, 1, 2, 12));

    // Leniently read: leading white space is allowed; text that is no date is absent.
    EXPECT_EQ(USAdditions<Instant>::deserializeNode(Element("<d> 2009-01-02 12:00:00Z</d>").node()),
              utc(2009, 1, 2, 12));
    EXPECT_EQ(USAdditions<Instant>::deserializeNode(Element("<d>tomorrow</d>").node()),
              std::nullopt);
}
