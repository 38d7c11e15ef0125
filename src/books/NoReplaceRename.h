#pragma once
// Giving a file its final name in a folder without ever replacing a file that
// already has that name.

namespace penshelf {

// Renames from to to, both relative to folderFd. 0 on success, else an errno
// value; EEXIST when to is taken, in which case nothing has changed. Uses
// renameat2(RENAME_NOREPLACE), and where the file system refuses that, a hard
// link under the new name followed by removing the old one.
int renameNoReplace(int folderFd, const char* from, const char* to);

// The hard-link way on its own: link to to, then unlink from.
int linkThenUnlink(int folderFd, const char* from, const char* to);

}  // namespace penshelf
