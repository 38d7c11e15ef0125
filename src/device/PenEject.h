#pragma once
// Ejecting a pen, and whether it may then leave the pen table.

#include <string>

namespace penshelf {

class Platform;

enum class EjectOutcome {
    Ejected,       // unmounted and powered off
    Gone,          // the eject failed, but nothing is mounted from the pen any more
    StillMounted,  // the eject failed and the volume is still there: keep the pen
};

// Ejects the disk of the pen's data partition and waits for it. A pen that is
// still mounted after a failed eject must stay listed: dropping it would
// invite pulling out a pen whose writes are not finished. A pen pulled out
// without an eject fails the command too, and leaves the list this way.
EjectOutcome ejectPen(Platform& platform, const std::string& bsdName);

}  // namespace penshelf
