#include "cli/FieldEscape.h"

#include "books/Text.h"

namespace penshelf::cli {
namespace {

constexpr char hexDigits[] = "0123456789abcdef";

void appendHex(std::string& out, unsigned char byte) {
    out += "\\x";
    out += hexDigits[byte >> 4];
    out += hexDigits[byte & 0xF];
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// U+0080 to U+009F: C1 controls, which some terminals obey as escapes.
bool isC1Control(std::string_view character) {
    return character.size() == 2 && static_cast<unsigned char>(character[0]) == 0xC2 &&
           static_cast<unsigned char>(character[1]) < 0xA0;
}

}  // namespace

std::string escapeField(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const std::string_view character : utf8Characters(bytes)) {
        const auto lead = static_cast<unsigned char>(character[0]);
        if (character.size() == 1 && lead >= 0x20 && lead < 0x7F && lead != '\\') {
            out += character;
        } else if (lead == '\\') {
            out += "\\\\";
        } else if (lead == '\t') {
            out += "\\t";
        } else if (lead == '\n') {
            out += "\\n";
        } else if (lead == '\r') {
            out += "\\r";
        } else if (character.size() == 1 || isC1Control(character)) {
            // Controls, DEL and bytes that are no part of a UTF-8 character.
            for (const char c : character) appendHex(out, static_cast<unsigned char>(c));
        } else {
            out += character;
        }
    }
    return out;
}

std::optional<std::string> unescapeField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 'x': {
                if (i + 2 >= text.size()) return std::nullopt;
                const int high = hexValue(text[i + 1]);
                const int low = hexValue(text[i + 2]);
                if (high < 0 || low < 0) return std::nullopt;
                out += static_cast<char>(high << 4 | low);
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return out;
}

}  // namespace penshelf::cli
