#include "books/NoReplaceRename.h"

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace penshelf {
namespace {

// errno values by which a file system says it cannot do the operation at all,
// as opposed to a failure of this one call.
bool unsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EPERM;
}

}  // namespace

int linkThenUnlink(int folderFd, const char* from, const char* to) {
    if (linkat(folderFd, from, folderFd, to, 0) != 0) return errno;
    if (unlinkat(folderFd, from, 0) != 0) {
        // Leave things as they were rather than with the file under two names.
        const int error = errno;
        unlinkat(folderFd, to, 0);
        return error;
    }
    return 0;
}

int renameNoReplace(int folderFd, const char* from, const char* to) {
    if (renameat2(folderFd, from, folderFd, to, RENAME_NOREPLACE) == 0) return 0;
    if (!unsupported(errno)) return errno;
    const int linked = linkThenUnlink(folderFd, from, to);
    if (linked == 0 || !unsupported(linked)) return linked;
    // Neither way exists here (some FUSE file systems). Look first, then
    // rename: only another program creating the very name in between could
    // be replaced.
    struct stat st;
    if (fstatat(folderFd, to, &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    return renameat(folderFd, from, folderFd, to) == 0 ? 0 : errno;
}

}  // namespace penshelf
