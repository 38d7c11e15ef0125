#include "soap/USGlobals.h"

#include <utility>

namespace penshelf::soap {

USGlobals& USGlobals::sharedInstance() {
    static USGlobals instance;
    return instance;
}

void USGlobals::setWsdlStandardNamespaces(NamespaceMap namespaces) {
    wsdlStandardNamespaces_ = std::move(namespaces);
}

std::optional<std::string> USGlobals::prefixForNamespace(std::string_view uri) const {
    const auto found = wsdlStandardNamespaces_.find(uri);
    if (found == wsdlStandardNamespaces_.end()) return std::nullopt;
    return found->second;
}

}  // namespace penshelf::soap
