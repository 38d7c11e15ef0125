// libFuzzer target: the readers of a book package's header on a file holding the fuzzer's bytes,
// and the label field written at install. Aborts when a field is read from anywhere but its
// offset, when the readers by path and by folder disagree, when a name is not UTF-8 or does not
// survive encoding back to GB 18030, or when the label field does not give the key back.
#include "FuzzFolder.h"

#include "books/BookHeader.h"
#include "books/Text.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace penshelf;

namespace {

std::optional<std::uint16_t> expectedU16(const std::uint8_t* data, std::size_t size, off_t at) {
    const auto offset = static_cast<std::size_t>(at);
    if (size < offset + 2) return std::nullopt;
    return static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int folderFd = open(fuzz::runFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    static const std::string path = fuzz::runFolder() + "/001.vxr";
    if (folderFd < 0) std::abort();
    unlinkat(folderFd, "001.vxr", 0);
    if (!fuzz::writeNewFile(folderFd, "001.vxr", data, size)) std::abort();

    // The name: the bytes up to the first NUL or 0xFF of the name area, decoded.
    const std::optional<std::string> name = GetBookName(path);
    const std::size_t area = std::min(size, BookHeader::nameAreaSize);
    const std::size_t end =
        std::find_if(data, data + area, [](std::uint8_t b) { return b == 0 || b == 0xFF; }) - data;
    const std::string_view nameBytes(reinterpret_cast<const char*>(data), end);
    if (name != decodeGb18030(nameBytes)) std::abort();
    if (bookNameAt(folderFd, "001.vxr") != name) std::abort();
    if (bookNameAt(folderFd, "001.vxr", true) != name) std::abort();
    if (name) {
        if (!isValidUtf8(*name)) std::abort();
        if (encodeGb18030(*name) != nameBytes) std::abort();
    }

    // The u16 fields, little-endian at their offsets, absent when the file ends before them.
    const auto coverOid = GetBookCoverOID(path);
    const auto labelKey = bookLabelKey(path);
    const auto defaultTitle = GetBookDefaultTitle(path);
    const auto defaultLabel = GetBookDefaultLabel(path);
    if (coverOid != expectedU16(data, size, BookHeader::coverOidOffset)) std::abort();
    if (labelKey != expectedU16(data, size, BookHeader::labelKeyOffset)) std::abort();
    if (defaultTitle != expectedU16(data, size, BookHeader::defaultTitleOffset)) std::abort();
    if (defaultLabel != expectedU16(data, size, BookHeader::defaultLabelOffset)) std::abort();
    if (GetBookType(path) != (coverOid.value_or(0) != 0 ? ".vxs" : ".vxr")) std::abort();

    // The label field: the key, masked with a label number from 1 to 999, gives the key back.
    const std::uint16_t key = labelKey.value_or(0);
    const std::uint16_t label = defaultLabel.value_or(0);
    const std::uint16_t number = labelNumberFor(label);
    if (number < 1 || number > 999) std::abort();
    if (label >= 1 && label <= 999 && number != label) std::abort();
    const std::array<unsigned char, 2> field = labelFieldBytes(key, label);
    if (static_cast<std::uint16_t>(field[0] | (field[1] << 8)) != (key ^ number)) std::abort();

    // Whatever the bytes, decoding them directly never fails in a way that breaks UTF-8.
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto decoded = decodeGb18030(bytes); decoded && !isValidUtf8(*decoded)) std::abort();
    return 0;
}
