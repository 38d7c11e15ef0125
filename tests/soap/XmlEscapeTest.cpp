#include "soap/XmlEscape.h"

#include <gtest/gtest.h>

using namespace penshelf::soap;

TEST(XmlEscape, EscapesAndUnescapesTheFiveReferencesInOnePass) {
    for (const auto& [text, escaped] : std::vector<std::pair<std::string, std::string>>{
             {"", ""},
             {"a<b", "a&lt;b"},
             {"<>&\"'", "&lt;&gt;&amp;&quot;&apos;"},
             {"line\nbreak\ttab", "line\nbreak\ttab"},
             {"小栗莓点读笔 <1>", "小栗莓点读笔 &lt;1&gt;"},
             // An existing reference is text like any other: its "&" is escaped, and the "&"
             // that unescaping gives is not read again as the start of a reference.
             {"&lt;", "&amp;lt;"},
             {"&amp;", "&amp;amp;"},
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
