// libFuzzer target: the escaped form in which the command line writes names from a pen and
// takes them back. Aborts when escaping any bytes and unescaping the result does not give the
// bytes back, or when the escaped form holds a control character or broken UTF-8.
#include "books/Text.h"
#include "cli/FieldEscape.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace penshelf;
using namespace penshelf::cli;

namespace {

bool isControl(std::string_view character) {
    const auto lead = static_cast<unsigned char>(character[0]);
    if (character.size() == 1) return lead < 0x20 || lead == 0x7F;
    // U+0080 to U+009F
    return character.size() == 2 && lead == 0xC2 && static_cast<unsigned char>(character[1]) < 0xA0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::string escaped = escapeField(bytes);
    if (!isValidUtf8(escaped)) std::abort();
    for (const std::string_view character : utf8Characters(escaped)) {
        if (isControl(character)) std::abort();
    }
    if (unescapeField(escaped) != bytes) std::abort();

    // The same bytes read as an escaped field: what comes back escapes to a form that reads
    // back to it again.
    if (const std::optional<std::string> unescaped = unescapeField(bytes)) {
        if (unescaped->size() > size) std::abort();
        if (unescapeField(escapeField(*unescaped)) != unescaped) std::abort();
    }
    return 0;
}
