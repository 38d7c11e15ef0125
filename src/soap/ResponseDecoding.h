#pragma once
// Reading the service's response envelope into a call's outcome: the "return" children of the
// Body's first child, as strings or as numbers.

#include "soap/PagorFuncBindingResponse.h"

#include <string_view>

namespace penshelf::soap {

enum class ReturnType { String, Number };

// Fills response.bodyParts from the envelope in `body` (left absent when the root has no "Body"
// child), or response.error when the bytes are not well-formed XML or go beyond the limits of
// ResponseLimits.h. Nothing is loaded from the network, and no answer keeps the decoding thread
// busy for long: a hostile answer fails with the parse error.
void decodeResponseBody(std::string_view body, ReturnType type, PagorFuncBindingResponse& response);

}  // namespace penshelf::soap
