#include "soap/PagorFuncBinding_envelope.h"

#include "soap/DebugLog.h"
#include "soap/USAdditions.h"

#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <array>
#include <memory>

namespace penshelf::soap {

namespace {

struct Namespace {
    const char* prefix;
    const char* uri;
};

constexpr Namespace soapNamespace{"soap", "http://schemas.xmlsoap.org/soap/envelope/"};
constexpr Namespace xslNamespace{"xsl", "http://www.w3.org/1999/XSL/Transform"};
constexpr Namespace xsiNamespace{"xsi", "http://www.w3.org/2001/XMLSchema-instance"};
// Declared after the xsl:version attribute is set, so they serialise after soap, xsl and xsi;
// the attribute itself is written after all declarations.
constexpr std::array<Namespace, 5> laterNamespaces{{
    {"xsd", "http://www.w3.org/2001/XMLSchema"},
    {"tns", "urn:PagorFunc"},
    {"SOAP-ENC", "http://schemas.xmlsoap.org/soap/encoding/"},
    {"SOAP-ENV", "http://schemas.xmlsoap.org/soap/envelope/"},
    {"wsdl", "http://schemas.xmlsoap.org/wsdl/"},
}};

struct Operation {
    std::string_view name;
    std::array<std::string_view, 2> parameters;
    std::size_t count;
};

constexpr std::array<Operation, 5> knownOperations{{
    {"bookopen", {"strguid", ""}, 1},
    {"synchronous", {"strcid", "strmid"}, 2},
    {"getproxyurl", {"strcid", "ntype"}, 2},
    {"test", {"strmid", ""}, 1},
    {"getversion", {"strpid", "strver"}, 2},
}};

const xmlChar* xml(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}

struct DocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

xmlNs* declare(xmlNode* node, const Namespace& ns) {
    return xmlNewNs(node, xml(ns.uri), xml(ns.prefix));
}

xmlNode* nodeFor(const ElementValue& value, xmlDoc* doc, std::string_view name) {
    return std::visit(
        [&](const auto& v) -> xmlNode* {
            using T = std::decay_t<decltype(v)>;
            return USAdditions<T>::xmlNodeForDoc(v, doc, name);
        },
        value);
}

void append(xmlNode* parent, xmlNode* child) {
    if (child != nullptr) xmlAddChild(parent, child);
}

struct BufferDeleter {
    void operator()(xmlBuffer* buffer) const { xmlBufferFree(buffer); }
};

// The document as libxml2's formatted dump writes it (declaration of version 1.0 without an
// encoding, nested elements indented), but with non-ASCII text written as UTF-8 bytes: the
// plain dump of a document without an encoding turns every such character into a numeric
// reference, which the service would have to undo and which makes requests longer than needed.
std::string formatted(xmlDoc* doc) {
    std::unique_ptr<xmlBuffer, BufferDeleter> buffer(xmlBufferCreate());
    if (!buffer) return {};
    xmlSaveCtxt* save = xmlSaveToBuffer(buffer.get(), "UTF-8", XML_SAVE_FORMAT | XML_SAVE_NO_DECL);
    if (save == nullptr) return {};
    const long written = xmlSaveDoc(save, doc);
    xmlSaveClose(save);
    if (written < 0) return {};
    return "<?xml version=\"1.0\"?>\n" +
           std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                       static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

}  // namespace

PagorFuncBinding_envelope& PagorFuncBinding_envelope::sharedInstance() {
    static PagorFuncBinding_envelope instance;
    return instance;
}

std::span<const std::string_view> PagorFuncBinding_envelope::parameterOrder(std::string_view func) {
    for (const Operation& operation : knownOperations) {
        if (operation.name == func) return {operation.parameters.data(), operation.count};
    }
    return {};
}

std::string PagorFuncBinding_envelope::serializedFormUsingFunc(
    std::string_view func, const std::optional<ElementMap>& headerElements,
    const std::optional<ElementMap>& bodyElements) const {
    std::unique_ptr<xmlDoc, DocDeleter> doc(xmlNewDoc(xml("1.0")));
    if (!doc) {
        debugLog("Error creating the xml document tree");
        return {};
    }

    xmlNode* root = xmlNewDocNode(doc.get(), nullptr, xml("Envelope"), nullptr);
    xmlDocSetRootElement(doc.get(), root);
    xmlNs* soap = declare(root, soapNamespace);
    xmlSetNs(root, soap);
    xmlNs* xsl = declare(root, xslNamespace);
    declare(root, xsiNamespace);
    xmlNewNsProp(root, xsl, xml("version"), xml("1.0"));
    for (const Namespace& ns : laterNamespaces) declare(root, ns);

    if (headerElements && !headerElements->empty()) {
        xmlNode* header = xmlNewDocNode(doc.get(), soap, xml("Header"), nullptr);
        xmlAddChild(root, header);
        for (const auto& [name, value] : *headerElements) {
            append(header, nodeFor(value, doc.get(), name));
        }
    }

    if (bodyElements && !bodyElements->empty()) {
        xmlNode* body = xmlNewDocNode(doc.get(), soap, xml("Body"), nullptr);
        xmlAddChild(root, body);
        const std::string funcName(func);
        xmlNode* operation = xmlNewDocNode(doc.get(), soap, xml(funcName.c_str()), nullptr);
        xmlAddChild(body, operation);
        for (std::string_view parameter : parameterOrder(func)) {
            const auto found = bodyElements->find(parameter);
            if (found != bodyElements->end()) {
                append(operation, nodeFor(found->second, doc.get(), parameter));
            }
        }
    }

    return formatted(doc.get());
}

}  // namespace penshelf::soap
