#include "books/BookNumber.h"

#include "books/BookHeader.h"
#include "books/Catalogue.h"
#include "books/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace penshelf {
namespace {

constexpr int highestProposal = 998;

bool existsAt(int folderFd, const std::string& name) {
    struct stat st;
    return fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace

bool validateNumberByASCII(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string formatBookNumber(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

bool existsInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty()) return false;
    const UniqueFd folderFd(openBookFolder(folder));
    return folderFd.isOpen() && existsAt(folderFd.get(), name);
}

std::string proposeBookNumber(const std::string& folder, std::uint16_t defaultTitle,
                              const std::string& extBook) {
    if (defaultTitle >= 1 && defaultTitle <= highestProposal) return formatBookNumber(defaultTitle);
    if (folder.empty()) return formatBookNumber(1);
    // Up to 998 look-ups: resolve the folder once.
    const UniqueFd folderFd(openBookFolder(folder));
    if (!folderFd.isOpen()) return formatBookNumber(1);
    int proposal = highestProposal;
    for (int i = 1; i <= highestProposal; ++i) {
        if (!existsAt(folderFd.get(), formatBookNumber(i) + extBook)) {
            proposal = i;
            break;
        }
    }
    return formatBookNumber(proposal);
}

std::string proposeBookNumberFor(const std::string& folder, const std::string& packagePath) {
    return proposeBookNumber(folder, GetBookDefaultTitle(packagePath).value_or(0),
                             GetBookType(packagePath));
}

NumberCheck checkBookNumber(const std::string& folder, std::string_view number,
                            const std::string& extBook) {
    if (!validateNumberByASCII(number)) return NumberCheck::NotDigits;
    // Only ASCII is left, so bytes are characters.
    if (number.size() != 3) return NumberCheck::NotThreeDigits;
    if (existsInFolder(folder, std::string(number) + extBook)) return NumberCheck::Taken;
    return NumberCheck::Valid;
}

}  // namespace penshelf
