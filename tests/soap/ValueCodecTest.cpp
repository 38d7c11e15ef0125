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

TEST(StringCodec, WritesTheTextEscapedExactlyOnce) {
    auto doc = emptyDocument();
    EXPECT_EQ(written(doc, USAdditions<std::string>::xmlNodeForDoc("a<b", doc.get(), "strcid")),
              "<strcid>a&lt;b</strcid>");
    EXPECT_EQ(written(doc, USAdditions<std::string>::xmlNodeForDoc("&", doc.get(), "p")),
              "<p>&amp;</p>");
    EXPECT_EQ(written(doc, USAdditions<std::string>::xmlNodeForDoc("&#38;", doc.get(), "p")),
              "<p>&amp;#38;</p>");
    EXPECT_EQ(written(doc, USAdditions<std::string>::xmlNodeForDoc("kelva", doc.get(), "p")),
              "<p>kelva</p>");
}

TEST(StringCodec, ElementTextEqualsTheValue) {
    auto doc = emptyDocument();
    const std::string value = "x < y & \"z\" '点'";
    xmlNode* node = USAdditions<std::string>::xmlNodeForDoc(value, doc.get(), "p");
    xmlChar* content = xmlNodeGetContent(node);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(content)), value);
    xmlFree(content);
    xmlFreeNode(node);
}

TEST(StringCodec, PrefixesTheNameOnlyWithANonEmptyPrefix) {
    auto doc = emptyDocument();
    EXPECT_EQ(written(doc, USAdditions<std::string>::xmlNodeForDoc("v", doc.get(), "ntype", "tns")),
              "<tns:ntype>v</tns:ntype>");
    EXPECT_EQ(written(doc, USAdditions<std::string>::xmlNodeForDoc("v", doc.get(), "ntype", "")),
              "<ntype>v</ntype>");
    EXPECT_EQ(written(doc, USAdditions<std::string>::xmlNodeForDoc("v", doc.get(), "ntype",
                                                                   std::nullopt)),
              "<ntype>v</ntype>");
}

TEST(StringCodec, ReadsTextDecodedTwice) {
    // The parser decodes the wire text once and the reader unescapes it once more.
    EXPECT_EQ(
        USAdditions<std::string>::deserializeNode(Element("<return>x &amp;lt; y</return>").node()),
        "x < y");
    EXPECT_EQ(USAdditions<std::string>::deserializeNode(
                  Element("<return>a&amp;amp;b &#38;lt;</return>").node()),
              "a&b <");
    EXPECT_EQ(USAdditions<std::string>::deserializeNode(
                  Element("<return>http://a.b/c?x=1</return>").node()),
              "http://a.b/c?x=1");
}

TEST(StringCodec, ReadsTextAndCdataButNotChildElements) {
    EXPECT_EQ(USAdditions<std::string>::deserializeNode(
                  Element("<r>a<b>inner</b>c<![CDATA[<d>&amp;]]></r>").node()),
              "ac<d>&");
    EXPECT_EQ(USAdditions<std::string>::deserializeNode(Element("<r><b>inner</b></r>").node()),
              std::nullopt);
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
    EXPECT_EQ(written(doc, USAdditions<double>::xmlNodeForDoc(2, doc.get(), "ntype")),
              "<ntype>2</ntype>");
    EXPECT_EQ(written(doc, USAdditions<double>::xmlNodeForDoc(-3.25, doc.get(), "n")),
              "<n>-3.25</n>");
    EXPECT_EQ(written(doc, USAdditions<double>::xmlNodeForDoc(0.1, doc.get(), "n")), "<n>0.1</n>");
    EXPECT_EQ(written(doc, USAdditions<double>::xmlNodeForDoc(123456789012.0, doc.get(), "n")),
              "<n>123456789012</n>");
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

TEST(BooleanCodec, WritesTrueAndFalse) {
    auto doc = emptyDocument();
    EXPECT_EQ(written(doc, USBoolean(true).xmlNodeForDoc(doc.get(), "b")), "<b>true</b>");
    EXPECT_EQ(written(doc, USAdditions<USBoolean>::xmlNodeForDoc(USBoolean(false), doc.get(), "b",
                                                                 "tns")),
              "<tns:b>false</tns:b>");
}

TEST(BooleanCodec, ReadsExactlyTrueAndFalse) {
    EXPECT_EQ(USBoolean::deserializeNode(Element("<b>true</b>").node()), USBoolean(true));
    EXPECT_EQ(USBoolean::deserializeNode(Element("<b>false</b>").node()), USBoolean(false));
    for (const char* xml : {"<b> true</b>", "<b>true </b>", "<b>TRUE</b>", "<b>1</b>", "<b>0</b>",
                            "<b>yes</b>", "<b></b>"}) {
        EXPECT_EQ(USBoolean::deserializeNode(Element(xml).node()), std::nullopt) << xml;
    }
}

TEST(BooleanCodec, HoldsItsValue) {
    USBoolean flag;
    EXPECT_FALSE(flag.boolValue());
    EXPECT_EQ(flag.stringValue(), "false");
    flag.setBoolValue(true);
    EXPECT_TRUE(flag.boolValue());
    EXPECT_EQ(flag.stringValue(), "true");
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
    ScopedTimeZone zone(kTestZone);
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
