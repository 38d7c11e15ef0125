#include "books/BookNumber.h"

#include "books/Catalogue.h"
#include "books/Text.h"
#include "books/UniqueFd.h"

#include <algorithm>
#include <cstdio>

namespace penshelf {
namespace {

constexpr int highestProposal = 998;

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
    return TakenNames(folder).contains(name);
}

namespace {

// Every entry counts, folders and dangling links too: the name is taken.
void takeEntries(FolderListing listing, std::unordered_set<std::string>& names) {
    while (const dirent* entry = listing.next()) names.insert(asciiLower(entry->d_name));
}

}  // namespace

TakenNames::TakenNames(const std::string& folder) {
    if (!folder.empty()) takeEntries(FolderListing(openBookFolder(folder)), names_);
}

TakenNames::TakenNames(int folderFd) {
    takeEntries(FolderListing::of(folderFd), names_);
}

bool TakenNames::contains(const std::string& name) const {
    return names_.count(asciiLower(name)) > 0;
}

bool TakenNames::take(const std::string& name) {
    return names_.insert(asciiLower(name)).second;
}

void TakenNames::release(const std::string& name) {
    names_.erase(asciiLower(name));
}

std::optional<std::string> lowestFreeNumber(const TakenNames& taken, const std::string& extBook) {
    for (int i = 1; i <= highestProposal; ++i) {
        if (!taken.contains(formatBookNumber(i) + extBook)) return formatBookNumber(i);
    }
    return std::nullopt;
}

std::string proposeBookNumber(const std::string& folder, std::uint16_t defaultTitle,
                              const std::string& extBook) {
    if (defaultTitle >= 1 && defaultTitle <= highestProposal) return formatBookNumber(defaultTitle);
    // Up to 998 look-ups: the folder is listed once.
    return lowestFreeNumber(TakenNames(folder), extBook)
        .value_or(formatBookNumber(highestProposal));
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
