#pragma once
// The outcome of one call to the PagorFunc service: the decoded body parts or why the call failed.

#include "soap/ErrorRecord.h"
#include "soap/Value.h"

#include <optional>
#include <vector>

namespace penshelf::soap {

struct PagorFuncBindingResponse {
    // Room for decoded SOAP header parts; this client never fills it.
    std::optional<std::vector<Value>> headers;
    // The "return" values of the response element in document order; absent when the call
    // failed before its body was decoded, or when the answer had no Body.
    std::optional<std::vector<Value>> bodyParts;
    std::optional<ErrorRecord> error;
};

}  // namespace penshelf::soap
