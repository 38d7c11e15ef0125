#pragma once
// The command line's progress line for a copy of books, out of a pen or back.

#include "books/BackupManifest.h"
#include "cli/FieldEscape.h"

#include <cstdint>
#include <string>

namespace penshelf::cli {

inline int percentOf(std::uint64_t part, std::uint64_t whole) {
    return whole == 0 ? 100 : static_cast<int>(part * 100 / whole);
}

// "doing 001.vxr 小猫: 40% (book 1 of 3)", with the share of all the bytes
// before the closing bracket when ofAll.
inline std::string bookProgressText(const char* doing, const BookCopyProgress& p, bool ofAll) {
    std::string text = std::string(doing) + " " + escapeField(p.current->entry) + " " +
                       escapeField(p.current->name) + ": " +
                       std::to_string(percentOf(p.bookDone, p.current->size)) + "% (book " +
                       std::to_string(p.book + 1) + " of " + std::to_string(p.books);
    if (ofAll) text += ", " + std::to_string(percentOf(p.done, p.total)) + "% of all";
    return text + ")";
}

}  // namespace penshelf::cli
