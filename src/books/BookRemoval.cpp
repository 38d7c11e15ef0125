#include "books/BookRemoval.h"

#include "books/Catalogue.h"
#include "books/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

namespace penshelf {

bool removeBookFile(const std::string& bookFolder, const std::string& file) {
    if (bookFolder.empty()) return false;
    const std::string folder = bookFolder.back() == '/' ? bookFolder : bookFolder + "/";
    if (file.size() <= folder.size() || file.compare(0, folder.size(), folder) != 0) return false;
    std::string_view relative = std::string_view(file).substr(folder.size());

    UniqueFd dir = openBookFolder(folder);
    if (!dir.isOpen()) return false;
    // Each folder on the way is opened without following a link.
    for (size_t slash; (slash = relative.find('/')) != std::string_view::npos;) {
        const std::string part(relative.substr(0, slash));
        if (part.empty() || part == "." || part == "..") return false;
        dir.reset(openat(dir.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!dir.isOpen()) return false;
        relative.remove_prefix(slash + 1);
    }
    const std::string name(relative);
    if (name.empty() || name == "." || name == "..") return false;
    struct stat st;
    if (fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    return unlinkat(dir.get(), name.c_str(), 0) == 0;
}

}  // namespace penshelf
