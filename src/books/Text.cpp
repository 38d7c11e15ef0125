#include "books/Text.h"

#include <iconv.h>

#include <memory>

namespace penshelf {
namespace {

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

IconvHandle openConverter(const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
    return IconvHandle(cd);
}

// One converter per direction and thread: opening one costs far more than a
// short title, and the catalogue decodes a title for every package.
std::optional<std::string> convert(iconv_t cd, std::string_view in) {
    if (cd == nullptr) return std::nullopt;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    std::string out(in.size() * 4 + 4, '\0');
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
        return std::nullopt;
    }
    // A truncated multi-byte sequence at the end is an error too.
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
        return std::nullopt;
    }
    out.resize(out.size() - outLeft);
    return out;
}

bool isAscii(std::string_view text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> decodeGb18030(std::string_view bytes) {
    if (isAscii(bytes)) return std::string(bytes);  // GB 18030 keeps ASCII as is
    thread_local IconvHandle cd = openConverter("UTF-8", "GB18030");
    return convert(cd.get(), bytes);
}

std::optional<std::string> encodeGb18030(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    thread_local IconvHandle cd = openConverter("GB18030", "UTF-8");
    return convert(cd.get(), utf8);
}

namespace {

// Length of the well-formed UTF-8 sequence at the start of text, or 0.
size_t sequenceLength(std::string_view text) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = b(0);
    size_t len;
    unsigned char min2 = 0x80, max2 = 0xBF;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        if (lead == 0xE0) min2 = 0xA0;
        if (lead == 0xED) max2 = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        if (lead == 0xF0) min2 = 0x90;
        if (lead == 0xF4) max2 = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < len) return 0;
    if (b(1) < min2 || b(1) > max2) return 0;
    for (size_t i = 2; i < len; ++i) {
        if ((b(i) & 0xC0) != 0x80) return 0;
    }
    return len;
}

}  // namespace

std::string asciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool isValidUtf8(std::string_view text) {
    while (!text.empty()) {
        const size_t len = sequenceLength(text);
        if (len == 0) return false;
        text.remove_prefix(len);
    }
    return true;
}

std::vector<std::string_view> utf8Characters(std::string_view text) {
    std::vector<std::string_view> chars;
    while (!text.empty()) {
        const size_t len = std::max<size_t>(sequenceLength(text), 1);
        chars.push_back(text.substr(0, len));
        text.remove_prefix(len);
    }
    return chars;
}

}  // namespace penshelf
