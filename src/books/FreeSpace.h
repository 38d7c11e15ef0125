#pragma once
// The free-space text shown beside a pen's identity code.

#include <cstdint>
#include <string>

namespace penshelf {

// "1.50 GB", "12.00 MB", "3.25 KB", "12.000000 Byte", or "---" for zero.
// Always with a point as decimal mark, whatever the user's locale.
std::string formatFreeSpace(std::uint64_t freeBytes);

// The free space of the file system holding path; "---" when it cannot be read.
std::string GetFreeSpaceText(const std::string& path);

}  // namespace penshelf
