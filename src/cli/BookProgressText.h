#pragma once
// The command line's progress line for a copy of books, out of a pen or back.

#include "books/BackupManifest.h"
#include "cli/CliText.h"
#include "cli/FieldEscape.h"

#include <cstdint>
#include <string>

namespace penshelf::cli {

inline int percentOf(std::uint64_t part, std::uint64_t whole) {
    return whole == 0 ? 100 : static_cast<int>(part * 100 / whole);
}

// "doing 001.vxr 小猫: 40% (book 1 of 3)", with the share of all the bytes
// before the closing bracket when ofAll.
inline Text bookProgressText(const Text& doing, const BookCopyProgress& p, bool ofAll) {
    const std::string entry = escapeField(p.current->entry), name = escapeField(p.current->name);
    const std::string percent = std::to_string(percentOf(p.bookDone, p.current->size));
    const std::string book = std::to_string(p.book + 1), books = std::to_string(p.books);
    if (!ofAll)
        return tr("%1 %2 %3: %4% (book %5 of %6)", {doing, entry, name, percent, book, books});
    return tr(
        "%1 %2 %3: %4% (book %5 of %6, %7% of all)",
        {doing, entry, name, percent, book, books, std::to_string(percentOf(p.done, p.total))});
}

}  // namespace penshelf::cli
