#pragma once
// Deleting a book package from a pen.

#include <string>

namespace penshelf {

// Deletes file, a path below bookFolder as the catalogue listed it, when it
// is still a regular file there. The path is followed from bookFolder without
// crossing a link, so a package whose name or folder has been swapped for a
// link or a folder since the listing leaves everything as it is: nothing
// outside the folder and no folder is ever deleted. True when it was deleted.
bool removeBookFile(const std::string& bookFolder, const std::string& file);

}  // namespace penshelf
