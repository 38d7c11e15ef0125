#include "soap/Base64.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

using namespace penshelf::soap;

namespace {

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

}  // namespace

TEST(Base64Encoding, FollowsRfc4648) {
    for (const auto& [text, encoded] :
         std::vector<std::pair<std::string, std::string>>{{"", ""},
                                                          {"f", "Zg=="},
                                                          {"fo", "Zm8="},
                                                          {"foo", "Zm9v"},
                                                          {"foob", "Zm9vYg=="},
                                                          {"fooba", "Zm9vYmE="},
                                                          {"foobar", "Zm9vYmFy"},
                                                          {"\xFB\xFF\xBF", "+/+/"}}) {
        EXPECT_EQ(base64Encoding(bytesOf(text)), encoded);
    }
}

TEST(Base64Decoding, SkipsPaddingAndWhiteSpaceAnywhere) {
    for (const auto& [text, decoded] : std::vector<std::pair<std::string, Bytes>>{
             {"QUJD", bytesOf("ABC")},
             {"QQ", bytesOf("A")},
             {"QQ=", bytesOf("A")},
             {"QQ==", bytesOf("A")},
             {"QUI", bytesOf("AB")},
             {"QR", bytesOf("A")},  // the low bits of the last character are dropped unchecked
             {"Q\nU\nJ\nD\n", bytesOf("ABC")},
             {"QU=JD", bytesOf("ABC")},
             {" \tQ\vU\fJ\rD ", bytesOf("ABC")},
             // Padding does not end the data: later characters go on filling groups.
             {"QQ==QQ==", Bytes{0x41, 0x04, 0x10}},
             {"", Bytes()},
             {" = \n\t==\r\n", Bytes()}}) {
        EXPECT_EQ(dataWithBase64EncodedString(text), decoded) << text;
    }
}

TEST(Base64Decoding, RejectsForeignCharactersAndLoneFinalCharacter) {
    for (const char* text :
         {"Q", "Q===", "QUJDQ", "QUJD-", "QUJD_", "QU*D", "QUJDé", "\x80QUJD", "QUJD\x7F"}) {
        EXPECT_EQ(dataWithBase64EncodedString(text), std::nullopt) << text;
    }
}

TEST(Base64Decoding, StopsAtNul) {
    using namespace std::string_view_literals;
    EXPECT_EQ(dataWithBase64EncodedString("QUJD\0!!!"sv), bytesOf("ABC"));
    EXPECT_EQ(dataWithBase64EncodedString("\0QUJD"sv), Bytes());
    // The whole text must still be ASCII.
    EXPECT_EQ(dataWithBase64EncodedString("QUJD\0\xC3\xA9"sv), std::nullopt);
}

TEST(Base64Decoding, NullTextIsACallersError) {
    const char* none = nullptr;
    try {
        dataWithBase64EncodedString(none);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "Error: String must not be nil");
    }
}

TEST(Base64, RoundTripsRandomBytesOfEveryLength) {
    std::mt19937 random(20240615);
    std::uniform_int_distribution<int> byte(0, 255);
    for (size_t n = 0; n <= 300; ++n) {
        Bytes data(n);
        for (auto& b : data) b = static_cast<std::uint8_t>(byte(random));
        const std::string text = base64Encoding(data).value();
        ASSERT_EQ(text.size(), 4 * ((n + 2) / 3)) << "four characters per group, on one line";
        ASSERT_EQ(dataWithBase64EncodedString(text), data) << n;
        ASSERT_EQ(dataWithBase64EncodedString(text.c_str()), data) << n;

        // The same text broken into lines and without padding still decodes.
        std::string wrapped;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '=') continue;
            wrapped += text[i];
            if (i % 19 == 18) wrapped += "\r\n";
        }
        ASSERT_EQ(dataWithBase64EncodedString(wrapped), data) << n;
    }
}
