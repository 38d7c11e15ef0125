// The codec of binary values: bytes travel as base64 text.
#include "soap/Base64.h"
#include "soap/ElementText_p.h"
#include "soap/USAdditions.h"

namespace penshelf::soap {

std::string USAdditions<Bytes>::text(const Bytes& value) {
    // Only a failed allocation leaves no text; the element is then written empty.
    return base64Encoding(value).value_or(std::string());
}

_xmlNode* USAdditions<Bytes>::xmlNodeForDoc(const Bytes& value, _xmlDoc* doc,
                                            std::string_view elementName,
                                            std::optional<std::string_view> elementNSPrefix) {
    return detail::makeTextElement(doc, elementName, elementNSPrefix, text(value));
}

std::optional<Bytes> USAdditions<Bytes>::deserializeNode(_xmlNode* node) {
    const std::optional<std::string> text = detail::readElementString(node);
    if (!text) return std::nullopt;
    return dataWithBase64EncodedString(std::string_view(*text));
}

}  // namespace penshelf::soap
