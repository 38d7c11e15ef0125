#pragma once
// The reason phrase of an HTTP status code, as the error of a rejected response describes it.

#include <string>

namespace penshelf::soap {

// The registered phrase ("Not Found" for 404); a code without one gets its class's name
// ("Client Error", "Server Error", ...).
std::string httpReasonPhrase(int statusCode);

}  // namespace penshelf::soap
