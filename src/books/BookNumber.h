#pragma once
// The book package number: three ASCII digits that, with the extension, name
// a package in a pen's BOOK/ folder. What the install proposes and accepts.

#include <cstdint>
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
    explicit TakenNames(const std::string& folder);
    bool contains(const std::string& name) const;

  private:
    std::unordered_set<std::string> names_;
};

// Whether name is taken in folder, as above.
bool existsInFolder(const std::string& folder, const std::string& name);

// The number offered for a package: its default title when that is 1 to 998,
// whether taken or not; otherwise the lowest of 001 to 998 not taken in
// folder for extBook, or 998 when every one is. Never 000 or 999.
std::string proposeBookNumber(const std::string& folder, std::uint16_t defaultTitle,
                              const std::string& extBook);

// The same for the package file at packagePath, from its header: its default
// title (a missing one counts as 0) and its extension, GetBookType.
std::string proposeBookNumberFor(const std::string& folder, const std::string& packagePath);

// The checks of a typed number, in the order the user is told about them.
enum class NumberCheck { Valid, NotDigits, NotThreeDigits, Taken };
NumberCheck checkBookNumber(const std::string& folder, std::string_view number,
                            const std::string& extBook);

}  // namespace penshelf
