#pragma once
// One decoded SOAP value, as a call's bodyParts hold them. Callers looking for a result skip
// the SOAPFault entries.

#include "soap/SOAPFault.h"
#include "soap/Types.h"
#include "soap/USBoolean.h"

#include <string>
#include <variant>

namespace penshelf::soap {

using Value = std::variant<std::string, double, USBoolean, Bytes, Instant, SOAPFault>;

}  // namespace penshelf::soap
