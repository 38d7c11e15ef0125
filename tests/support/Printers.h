#pragma once
// Readable values in test failures.

#include "books/ListData.h"

#include <ostream>

namespace penshelf {

inline void PrintTo(const ListData& row, std::ostream* os) {
    *os << "{" << row.name << ", " << row.stat << ", " << row.flag << ", " << row.file << "}";
}

}  // namespace penshelf
