#include "books/BookHeader.h"

#include "books/RegularFile.h"
#include "books/Text.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace penshelf {
namespace {

std::optional<std::uint16_t> readU16(const std::string& path, off_t offset) {
    unsigned char bytes[2];
    const RegularFile file(path);
    if (file.readAt(offset, bytes, sizeof bytes) != sizeof bytes) return std::nullopt;
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::optional<std::string> readName(const RegularFile& file) {
    char bytes[BookHeader::nameAreaSize];
    const ssize_t got = file.readAt(0, bytes, sizeof bytes);
    if (got < 0) return std::nullopt;
    // 0xFF never occurs in GB 18030 text; pens fill the name area with it.
    const auto end = std::find_if(bytes, bytes + got, [](char c) {
        return c == '\0' || static_cast<unsigned char>(c) == 0xFF;
    });
    return decodeGb18030(std::string_view(bytes, static_cast<size_t>(end - bytes)));
}

}  // namespace

std::optional<std::string> GetBookName(const std::string& path) {
    return readName(RegularFile(path));
}

std::optional<std::string> bookNameAt(int folderFd, const std::string& relativePath,
                                      bool listedAsRegular) {
    return readName(RegularFile(folderFd, relativePath, listedAsRegular));
}

std::optional<std::uint16_t> GetBookCoverOID(const std::string& path) {
    return readU16(path, BookHeader::coverOidOffset);
}

std::optional<std::uint16_t> bookLabelKey(const std::string& path) {
    return readU16(path, BookHeader::labelKeyOffset);
}

std::optional<std::uint16_t> GetBookDefaultTitle(const std::string& path) {
    return readU16(path, BookHeader::defaultTitleOffset);
}

std::optional<std::uint16_t> GetBookDefaultLabel(const std::string& path) {
    return readU16(path, BookHeader::defaultLabelOffset);
}

std::string GetBookType(const std::string& path) {
    return GetBookCoverOID(path).value_or(0) != 0 ? ".vxs" : ".vxr";
}

bool isBookPackageSource(const std::string& fileName) {
    constexpr std::string_view extension = ".vxb";
    if (fileName.size() <= extension.size()) return false;
    return std::equal(extension.begin(), extension.end(), fileName.end() - extension.size(),
                      [](char wanted, char given) {
                          return wanted == std::tolower(static_cast<unsigned char>(given));
                      });
}

std::uint16_t labelNumberFor(std::uint16_t defaultLabel) {
    return (defaultLabel == 0 || defaultLabel > 999) ? 1 : defaultLabel;
}

std::array<unsigned char, 2> labelFieldBytes(std::uint16_t labelKey, std::uint16_t defaultLabel) {
    const std::uint16_t field = labelKey ^ labelNumberFor(defaultLabel);
    return {static_cast<unsigned char>(field & 0xFF), static_cast<unsigned char>(field >> 8)};
}

}  // namespace penshelf
