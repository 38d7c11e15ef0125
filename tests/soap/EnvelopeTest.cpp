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

// The document the service receives for one operation element with the given parameter lines.
std::string withBody(const std::string& operation, const std::string& parameters) {
    return std::string(kEnvelopeStart) + ">\n  <soap:Body>\n    <soap:" + operation + ">\n" +
           parameters + "    </soap:" + operation + ">\n  </soap:Body>\n</soap:Envelope>\n";
}

}  // namespace

TEST(Envelope, GetproxyurlIsExactlyTheDocumentTheServiceExpects) {
    // The map holds ntype before strcid; the operation's order puts strcid first.
    EXPECT_EQ(envelope("getproxyurl", ElementMap{{"strcid", "kelva"}, {"ntype", 2.0}}),
              withBody("getproxyurl",
                       "      <strcid>kelva</strcid>\n"
                       "      <ntype>2</ntype>\n"));
}

TEST(Envelope, EveryOperationWritesItsParametersInItsOwnOrder) {
    const ElementMap all{{"strguid", "g-1"}, {"strcid", "kelva"}, {"strmid", "m-9"},
                         {"ntype", 3.0},     {"strpid", "p-2"},   {"strver", "1.0.4"}};
    EXPECT_EQ(envelope("bookopen", all), withBody("bookopen", "      <strguid>g-1</strguid>\n"));
    EXPECT_EQ(
        envelope("synchronous", all),
        withBody("synchronous", "      <strcid>kelva</strcid>\n      <strmid>m-9</strmid>\n"));
    EXPECT_EQ(envelope("getproxyurl", all),
              withBody("getproxyurl", "      <strcid>kelva</strcid>\n      <ntype>3</ntype>\n"));
    EXPECT_EQ(envelope("test", all), withBody("test", "      <strmid>m-9</strmid>\n"));
    EXPECT_EQ(envelope("getversion", all),
              withBody("getversion", "      <strpid>p-2</strpid>\n      <strver>1.0.4</strver>\n"));
}

TEST(Envelope, AnAbsentParameterLeavesNoElement) {
    EXPECT_EQ(envelope("getproxyurl", ElementMap{{"ntype", 2.0}}),
              withBody("getproxyurl", "      <ntype>2</ntype>\n"));
    EXPECT_EQ(envelope("getversion", ElementMap{{"strver", "7"}}),
              withBody("getversion", "      <strver>7</strver>\n"));
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
}

TEST(Envelope, ParameterTextIsEscapedExactlyOnceAndNumbersAreShort) {
    EXPECT_EQ(envelope("getproxyurl", ElementMap{{"strcid", "a<b & \"c\" 点"}, {"ntype", 2.5}}),
              withBody("getproxyurl",
                       "      <strcid>a&lt;b &amp; \"c\" 点</strcid>\n"
                       "      <ntype>2.5</ntype>\n"));
}

TEST(Envelope, UnknownOperationGetsAnEmptyOperationElement) {
    EXPECT_EQ(envelope("frobnicate", ElementMap{{"strcid", "kelva"}}),
              std::string(kEnvelopeStart) +
                  ">\n  <soap:Body>\n    <soap:frobnicate/>\n  </soap:Body>\n</soap:Envelope>\n");
}
