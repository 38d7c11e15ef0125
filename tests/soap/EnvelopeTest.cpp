// The request envelope's shape; the body of each operation is checked as sent, in TransportTest.
#include "soap/PagorFuncBinding_envelope.h"

#include "soap/ClientTestSupport.h"

#include <gtest/gtest.h>

using namespace penshelf::soap;
using penshelf::test::kEnvelopeStart;

namespace {

std::string envelope(std::string_view func, const std::optional<ElementMap>& body,
                     const std::optional<ElementMap>& header = ElementMap{}) {
    return PagorFuncBinding_envelope::sharedInstance().serializedFormUsingFunc(func, header, body);
}

}  // namespace

TEST(Envelope, AnOperationTakesItsOwnParametersInItsOwnOrderEscapedOnce) {
    struct Case {
        const char* operation;
        ElementMap parameters;
        const char* elements;
    };
    for (const Case& c : {
             // The map holds ntype before strcid; the operation's order puts strcid first.
             Case{"getproxyurl",
                  {{"strcid", "kelva"}, {"ntype", 2.0}},
                  "<strcid>kelva</strcid>\n      <ntype>2</ntype>"},
             Case{"getversion",
                  {{"strguid", "g-1"}, {"strpid", "p-2"}, {"ntype", 3.0}, {"strver", "1.0.4"}},
                  "<strpid>p-2</strpid>\n      <strver>1.0.4</strver>"},
             // An absent parameter leaves no element.
             Case{"getproxyurl", {{"ntype", 2.0}}, "<ntype>2</ntype>"},
             Case{"getversion", {{"strver", "7"}}, "<strver>7</strver>"},
             Case{"getproxyurl",
                  {{"strcid", "a<b & \"c\" 点"}, {"ntype", 2.5}},
                  "<strcid>a&lt;b &amp; \"c\" 点</strcid>\n      <ntype>2.5</ntype>"},
         }) {
        EXPECT_EQ(envelope(c.operation, c.parameters),
                  std::string(kEnvelopeStart) + ">\n  <soap:Body>\n    <soap:" + c.operation +
                      ">\n      " + c.elements + "\n    </soap:" + c.operation +
                      ">\n  </soap:Body>\n</soap:Envelope>\n");
    }
}

TEST(Envelope, HeaderAndBodyAppearOnlyForElementsGiven) {
    const std::string bare = std::string(kEnvelopeStart) + "/>\n";
    EXPECT_EQ(envelope("getproxyurl", ElementMap{}), bare);
    EXPECT_EQ(envelope("getproxyurl", std::nullopt, std::nullopt), bare);

    EXPECT_EQ(envelope("test", ElementMap{{"strmid", "m"}}, ElementMap{{"session", "s1"}}),
              std::string(kEnvelopeStart) +
                  ">\n  <soap:Header>\n    <session>s1</session>\n  </soap:Header>\n"
                  "  <soap:Body>\n    <soap:test>\n      <strmid>m</strmid>\n"
                  "    </soap:test>\n  </soap:Body>\n</soap:Envelope>\n");
    // An unknown operation gets an empty operation element.
    EXPECT_EQ(envelope("frobnicate", ElementMap{{"strcid", "kelva"}}),
              std::string(kEnvelopeStart) +
                  ">\n  <soap:Body>\n    <soap:frobnicate/>\n  </soap:Body>\n</soap:Envelope>\n");
}
