#pragma once
// The book package number: three ASCII digits that, with the extension, name
// a package in a pen's BOOK/ folder. What the install proposes and accepts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace penshelf {

// True when every character is an ASCII digit "0" to "9"; the empty text too.
bool validateNumberByASCII(std::string_view text);

// "%03d" of n.
std::string formatBookNumber(int n);

// The names taken in a pen's BOOK/ folder as the pen's FAT file system sees
// them: without regard to case, so 001.VXR takes 001.vxr. Anything counts
// (file, folder, link). The empty folder of a pen without a mounted volume,
// or a BOOK that is a link, holds nothing.
class TakenNames {
  public:
    TakenNames() = default;
    explicit TakenNames(const std::string& folder);
    // The entries of a folder held open.
    explicit TakenNames(int folderFd);
    bool contains(const std::string& name) const;
    // Counts name as taken from now on; false when it was already.
    bool take(const std::string& name);
    void release(const std::string& name);

  private:
    std::unordered_set<std::string> names_;
};

// The lowest number from 001 to 998 that names nothing of extBook in taken;
// nothing when every one does. Never 000 or 999.
std::optional<std::string> lowestFreeNumber(const TakenNames& taken, const std::string& extBook);

// Whether name is taken in folder, as above.
bool existsInFolder(const std::string& folder, const std::string& name);

// The number offered for a package: its default title when that is 1 to 998,
// whether taken or not; otherwise the lowest of 001 to 998 not taken in
// folder for extBook, or 998 when every one is. Never 000 or 999.
std::string proposeBookNumber(const std::string& folder, std::uint16_t defaultTitle,
                              const std::string& extBook);

// The checks of a typed number, in the order the user is told about them.
enum class NumberCheck { Valid, NotDigits, NotThreeDigits, Taken };
NumberCheck checkBookNumber(const std::string& folder, std::string_view number,
                            const std::string& extBook);

}  // namespace penshelf
