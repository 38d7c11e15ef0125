#include "soap/XmlEscape.h"

#include <gtest/gtest.h>

using namespace penshelf::soap;

TEST(XmlEscape, ReplacesEachSpecialCharacterOnce) {
    EXPECT_EQ(stringByEscapingXML("a<b"), "a&lt;b");
    EXPECT_EQ(stringByEscapingXML("&"), "&amp;");
    EXPECT_EQ(stringByEscapingXML("<>&\"'"), "&lt;&gt;&amp;&quot;&apos;");
    // An existing reference is text like any other: its "&" is escaped.
    EXPECT_EQ(stringByEscapingXML("&lt;"), "&amp;lt;");
}

TEST(XmlEscape, LeavesOtherCharactersAlone) {
    EXPECT_EQ(stringByEscapingXML(""), "");
    EXPECT_EQ(stringByEscapingXML("line\nbreak\ttab"), "line\nbreak\ttab");
    EXPECT_EQ(stringByEscapingXML("小栗莓点读笔 <1>"), "小栗莓点读笔 &lt;1&gt;");
}

TEST(XmlUnescape, ReplacesTheFiveReferencesInOnePass) {
    EXPECT_EQ(stringByUnescapingXML("a&lt;b&gt;c&amp;d&quot;e&apos;f"), "a<b>c&d\"e'f");
    // The "&" produced from &amp; is not read again as the start of a reference.
    EXPECT_EQ(stringByUnescapingXML("&amp;lt;"), "&lt;");
    EXPECT_EQ(stringByUnescapingXML("&amp;amp;"), "&amp;");
}

TEST(XmlUnescape, LeavesUnknownAndNumericReferencesAlone) {
    EXPECT_EQ(stringByUnescapingXML("&#38;"), "&#38;");
    EXPECT_EQ(stringByUnescapingXML("&#x3C;"), "&#x3C;");
    EXPECT_EQ(stringByUnescapingXML("&nbsp;&LT;&lt"), "&nbsp;&LT;&lt");
    EXPECT_EQ(stringByUnescapingXML("&&lt;&"), "&<&");
}

TEST(XmlEscape, RoundTripsAnyText) {
    const std::string texts[] = {"",
                                 "plain",
                                 "<a href=\"x\">it's &amp;</a>",
                                 "&&&;;;<<>>",
                                 "&lt;&gt;&amp;",
                                 "点读\n&#38;",
                                 std::string("nul\0inside", 10)};
    for (const std::string& text : texts) {
        EXPECT_EQ(stringByUnescapingXML(stringByEscapingXML(text)), text) << text;
        EXPECT_EQ(xmlString(text), stringByEscapingXML(text));
    }
}
