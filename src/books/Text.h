#pragma once
// Text helpers for names read from pens: GB 18030 book titles and UTF-8 codes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace penshelf {

// GB 18030 bytes as UTF-8, or nothing when the bytes are not valid GB 18030.
std::optional<std::string> decodeGb18030(std::string_view bytes);

// UTF-8 text as GB 18030 bytes, or nothing when it cannot be encoded.
std::optional<std::string> encodeGb18030(std::string_view utf8);

bool isValidUtf8(std::string_view text);

// Text with A to Z made a to z, whatever the locale: how names on a pen's FAT
// volume compare, and how extensions are told apart.
std::string asciiLower(std::string text);

// The characters of a UTF-8 text, each as its own byte run. A stray byte of
// broken UTF-8 counts as one character, so file names of any kind split.
std::vector<std::string_view> utf8Characters(std::string_view text);

}  // namespace penshelf
