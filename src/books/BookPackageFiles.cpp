#include "books/BookPackageFiles.h"

#include "books/BackupManifest.h"
#include "books/UniqueFd.h"

#include <sys/stat.h>

#include <algorithm>

namespace penshelf {

std::vector<std::string> bookPackageFiles(int folderFd) {
    std::vector<std::string> files;
    FolderListing listing = FolderListing::of(folderFd);
    while (const dirent* entry = listing.next()) {
        if (!isPlainBookEntry(entry->d_name)) continue;
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st;
            regular = fstatat(folderFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISREG(st.st_mode);
        }
        if (regular) files.emplace_back(entry->d_name);
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace penshelf
