#include "soap/Base64.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

using namespace penshelf::soap;

namespace {

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::string encode(std::string_view text) {
    const Bytes bytes = bytesOf(text);
    return base64Encoding(bytes).value();
}

}  // namespace

TEST(Base64Encoding, FollowsRfc4648) {
    EXPECT_EQ(encode(""), "");
    EXPECT_EQ(encode("f"), "Zg==");
    EXPECT_EQ(encode("fo"), "Zm8=");
    EXPECT_EQ(encode("foo"), "Zm9v");
    EXPECT_EQ(encode("foob"), "Zm9vYg==");
    EXPECT_EQ(encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(base64Encoding(Bytes{0xFB, 0xFF, 0xBF}), "+/+/");
}

TEST(Base64Encoding, WritesOneLineOfFourCharactersPerGroup) {
    for (size_t n : {56u, 57u, 58u, 100u, 1000u}) {
        const std::string text = base64Encoding(Bytes(n, 0x5A)).value();
        EXPECT_EQ(text.size(), 4 * ((n + 2) / 3)) << n;
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << n;
    }
}

TEST(Base64Decoding, ReadsPlainAndPaddedText) {
    EXPECT_EQ(dataWithBase64EncodedString("QUJD"), bytesOf("ABC"));
    EXPECT_EQ(dataWithBase64EncodedString("QQ"), bytesOf("A"));
    EXPECT_EQ(dataWithBase64EncodedString("QQ="), bytesOf("A"));
    EXPECT_EQ(dataWithBase64EncodedString("QQ=="), bytesOf("A"));
    EXPECT_EQ(dataWithBase64EncodedString("QUI"), bytesOf("AB"));
    EXPECT_EQ(dataWithBase64EncodedString("Zm9vYmFy"), bytesOf("foobar"));
    // The low bits of the last character are dropped unchecked.
    EXPECT_EQ(dataWithBase64EncodedString("QR"), bytesOf("A"));
}

TEST(Base64Decoding, SkipsPaddingAndWhiteSpaceAnywhere) {
    EXPECT_EQ(dataWithBase64EncodedString("Q\nU\nJ\nD\n"), bytesOf("ABC"));
    EXPECT_EQ(dataWithBase64EncodedString("QU=JD"), bytesOf("ABC"));
    EXPECT_EQ(dataWithBase64EncodedString(" \tQ\vU\fJ\rD "), bytesOf("ABC"));
    // Padding does not end the data: later characters go on filling groups.
    EXPECT_EQ(dataWithBase64EncodedString("QQ==QQ=="), (Bytes{0x41, 0x04, 0x10}));
    EXPECT_EQ(dataWithBase64EncodedString("QQ==QQ=="), dataWithBase64EncodedString("QQQQ"));
}

TEST(Base64Decoding, EmptyOrOnlySkippedCharactersGiveEmptyData) {
    EXPECT_EQ(dataWithBase64EncodedString(""), Bytes());
    EXPECT_EQ(dataWithBase64EncodedString(" = \n\t==\r\n"), Bytes());
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

TEST(Base64Decoding, NeverHoldsMoreThanItsWorkingBuffer) {
    for (const std::string& text :
         {std::string(4001, ' '), std::string(1000, 'A'), std::string("QQ") + std::string(998, '='),
          std::string(7, 'B') + "=", std::string("QUJ")}) {
        const auto data = dataWithBase64EncodedString(text);
        ASSERT_TRUE(data.has_value()) << text.size();
        EXPECT_LE(data->capacity(), (text.size() + 3) / 4 * 3) << text.size();
    }
}

TEST(Base64, RoundTripsRandomBytesOfEveryLength) {
    std::mt19937 random(20240615);
    std::uniform_int_distribution<int> byte(0, 255);
    for (size_t n = 0; n <= 300; ++n) {
        Bytes data(n);
        for (auto& b : data) b = static_cast<std::uint8_t>(byte(random));
        const std::string text = base64Encoding(data).value();
        ASSERT_EQ(text.size(), 4 * ((n + 2) / 3));
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
