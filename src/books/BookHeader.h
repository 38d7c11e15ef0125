#pragma once
// The fixed-offset fields at the start of a book package file. Each reader
// opens the file, reads only its own field and closes it again.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>

namespace penshelf {

// Offsets and sizes of the header fields (all integers u16 little-endian).
namespace BookHeader {
inline constexpr size_t nameAreaSize = 100;
// The book's identifier: a well-formed name and its end byte lie before it.
inline constexpr off_t guidOffset = 63;
inline constexpr off_t coverOidOffset = 95;
inline constexpr off_t labelFieldOffset = 141;
inline constexpr off_t labelKeyOffset = 161;
inline constexpr off_t defaultTitleOffset = 181;
inline constexpr off_t defaultLabelOffset = 183;
inline constexpr off_t size = 185;  // a file must be this long to hold every field
}  // namespace BookHeader

// The whole decoded name string, prefix included; nothing when the file is not
// a readable regular file or its name bytes are not valid GB 18030.
std::optional<std::string> GetBookName(const std::string& path);
// The same for a file given relative to an open folder; listedAsRegular skips
// the type check when the folder's listing has already made it.
std::optional<std::string> bookNameAt(int folderFd, const std::string& relativePath,
                                      bool listedAsRegular = false);

// The u16 fields. Nothing when the file cannot be read or is too short to hold
// the field, so that callers can tell a missing field from a zero one.
std::optional<std::uint16_t> GetBookCoverOID(const std::string& path);
std::optional<std::uint16_t> bookLabelKey(const std::string& path);
std::optional<std::uint16_t> GetBookDefaultTitle(const std::string& path);
std::optional<std::uint16_t> GetBookDefaultLabel(const std::string& path);

// ".vxs" for a smart package (nonzero cover OID), else ".vxr"; a missing cover
// OID counts as zero.
std::string GetBookType(const std::string& path);

// Whether a file name is that of a book package as obtained, to install:
// it ends in ".vxb", in any case.
bool isBookPackageSource(const std::string& fileName);

// The label number written at install: the default label, or 1 when that is
// 0 or above 999.
std::uint16_t labelNumberFor(std::uint16_t defaultLabel);

// The two bytes stored at labelFieldOffset of an installed custom package.
std::array<unsigned char, 2> labelFieldBytes(std::uint16_t labelKey, std::uint16_t defaultLabel);

}  // namespace penshelf
