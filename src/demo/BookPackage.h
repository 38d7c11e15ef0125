#pragma once
// Book package files made to order: the demo pens' books, and the tests'.

#include "books/BookHeader.h"
#include "books/Text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace penshelf::demo {

struct BookPackage {
    std::string name;  // the name string's bytes, prefix included
    std::uint16_t coverOid = 0;
    std::uint16_t labelField = 0;
    std::uint16_t labelKey = 0;
    std::uint16_t defaultTitle = 0;
    std::uint16_t defaultLabel = 0;
    size_t size = 600;

    // The file's bytes: the name, 0xFF filler up to the book's identifier as
    // pens have it, the header fields, and a byte pattern as content.
    std::string bytes() const {
        std::string out(size, '\0');
        for (size_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * 7 + 3) & 0xFF);
        const auto nameEnd = static_cast<size_t>(BookHeader::guidOffset);
        for (size_t i = 0; i < nameEnd && i < size; ++i) {
            out[i] = i < name.size() ? name[i] : '\xFF';
        }
        put(out, BookHeader::coverOidOffset, coverOid);
        put(out, BookHeader::labelFieldOffset, labelField);
        put(out, BookHeader::labelKeyOffset, labelKey);
        put(out, BookHeader::defaultTitleOffset, defaultTitle);
        put(out, BookHeader::defaultLabelOffset, defaultLabel);
        return out;
    }

  private:
    static void put(std::string& out, off_t at, std::uint16_t value) {
        const auto offset = static_cast<size_t>(at);
        if (offset + 1 < out.size()) {
            out[offset] = static_cast<char>(value & 0xFF);
            out[offset + 1] = static_cast<char>(value >> 8);
        }
    }
};

// UTF-8 text in the pens' GB 18030 encoding.
inline std::string gb18030(std::string_view utf8) {
    return encodeGb18030(utf8).value();
}

// The name string of an ordinary book with the given title.
inline std::string vxbName(std::string_view title) {
    return "VXB" + gb18030(title);
}

}  // namespace penshelf::demo
