#pragma once
// One UTF-16 code unit, as the time separator of the ISO 8601 writer and reader is given, in
// UTF-8.

#include <cstdint>
#include <string>

namespace penshelf::soap::detail {

// Appends the UTF-8 bytes of c. A lone surrogate cannot stand for a character; it is written as
// U+FFFD.
inline void appendUtf8(std::string& out, char16_t c) {
    const std::uint32_t code = (c >= 0xD800 && c <= 0xDFFF) ? 0xFFFD : c;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace penshelf::soap::detail
