// The codec of date-time values: instants travel as ISO 8601 text in UTC.
#include "soap/ElementText_p.h"
#include "soap/ISO8601Formatting.h"
#include "soap/ISO8601Parsing.h"
#include "soap/USAdditions.h"

namespace penshelf::soap {

std::string USAdditions<Instant>::text(Instant value) {
    return ISO8601DateString(value);
}

_xmlNode* USAdditions<Instant>::xmlNodeForDoc(Instant value, _xmlDoc* doc,
                                              std::string_view elementName,
                                              std::optional<std::string_view> elementNSPrefix) {
    return detail::makeTextElement(doc, elementName, elementNSPrefix, text(value));
}

std::optional<Instant> USAdditions<Instant>::deserializeNode(_xmlNode* node) {
    const std::optional<std::string> text = detail::readElementString(node);
    if (!text) return std::nullopt;
    return dateWithString(std::string_view(*text));
}

}  // namespace penshelf::soap
