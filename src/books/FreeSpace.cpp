#include "books/FreeSpace.h"

#include <sys/statvfs.h>

#include <charconv>

namespace penshelf {
namespace {

std::string fixed(double value, int decimals, const char* unit) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr) + unit;
}

}  // namespace

std::string formatFreeSpace(std::uint64_t n) {
    const double value = static_cast<double>(n);
    if (n >= (1ULL << 30)) return fixed(value / (1ULL << 30), 2, " GB");
    if (n >= (1ULL << 20)) return fixed(value / (1ULL << 20), 2, " MB");
    if (n >= 1024) return fixed(value / 1024, 2, " KB");
    if (n >= 1) return fixed(value, 6, " Byte");
    return "---";
}

std::string GetFreeSpaceText(const std::string& path) {
    struct statvfs fs;
    if (path.empty() || statvfs(path.c_str(), &fs) != 0) return formatFreeSpace(0);
    return formatFreeSpace(static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize);
}

std::optional<std::uint64_t> freeSpaceBytes(const std::string& path) {
    struct statvfs fs;
    if (path.empty() || statvfs(path.c_str(), &fs) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
}

bool isReadOnlyFileSystem(const std::string& path) {
    struct statvfs fs;
    return !path.empty() && statvfs(path.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0;
}

bool isReadOnlyFileSystem(int fd) {
    struct statvfs fs;
    return fstatvfs(fd, &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0;
}

}  // namespace penshelf
