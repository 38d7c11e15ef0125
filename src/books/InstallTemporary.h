#pragma once
// The hidden file an install copies into before the book takes its name. The
// file carries a lock for as long as its writer runs, so a file left behind by
// a writer that was killed or crashed can be told from one being written now.

#include "books/UniqueFd.h"

#include <string>

namespace penshelf {

// Whether name is one of these files: ".penshelf-XXXXXXXX.part". Never seven
// characters, so the catalogue cannot list it.
bool isInstallTemporaryName(const std::string& name);

// Creates a new temporary file in folderFd, locked, and remembers it for
// removeInterruptedInstall() until this thread forgets it. name receives its
// name. Not open on failure.
UniqueFd createInstallTemporary(int folderFd, std::string& name);

// This thread's temporary file is gone or has its final name: nothing to
// remove on an interruption any more.
void forgetInstallTemporary();

// Removes the temporary files of the installs running now, in every thread.
// Safe to call from a signal handler; the folder descriptors stay open meanwhile.
void removeInterruptedInstall();

// Removes every temporary file in the folder whose writer is gone: one whose
// lock can be taken. Files being written now, links and folders stay.
void removeStaleInstallTemporaries(int folderFd);
// The same for a pen's BOOK/ folder, reached without following a link.
void removeStaleInstallTemporaries(const std::string& pathZiro);

}  // namespace penshelf
