#pragma once
// The catalogue of a pen's BOOK/ folder: which files are book packages and
// what the book table shows for them.

#include "books/ListData.h"
#include "books/UniqueFd.h"

#include <string>
#include <vector>

namespace penshelf {

class Volumes;

// The BOOK/ folder of the volume mounted from bsdName, or the empty text while
// nothing is mounted: a relative "BOOK/" would point into the program's
// working folder, and an install would write there.
std::string penBookFolder(const Volumes& volumes, const std::string& bsdName);

// Joins a folder and a relative path with exactly one separator.
std::string joinPath(const std::string& folder, const std::string& relative);

// The rows for every book package below pathZiro, in the order the file
// system yields the entries. An empty path lists nothing.
std::vector<ListData> listBookFolder(const std::string& pathZiro);

// Opens a pen's BOOK/ folder for reading its entries; not open when it is
// missing or is a link (which could lead to a folder on the computer).
UniqueFd openBookFolder(const std::string& pathZiro);

}  // namespace penshelf
