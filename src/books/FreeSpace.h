#pragma once
// The free space of a pen's volume: the text shown beside its identity code,
// and the byte count an install checks a package against.

#include <cstdint>
#include <optional>
#include <string>

namespace penshelf {

// "1.50 GB", "12.00 MB", "3.25 KB", "12.000000 Byte", or "---" for zero.
// Always with a point as decimal mark, whatever the user's locale.
std::string formatFreeSpace(std::uint64_t freeBytes);

// The free space of the file system holding path; "---" when it cannot be read.
std::string GetFreeSpaceText(const std::string& path);

// The free bytes of the file system holding path, as an unprivileged writer
// may use them; nothing when they cannot be read.
std::optional<std::uint64_t> freeSpaceBytes(const std::string& path);

// Whether the file system holding path refuses writes (statvfs's ST_RDONLY,
// which also tells when the kernel turned it read-only after an error while
// the mount table still says "rw"). False when it cannot be read.
bool isReadOnlyFileSystem(const std::string& path);
// The same for the file system holding an open file or folder.
bool isReadOnlyFileSystem(int fd);

}  // namespace penshelf
