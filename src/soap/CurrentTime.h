#pragma once
// Where "now" comes from for the date code: the system clock, unless a test installs its own.

#include "soap/Types.h"

#include <functional>

namespace penshelf::soap {

Instant currentInstant();

// Installs the source of currentInstant and returns the previous one; an empty function
// restores the system clock.
std::function<Instant()> setCurrentInstantSource(std::function<Instant()> source);

}  // namespace penshelf::soap
