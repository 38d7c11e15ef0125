#include "soap/ResponseDecoding.h"

#include "soap/ResponseLimits.h"
#include "soap/USAdditions.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>

namespace penshelf::soap {

namespace {

struct DocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

// The parser keeps whitespace text nodes and decodes only the predefined entities into text; it
// never fetches a DTD or entity from the network, keeps libxml2's limits on entity expansion
// (no XML_PARSE_HUGE), and reports nothing on standard error: a bad answer is an error record.
constexpr int parseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// libxml2 sets up its global state once for the process; it is never torn down here, because
// other threads (Qt WebEngine's among them) may be using libxml2 at any moment.
void initialiseOnce() {
    static const bool initialised = (xmlInitParser(), true);
    (void)initialised;
}

bool named(const xmlNode* node, const char* name) {
    return xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>(name)) != 0;
}

std::optional<Value> decodeReturn(xmlNode* node, ReturnType type) {
    if (type == ReturnType::Number) {
        if (auto number = USAdditions<double>::deserializeNode(node)) return Value(*number);
        return std::nullopt;
    }
    if (auto text = USAdditions<std::string>::deserializeNode(node)) return Value(std::move(*text));
    return std::nullopt;
}

xmlNode* bodyOf(xmlNode* root) {
    if (root == nullptr) return nullptr;
    for (xmlNode* child = root->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && named(child, "Body")) return child;
    }
    return nullptr;
}

}  // namespace

void decodeResponseBody(std::string_view body, ReturnType type,
                        PagorFuncBindingResponse& response) {
    initialiseOnce();
    std::unique_ptr<xmlDoc, DocDeleter> doc;
    // An answer beyond the limits never reaches libxml2, which could be kept busy for minutes.
    if (withinResponseLimits(body)) {
        doc.reset(xmlReadMemory(body.data(), static_cast<int>(body.size()), nullptr, nullptr,
                                parseOptions));
    }
    if (!doc) {
        response.error =
            ErrorRecord{"PagorFuncBindingResponseXML", 1, "Errors while parsing returned XML"};
        return;
    }

    xmlNode* soapBody = bodyOf(xmlDocGetRootElement(doc.get()));
    if (soapBody == nullptr) return;

    std::vector<Value> parts;
    // The response element is the Body's very first child node: whitespace before it leaves
    // the list empty, as does a fault.
    xmlNode* responseElement = soapBody->children;
    if (responseElement != nullptr && responseElement->type == XML_ELEMENT_NODE) {
        for (xmlNode* child = responseElement->children; child != nullptr; child = child->next) {
            if (child->type != XML_ELEMENT_NODE || !named(child, "return")) continue;
            if (auto value = decodeReturn(child, type)) parts.push_back(std::move(*value));
        }
    }
    response.bodyParts = std::move(parts);
}

}  // namespace penshelf::soap
