#pragma once
// The record of a SOAP 1.1 or 1.2 fault, read from a Fault element.

#include <optional>
#include <string>

struct _xmlNode;

namespace penshelf::soap {

struct SOAPFault {
    std::optional<std::string> faultcode;    // 1.1 "faultcode", 1.2 "Code"/"Value"
    std::optional<std::string> faultstring;  // 1.1 "faultstring", 1.2 "Reason"
    std::optional<std::string> faultactor;   // 1.1 "faultactor", 1.2 "Node"
    std::optional<std::string> detail;       // 1.1 "detail", 1.2 "Detail"

    // The reason without the .NET exception class name and without its call trace.
    std::optional<std::string> simpleFaultString() const;

    // Never absent: a Fault element outside the two envelope namespaces (or a null node) gives an
    // empty record.
    static SOAPFault deserializeNode(_xmlNode* node);

    friend bool operator==(const SOAPFault&, const SOAPFault&) = default;
};

}  // namespace penshelf::soap
