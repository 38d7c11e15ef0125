#pragma once
// The process-wide registry of the namespace prefixes the PagorFunc binding knows, by URI.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace penshelf::soap {

class USGlobals {
  public:
    using NamespaceMap = std::map<std::string, std::string, std::less<>>;  // URI -> prefix

    // Created empty on the first request; used from one thread.
    static USGlobals& sharedInstance();

    NamespaceMap& wsdlStandardNamespaces() { return wsdlStandardNamespaces_; }
    const NamespaceMap& wsdlStandardNamespaces() const { return wsdlStandardNamespaces_; }
    void setWsdlStandardNamespaces(NamespaceMap namespaces);

    // The prefix registered for a namespace URI.
    std::optional<std::string> prefixForNamespace(std::string_view uri) const;

  private:
    USGlobals() = default;
    NamespaceMap wsdlStandardNamespaces_;
};

}  // namespace penshelf::soap
