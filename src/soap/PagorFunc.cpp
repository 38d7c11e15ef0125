#include "soap/PagorFunc.h"

#include "soap/ServiceEndpoint.h"
#include "soap/USGlobals.h"

#include <mutex>

namespace penshelf::soap {

namespace {

void registerNamespaces() {
    auto& namespaces = USGlobals::sharedInstance().wsdlStandardNamespaces();
    namespaces["http://www.w3.org/2001/XMLSchema"] = "xsd";
    namespaces["urn:PagorFunc"] = "tns";
    namespaces["http://schemas.xmlsoap.org/soap/encoding/"] = "ns1";
    namespaces["http://schemas.xmlsoap.org/wsdl/"] = "ns2";
}

}  // namespace

std::shared_ptr<soap::PagorFuncBinding> PagorFunc::PagorFuncBinding() {
    static std::once_flag registered;
    std::call_once(registered, registerNamespaces);
    return soap::PagorFuncBinding::initWithAddress(serviceEndpoint());
}

}  // namespace penshelf::soap
