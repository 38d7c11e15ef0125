#pragma once
// fsck.fat (dosfstools) on a FAT file system that nothing has mounted: a
// partition, or an image file. It is looked for on PATH and in /usr/sbin and
// /sbin, which a user's PATH often lacks.

#include "device/Platform.h"

#include <functional>
#include <string>
#include <vector>

class QObject;

namespace penshelf {

// The fsck.fat program on PATH, else in one of systemFolders; "" when it is
// not installed.
std::string findFsckFat(const std::vector<std::string>& systemFolders = {"/usr/sbin", "/sbin"});

// Checks (fsck.fat -n) or repairs (fsck.fat -a, then a second fsck.fat -n,
// which alone decides the outcome: fsck.fat exits 1 after it has corrected
// something) the file system in path. Runs without blocking: done comes from
// the event loop, unless context has gone. The outcome is Clean, Damaged,
// ToolMissing (reason names dosfstools) or Failed; found and repairSaid hold
// the tool's lines; remounted and replug stay false.
void runFatCheck(const std::string& path, FileSystemAction action, QObject* context,
                 std::function<void(const FileSystemCheck&)> done);
// The same with the program given (findFsckFat's answer): "" or a program
// that does not start is ToolMissing.
void runFatCheckWith(const std::string& program, const std::string& path, FileSystemAction action,
                     QObject* context, std::function<void(const FileSystemCheck&)> done);

}  // namespace penshelf
