#include "books/BookRemoval.h"

#include "books/Catalogue.h"
#include "books/FreeSpace.h"
#include "books/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace penshelf {

RemovalResult removeBookFile(const std::string& bookFolder, const std::string& file) {
    constexpr RemovalResult refused = RemovalResult::NotRemoved;
    if (bookFolder.empty()) return refused;
    const std::string folder = bookFolder.back() == '/' ? bookFolder : bookFolder + "/";
    if (file.size() <= folder.size() || file.compare(0, folder.size(), folder) != 0) return refused;
    std::string_view relative = std::string_view(file).substr(folder.size());

    UniqueFd dir = openBookFolder(folder);
    if (!dir.isOpen()) return refused;
    // Each folder on the way is opened without following a link.
    for (size_t slash; (slash = relative.find('/')) != std::string_view::npos;) {
        const std::string part(relative.substr(0, slash));
        if (part.empty() || part == "." || part == "..") return refused;
        dir.reset(openat(dir.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!dir.isOpen()) return refused;
        relative.remove_prefix(slash + 1);
    }
    const std::string name(relative);
    if (name.empty() || name == "." || name == "..") return refused;
    struct stat st;
    if (fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) {
        return refused;
    }
    if (unlinkat(dir.get(), name.c_str(), 0) == 0) return RemovalResult::Removed;
    // Read-only, perhaps since an error the kernel met on the pen just now.
    const bool readOnly = errno == EROFS || isReadOnlyFileSystem(dir.get());
    return readOnly ? RemovalResult::ReadOnly : refused;
}

}  // namespace penshelf
