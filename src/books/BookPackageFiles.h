#pragma once
// The files of a pen's BOOK/ folder that hold book packages by their names,
// whatever their headers say: what a backup copies and a verification reads.

#include <string>
#include <vector>

namespace penshelf {

// The regular files named NNN.vxr or NNN.vxs (any case) in the open folder
// folderFd, links and folders left out, sorted by name.
std::vector<std::string> bookPackageFiles(int folderFd);

}  // namespace penshelf
