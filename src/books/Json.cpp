#include "books/Json.h"

#include "books/Text.h"

#include <cstdint>

namespace penshelf {
namespace {

// Deeper than any manifest, and shallow enough that the recursion cannot
// exhaust the stack.
constexpr int maxDepth = 32;
constexpr std::uint64_t maxWholeNumber = (std::uint64_t{1} << 53) - 1;

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    std::optional<JsonValue> document() {
        JsonValue value;
        skipSpace();
        if (!readValue(value, 0)) return std::nullopt;
        skipSpace();
        if (pos_ != text_.size()) return std::nullopt;
        return value;
    }

  private:
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }

    void skipSpace() {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')) {
            ++pos_;
        }
    }

    bool literal(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }

    bool readValue(JsonValue& value, int depth) {
        if (depth > maxDepth) return false;
        switch (peek()) {
            case '{':
                return readObject(value, depth);
            case '[':
                return readArray(value, depth);
            case '"':
                value.kind = JsonValue::Kind::String;
                return readString(value.text);
            case 't':
                value.kind = JsonValue::Kind::Bool;
                value.boolean = true;
                return literal("true");
            case 'f':
                value.kind = JsonValue::Kind::Bool;
                return literal("false");
            case 'n':
                return literal("null");
            default:
                value.kind = JsonValue::Kind::Number;
                return readNumber(value.text);
        }
    }

    bool readObject(JsonValue& value, int depth) {
        value.kind = JsonValue::Kind::Object;
        ++pos_;
        skipSpace();
        if (peek() == '}') {
            ++pos_;
            return true;
        }
        for (;;) {
            std::string key;
            if (peek() != '"' || !readString(key)) return false;
            if (value.member(key)) return false;  // which one would count is anyone's guess
            skipSpace();
            if (peek() != ':') return false;
            ++pos_;
            skipSpace();
            JsonValue member;
            if (!readValue(member, depth + 1)) return false;
            value.members.push_back({std::move(key), std::move(member)});
            skipSpace();
            if (peek() == '}') {
                ++pos_;
                return true;
            }
            if (peek() != ',') return false;
            ++pos_;
            skipSpace();
        }
    }

    bool readArray(JsonValue& value, int depth) {
        value.kind = JsonValue::Kind::Array;
        ++pos_;
        skipSpace();
        if (peek() == ']') {
            ++pos_;
            return true;
        }
        for (;;) {
            JsonValue item;
            if (!readValue(item, depth + 1)) return false;
            value.items.push_back(std::move(item));
            skipSpace();
            if (peek() == ']') {
                ++pos_;
                return true;
            }
            if (peek() != ',') return false;
            ++pos_;
            skipSpace();
        }
    }

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    bool digits() {
        const size_t start = pos_;
        while (isDigit(peek())) ++pos_;
        return pos_ > start;
    }

    bool readNumber(std::string& out) {
        const size_t start = pos_;
        if (peek() == '-') ++pos_;
        if (peek() == '0') {
            ++pos_;
        } else if (!digits()) {
            return false;
        }
        if (peek() == '.') {
            ++pos_;
            if (!digits()) return false;
        }
        if (peek() == 'e' || peek() == 'E') {
            ++pos_;
            if (peek() == '+' || peek() == '-') ++pos_;
            if (!digits()) return false;
        }
        out = text_.substr(start, pos_ - start);
        return true;
    }

    bool hex4(std::uint32_t& code) {
        if (text_.size() - pos_ < 4) return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[pos_++];
            code <<= 4;
            if (isDigit(c)) {
                code |= static_cast<std::uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                code |= static_cast<std::uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                code |= static_cast<std::uint32_t>(c - 'A' + 10);
            } else {
                return false;
            }
        }
        return true;
    }

    static void appendUtf8(std::string& out, std::uint32_t code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | code >> 18);
            out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    // A \u escape, the second half of a surrogate pair included.
    bool readUnicodeEscape(std::string& out) {
        std::uint32_t code;
        if (!hex4(code)) return false;
        if (code >= 0xDC00 && code <= 0xDFFF) return false;
        if (code >= 0xD800 && code <= 0xDBFF) {
            std::uint32_t low;
            if (!literal("\\u") || !hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(out, code);
        return true;
    }

    bool readString(std::string& out) {
        ++pos_;  // the opening quote
        for (;;) {
            if (atEnd()) return false;
            const char c = text_[pos_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (atEnd()) return false;
            const char escaped = text_[pos_++];
            if (escaped == 'u') {
                if (!readUnicodeEscape(out)) return false;
                continue;
            }
            // The one-letter escapes and what they stand for, position by position.
            constexpr std::string_view letters = "\"\\/bfnrt";
            constexpr std::string_view meanings = "\"\\/\b\f\n\r\t";
            const size_t which = letters.find(escaped);
            if (which == std::string_view::npos) return false;
            out += meanings[which];
        }
    }

    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace

const JsonValue* JsonValue::member(std::string_view key) const {
    for (const auto& [name, value] : members) {
        if (name == key) return &value;
    }
    return nullptr;
}

std::optional<std::uint64_t> JsonValue::wholeNumber() const {
    if (kind != Kind::Number || text.empty() || text.size() > 16) return std::nullopt;
    std::uint64_t n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (n > maxWholeNumber) return std::nullopt;
    return n;
}

std::optional<JsonValue> parseJson(std::string_view text) {
    // Strings are copied byte by byte, so the whole text is checked once here.
    if (!isValidUtf8(text)) return std::nullopt;
    return Reader(text).document();
}

std::string jsonString(std::string_view utf8) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const std::string_view character : utf8Characters(utf8)) {
        const char c = character[0];
        const auto byte = static_cast<unsigned char>(c);
        if (character.size() > 1) {
            out += character;
        } else if (byte >= 0x80) {
            out += "\\ufffd";  // a byte that is no part of a UTF-8 character
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\u00";
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace penshelf
