#include "device/PenEject.h"

#include "books/Volumes.h"
#include "device/Platform.h"

namespace penshelf {

EjectOutcome ejectPen(Platform& platform, const std::string& bsdName) {
    if (platform.eject(bsdName)) return EjectOutcome::Ejected;
    return platform.volumes().GetVolumePath(bsdName).empty() ? EjectOutcome::Gone
                                                             : EjectOutcome::StillMounted;
}

}  // namespace penshelf
