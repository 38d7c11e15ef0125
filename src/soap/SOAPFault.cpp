#include "soap/SOAPFault.h"

#include "soap/ElementText_p.h"

#include <libxml/tree.h>

#include <string_view>

namespace penshelf::soap {

namespace {

constexpr std::string_view soap11Namespace = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr std::string_view soap12Namespace = "http://www.w3.org/2003/05/soap-envelope";

bool named(const xmlNode* node, const char* name) {
    return xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>(name)) != 0;
}

// All the text below a node, as libxml2 concatenates it, not unescaped.
std::optional<std::string> wholeContent(xmlNode* node) {
    xmlChar* raw = xmlNodeGetContent(node);
    if (raw == nullptr) return std::nullopt;
    std::string text(reinterpret_cast<const char*>(raw));
    xmlFree(raw);
    return text;
}

void readSoap11(xmlNode* fault, SOAPFault& out) {
    for (xmlNode* child = fault->children; child != nullptr; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        if (named(child, "faultcode")) {
            out.faultcode = detail::readElementString(child);
        } else if (named(child, "faultstring")) {
            out.faultstring = detail::readElementString(child);
        } else if (named(child, "faultactor")) {
            out.faultactor = detail::readElementString(child);
        } else if (named(child, "detail")) {
            out.detail = detail::readElementString(child);
        }
    }
}

void readSoap12(xmlNode* fault, SOAPFault& out) {
    for (xmlNode* child = fault->children; child != nullptr; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        if (named(child, "Code")) {
            for (xmlNode* part = child->children; part != nullptr; part = part->next) {
                if (part->type == XML_ELEMENT_NODE && named(part, "Value")) {
                    out.faultcode = detail::readElementString(part);
                    break;
                }
            }
        } else if (named(child, "Reason")) {
            out.faultstring = wholeContent(child);
        } else if (named(child, "Node")) {
            out.faultactor = detail::readElementString(child);
        } else if (named(child, "Detail")) {
            out.detail = detail::readElementString(child);
        }
    }
}

}  // namespace

SOAPFault SOAPFault::deserializeNode(_xmlNode* node) {
    SOAPFault fault;
    if (node == nullptr || node->ns == nullptr || node->ns->href == nullptr) return fault;
    const std::string_view uri(reinterpret_cast<const char*>(node->ns->href));
    if (uri == soap11Namespace) {
        readSoap11(node, fault);
    } else if (uri == soap12Namespace) {
        readSoap12(node, fault);
    }
    return fault;
}

std::optional<std::string> SOAPFault::simpleFaultString() const {
    if (!faultstring) return std::nullopt;
    constexpr std::string_view exceptionName = "System.Web.Services.Protocols.SoapException: ";
    constexpr std::string_view traceStart = "\n   at ";
    std::string text;
    std::string_view rest = *faultstring;
    for (size_t at = rest.find(exceptionName); at != std::string_view::npos;
         at = rest.find(exceptionName)) {
        text.append(rest.substr(0, at));
        rest.remove_prefix(at + exceptionName.size());
    }
    text.append(rest);
    if (const size_t trace = text.find(traceStart); trace != std::string::npos) {
        text.resize(trace);
    }
    return text;
}

}  // namespace penshelf::soap
