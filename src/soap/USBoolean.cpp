#include "soap/USBoolean.h"

#include "soap/ElementText_p.h"

namespace penshelf::soap {

_xmlNode* USBoolean::xmlNodeForDoc(_xmlDoc* doc, std::string_view elementName,
                                   std::optional<std::string_view> elementNSPrefix) const {
    return detail::makeTextElement(doc, elementName, elementNSPrefix, stringValue());
}

std::optional<USBoolean> USBoolean::deserializeNode(_xmlNode* node) {
    const std::optional<std::string> text = detail::readElementString(node);
    if (!text) return std::nullopt;
    if (*text == "true") return USBoolean(true);
    if (*text == "false") return USBoolean(false);
    return std::nullopt;
}

}  // namespace penshelf::soap
