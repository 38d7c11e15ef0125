// libFuzzer target: the decoding of the service's answer, whatever bytes it holds, as a string
// call and as a number call, and the fault reader on every Fault element of an answer that was
// decoded. Aborts when a decoding gives both parts and an error, when the two calls disagree on
// whether the answer could be read, or when a part is not of the call's type.
#include "soap/ResponseDecoding.h"
#include "soap/SOAPFault.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <variant>

using namespace penshelf::soap;

namespace {

// The decoder under test: the only call of it, so that a change of its signature is a change
// here alone.
PagorFuncBindingResponse decode(std::string_view body, ReturnType type) {
    PagorFuncBindingResponse response;
    decodeResponseBody(body, type, response);
    return response;
}

void checkOutcome(const PagorFuncBindingResponse& response, ReturnType type) {
    if (response.headers) std::abort();
    if (response.error) {
        if (response.bodyParts || response.error->domain.empty()) std::abort();
        return;
    }
    if (!response.bodyParts) return;
    for (const Value& part : *response.bodyParts) {
        const bool ofType = type == ReturnType::Number ? std::holds_alternative<double>(part)
                                                       : std::holds_alternative<std::string>(part);
        if (!ofType) std::abort();
    }
}

// Reads every Fault element of an answer the decoder took, in document order, without
// recursion: a deep answer must not exhaust this harness's stack either.
void readFaults(std::string_view body) {
    struct DocDeleter {
        void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
    };
    const std::unique_ptr<xmlDoc, DocDeleter> doc(
        xmlReadMemory(body.data(), static_cast<int>(body.size()), nullptr, nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!doc) return;
    xmlNode* root = xmlDocGetRootElement(doc.get());
    for (xmlNode* node = root; node != nullptr;) {
        if (node->type == XML_ELEMENT_NODE &&
            xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>("Fault"))) {
            const SOAPFault fault = SOAPFault::deserializeNode(node);
            const std::optional<std::string> simple = fault.simpleFaultString();
            if (simple.has_value() != fault.faultstring.has_value()) std::abort();
            if (simple && simple->size() > fault.faultstring->size()) std::abort();
        }
        if (node->children != nullptr && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node != nullptr && node != root && node->next == nullptr) node = node->parent;
        node = (node == nullptr || node == root) ? nullptr : node->next;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX)) return 0;
    const std::string_view body(reinterpret_cast<const char*>(data), size);

    const PagorFuncBindingResponse asString = decode(body, ReturnType::String);
    const PagorFuncBindingResponse asNumber = decode(body, ReturnType::Number);
    checkOutcome(asString, ReturnType::String);
    checkOutcome(asNumber, ReturnType::Number);
    // Whether an answer reads does not depend on the call; a number is read from any element,
    // a string only from one with text.
    if (asString.error.has_value() != asNumber.error.has_value()) std::abort();
    if (asString.bodyParts.has_value() != asNumber.bodyParts.has_value()) std::abort();
    if (asString.bodyParts && asString.bodyParts->size() > asNumber.bodyParts->size()) {
        std::abort();
    }

    if (!asString.error) readFaults(body);
    return 0;
}
