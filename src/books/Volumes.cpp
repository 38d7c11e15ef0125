#include "books/Volumes.h"

#include "books/FreeSpace.h"

namespace penshelf {

bool Volumes::isReadOnly(const std::string& bsdName) const {
    return isReadOnlyFileSystem(GetVolumePath(bsdName));
}

}  // namespace penshelf
