#include "device/ProductIni.h"

#include "books/RegularFile.h"
#include "books/UniqueFd.h"

#include <fcntl.h>

#include <string_view>

namespace penshelf {
namespace {

// The identity code is bytes 13 to 23 of a product.ini of at least 25 bytes.
constexpr off_t codeOffset = 13;
constexpr size_t codeLength = 11;
constexpr size_t productIniMinimum = 25;

}  // namespace

std::string identityCodeFrom(const std::string& volume) {
    UniqueFd folder(open(volume.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::string_view path = pen::productIniPath;
    for (size_t slash; folder.isOpen() && (slash = path.find('/')) != std::string_view::npos;) {
        const std::string part(path.substr(0, slash));
        folder.reset(
            openat(folder.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        path.remove_prefix(slash + 1);
    }
    if (!folder.isOpen()) return {};
    char bytes[productIniMinimum];
    const RegularFile file(folder.get(), std::string(path));
    if (file.readAt(0, bytes, sizeof bytes) != static_cast<ssize_t>(sizeof bytes)) return {};
    return std::string(bytes + codeOffset, codeLength);
}

}  // namespace penshelf
