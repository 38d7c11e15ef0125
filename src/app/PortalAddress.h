#pragma once
// The addresses of the vendor's portal pages shown in the Book and Repair tabs.

#include <QString>
#include <QUrl>

#include <optional>
#include <string>

namespace penshelf {

namespace soap {
struct PagorFuncBindingResponse;
}

namespace portal {
inline constexpr const char* clientId = "kelva";
inline constexpr int bookKind = 2;
inline constexpr int repairKind = 3;
inline constexpr const char* query = "?source=mac&orvcode=";
inline constexpr const char* logPrefix = "VisitWebURL ";
}  // namespace portal

// The address in a getproxyurl answer: its first returned value that is no
// fault, when that is a text; nothing otherwise.
std::optional<std::string> proxyAddressIn(const soap::PagorFuncBindingResponse& response);

// base, the query and the pen's identity code. The code comes from a file on
// the pen, so it is percent-encoded as a query value: "&", "#", "%" or a
// space cannot change what the address means. Letters and digits stay as they are.
std::string portalAddress(const std::string& base, const std::optional<std::string>& code);

// The address as a page the web view may show: an http or https address with
// a host. Nothing for anything else: no address from the service, a broken
// one, or another scheme (a file: address would show the computer's files).
std::optional<QUrl> portalUrl(const std::string& address);

// The local page shown when the portal page cannot be had.
QString portalUnavailablePage();

}  // namespace penshelf
