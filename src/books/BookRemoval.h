#pragma once
// Deleting a book package from a pen.

#include <string>

namespace penshelf {

enum class RemovalResult {
    Removed,
    NotRemoved,  // not there as a regular file below the folder, or the deletion failed
    ReadOnly,    // the pen's volume refuses writes: mounted read-only, or turned so by
                 // the kernel after an error
};

// Deletes file, a path below bookFolder as the catalogue listed it, when it
// is still a regular file there. The path is followed from bookFolder without
// crossing a link, so a package whose name or folder has been swapped for a
// link or a folder since the listing leaves everything as it is: nothing
// outside the folder and no folder is ever deleted.
RemovalResult removeBookFile(const std::string& bookFolder, const std::string& file);

}  // namespace penshelf
