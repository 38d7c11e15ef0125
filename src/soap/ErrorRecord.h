#pragma once
// Why a SOAP call failed: a domain, an integer code and a one-line description.

#include <string>

namespace penshelf::soap {

struct ErrorRecord {
    std::string domain;
    long code = 0;
    std::string description;

    friend bool operator==(const ErrorRecord&, const ErrorRecord&) = default;
};

}  // namespace penshelf::soap
