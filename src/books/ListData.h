#pragma once
// One row of the book table: what the book package is, and the texts the
// table shows for it, which makeListData makes from that.

#include <optional>
#include <string>
#include <utility>

namespace penshelf {

inline constexpr const char* customStatPrefix = "自制-";
inline constexpr const char* smartStatPrefix = "智能-";

// As the row's flag says: a custom (.vxr) or smart (.vxs) package, or a
// shared package of either, whose name string names another package.
enum class BookKind { Custom, Smart, Shared };

inline const char* kindName(BookKind kind) {
    switch (kind) {
        case BookKind::Smart:
            return "smart";
        case BookKind::Shared:
            return "shared";
        case BookKind::Custom:
            break;
    }
    return "custom";
}

struct ListData {
    std::string name;  // shown in the "name" column
    std::string stat;  // "自制-" or "智能-" and the book package number
    std::string flag;  // "D" custom, "S" smart, "E" shared
    std::string file;  // full path of the package file on the pen
    std::string type;  // always "vxb"

    std::string entry;   // the file's path below BOOK/, such as 001.vxr or X/1.vxr
    std::string number;  // the book package number: the entry's first three characters
    BookKind kind = BookKind::Custom;

    bool operator==(const ListData&) const = default;
};

// A book package found in a BOOK/ folder, with what its name string says.
struct BookPackage {
    std::string file;    // full path on the pen
    std::string entry;   // path below BOOK/
    std::string number;  // the entry's first three characters
    bool smart = false;  // a .vxs package; else .vxr
    // Of an ordinary package, its title (the name string after "VXB"); of a
    // shared one, the whole name string of the package it shares, empty
    // when that cannot be read.
    std::string title;
    std::optional<std::string> sharedTarget;  // the number a shared package's name string names
};

inline ListData makeListData(const BookPackage& package) {
    const bool shared = package.sharedTarget.has_value();
    // Every text is made in place: GCC 12 at -O3 takes assignments of literals and chains of +
    // on strings for overlapping copies (-Wrestrict).
    std::string stat = package.smart ? smartStatPrefix : customStatPrefix;
    stat += package.number;
    std::string name = package.title;
    if (shared) name.append("(").append(*package.sharedTarget).append(")");
    return ListData{
        .name = std::move(name),
        .stat = std::move(stat),
        .flag = shared          ? "E"
                : package.smart ? "S"
                                : "D",
        .file = package.file,
        .type = "vxb",
        .entry = package.entry,
        .number = package.number,
        .kind = shared          ? BookKind::Shared
                : package.smart ? BookKind::Smart
                                : BookKind::Custom,
    };
}

}  // namespace penshelf
