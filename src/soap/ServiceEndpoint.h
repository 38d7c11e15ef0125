#pragma once
// Where the PagorFunc service is reached.

#include <string>
#include <string_view>

namespace penshelf::soap {

// The vendor's service host is not known to us. A name under the reserved ".invalid" domain
// never resolves, so the portal addresses a pen's identity code is appended to can only come
// from a service someone chose: a site that runs the service itself names it in
// PENSHELF_SERVICE_URL, which replaces the whole endpoint.
inline constexpr std::string_view serviceHost = "pagorfunc.invalid";
inline constexpr const char* serviceUrlVariable = "PENSHELF_SERVICE_URL";

// "http://" + serviceHost + ":442/PagorFunc.php"
std::string defaultServiceEndpoint();

// PENSHELF_SERVICE_URL when it is set and not empty, else the default endpoint.
std::string serviceEndpoint();

}  // namespace penshelf::soap
