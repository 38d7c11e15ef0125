#include "soap/ElementText_p.h"

#include "soap/XmlEscape.h"

#include <libxml/tree.h>

namespace penshelf::soap::detail {

namespace {

const xmlChar* asXml(const std::string& text) {
    return reinterpret_cast<const xmlChar*>(text.c_str());
}

}  // namespace

_xmlNode* makeTextElement(_xmlDoc* doc, std::string_view elementName,
                          std::optional<std::string_view> elementNSPrefix, std::string_view text) {
    std::string qualified;
    if (elementNSPrefix && !elementNSPrefix->empty()) {
        qualified.append(*elementNSPrefix).append(":").append(elementName);
    } else {
        qualified.assign(elementName);
    }
    // xmlNewDocNode decodes entity references in its content, so the escaped text comes out
    // as the node's text unchanged, and the serialiser escapes it exactly once on output.
    const std::string name = xmlString(qualified);
    const std::string content = xmlString(text);
    return xmlNewDocNode(doc, nullptr, asXml(name), asXml(content));
}

std::optional<std::string> readElementString(_xmlNode* node) {
    if (node == nullptr || node->children == nullptr) return std::nullopt;
    xmlChar* raw = xmlNodeListGetString(node->doc, node->children, 1);
    if (raw == nullptr) return std::nullopt;
    std::string text(reinterpret_cast<const char*>(raw));
    xmlFree(raw);
    return stringByUnescapingXML(text);
}

}  // namespace penshelf::soap::detail
