#include "soap/ServiceEndpoint.h"

#include <cstdlib>

namespace penshelf::soap {

std::string defaultServiceEndpoint() {
    return "http://" + std::string(serviceHost) + ":442/PagorFunc.php";
}

std::string serviceEndpoint() {
    const char* configured = std::getenv(serviceUrlVariable);
    if (configured != nullptr && *configured != '\0') return configured;
    return defaultServiceEndpoint();
}

}  // namespace penshelf::soap
