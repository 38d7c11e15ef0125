// libFuzzer target: the lenient base64 decoder on any text, and the encoder on any bytes.
// Aborts when a decoding holds more than its working buffer or a round trip changes the data.
#include "soap/Base64.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

using namespace penshelf::soap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t bound = (size / 4 + (size % 4 != 0)) * 3;

    const std::optional<Bytes> decoded = dataWithBase64EncodedString(text);
    if (decoded) {
        if (decoded->size() > bound || decoded->capacity() > bound) std::abort();
        // What was decoded encodes to a text that decodes to the same bytes.
        const std::optional<std::string> again = base64Encoding(*decoded);
        if (!again || dataWithBase64EncodedString(*again) != decoded) std::abort();
    }

    // The C-string entry point sees the text up to its first NUL and must agree.
    auto cString = std::make_unique<char[]>(size + 1);
    std::memcpy(cString.get(), data, size);
    cString[size] = '\0';
    const std::size_t nul = std::strlen(cString.get());
    const std::optional<Bytes> viaCString = dataWithBase64EncodedString(cString.get());
    if (viaCString != dataWithBase64EncodedString(text.substr(0, nul))) std::abort();

    // Any bytes survive encoding and decoding.
    const std::optional<std::string> encoded = base64Encoding(Bytes(data, data + size));
    if (!encoded || encoded->size() != (size + 2) / 3 * 4) std::abort();
    const std::optional<Bytes> back = dataWithBase64EncodedString(*encoded);
    if (!back || back->size() != size ||
        (size != 0 && std::memcmp(back->data(), data, size) != 0)) {
        std::abort();
    }
    return 0;
}
