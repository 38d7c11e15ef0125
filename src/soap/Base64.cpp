#include "soap/Base64.h"

#include <array>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace penshelf::soap {

namespace {

constexpr char base64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Classes of the reverse table beside the 64 digit values.
constexpr std::uint8_t skipByte = 0x40;     // "=" and white space
constexpr std::uint8_t invalidByte = 0x80;  // outside the alphabet, non-ASCII included
constexpr std::uint8_t endByte = 0xC0;      // NUL ends the text

constexpr std::array<std::uint8_t, 256> makeReverseTable() {
    std::array<std::uint8_t, 256> table{};
    for (auto& entry : table) entry = invalidByte;
    for (std::uint8_t i = 0; i < 64; ++i) table[static_cast<unsigned char>(base64Alphabet[i])] = i;
    for (unsigned char c : {'=', ' ', '\t', '\n', '\v', '\f', '\r'}) table[c] = skipByte;
    table[0] = endByte;
    return table;
}

constexpr std::array<std::uint8_t, 256> decodeTable = makeReverseTable();

}  // namespace

std::optional<std::string> base64Encoding(std::span<const std::uint8_t> data) {
    const size_t n = data.size();
    if (n == 0) return std::string();
    const size_t groups = n / 3 + (n % 3 != 0);
    if (groups > std::numeric_limits<size_t>::max() / 4) return std::nullopt;
    std::string text;
    try {
        text.resize(groups * 4);
    } catch (const std::exception&) {  // bad_alloc, length_error
        return std::nullopt;
    }
    const std::uint8_t* in = data.data();
    char* out = text.data();
    size_t i = 0;
    for (; i + 3 <= n; i += 3, out += 4) {
        const std::uint32_t v =
            std::uint32_t{in[i]} << 16 | std::uint32_t{in[i + 1]} << 8 | in[i + 2];
        out[0] = base64Alphabet[v >> 18];
        out[1] = base64Alphabet[(v >> 12) & 63];
        out[2] = base64Alphabet[(v >> 6) & 63];
        out[3] = base64Alphabet[v & 63];
    }
    if (n - i == 1) {
        const std::uint32_t v = std::uint32_t{in[i]} << 16;
        out[0] = base64Alphabet[v >> 18];
        out[1] = base64Alphabet[(v >> 12) & 63];
        out[2] = '=';
        out[3] = '=';
    } else if (n - i == 2) {
        const std::uint32_t v = std::uint32_t{in[i]} << 16 | std::uint32_t{in[i + 1]} << 8;
        out[0] = base64Alphabet[v >> 18];
        out[1] = base64Alphabet[(v >> 12) & 63];
        out[2] = base64Alphabet[(v >> 6) & 63];
        out[3] = '=';
    }
    return text;
}

std::optional<Bytes> dataWithBase64EncodedString(const char* text) {
    if (text == nullptr) throw std::invalid_argument("Error: String must not be nil");
    return dataWithBase64EncodedString(std::string_view(text, std::strlen(text)));
}

std::optional<Bytes> dataWithBase64EncodedString(std::string_view text) {
    const size_t length = text.size();
    if (length == 0) return Bytes();

    // At most three bytes for every four characters, counted without overflow.
    const size_t capacity = (length / 4 + (length % 4 != 0)) * 3;
    Bytes data;
    try {
        data.resize(capacity);
    } catch (const std::exception&) {
        return std::nullopt;
    }

    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = p + length;
    std::uint8_t* out = data.data();
    std::uint32_t group = 0;
    int pending = 0;  // significant characters in `group`

    while (p < end) {
        if (pending == 0) {
            // Clean stretches of four alphabet characters, the common case, in one step each.
            while (end - p >= 4) {
                const std::uint32_t a = decodeTable[p[0]], b = decodeTable[p[1]],
                                    c = decodeTable[p[2]], d = decodeTable[p[3]];
                if ((a | b | c | d) >= 64) break;
                const std::uint32_t v = a << 18 | b << 12 | c << 6 | d;
                out[0] = static_cast<std::uint8_t>(v >> 16);
                out[1] = static_cast<std::uint8_t>(v >> 8);
                out[2] = static_cast<std::uint8_t>(v);
                out += 3;
                p += 4;
            }
            if (p == end) break;
        }
        const std::uint8_t value = decodeTable[*p++];
        if (value < 64) {
            group = group << 6 | value;
            if (++pending == 4) {
                out[0] = static_cast<std::uint8_t>(group >> 16);
                out[1] = static_cast<std::uint8_t>(group >> 8);
                out[2] = static_cast<std::uint8_t>(group);
                out += 3;
                group = 0;
                pending = 0;
            }
        } else if (value == skipByte) {
            continue;
        } else if (value == endByte) {
            // The text as a whole must still be ASCII, even past the NUL that ends the scan.
            for (; p < end; ++p) {
                if (*p >= 0x80) return std::nullopt;
            }
            break;
        } else {
            return std::nullopt;
        }
    }

    switch (pending) {
        case 1:
            return std::nullopt;
        case 2:
            *out++ = static_cast<std::uint8_t>(group >> 4);
            break;
        case 3:
            *out++ = static_cast<std::uint8_t>(group >> 10);
            *out++ = static_cast<std::uint8_t>(group >> 2);
            break;
        default:
            break;
    }
    data.resize(static_cast<size_t>(out - data.data()));
    return data;
}

}  // namespace penshelf::soap
