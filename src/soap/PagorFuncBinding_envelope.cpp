#include "soap/PagorFuncBinding_envelope.h"

#include "soap/USAdditions.h"

#include <array>

namespace penshelf::soap {

namespace {

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

// The declaration and the root's start tag up to its end: the namespaces the service's own
// messages declare, then the xsl:version attribute.
constexpr std::string_view envelopeStart =
    "<?xml version=\"1.0\"?>\n"
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:tns=\"urn:PagorFunc\" "
    "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\" "
    "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\" xsl:version=\"1.0\"";

// Names and texts end at a NUL, which XML cannot hold.
std::string_view beforeNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

// Element text as XML writers escape it: "<", ">" and "&" as entity references and a carriage
// return as a character reference (a reader would turn a bare one into a line feed); every other
// byte, UTF-8 or not, as it is.
void appendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '\r':
                out += "&#13;";
                break;
            default:
                out += c;
        }
    }
}

// One parameter on its own line at the given indentation: <name>text</name>, or <name/>
// without text.
void appendElement(std::string& out, std::string_view indent, std::string_view name,
                   const ElementValue& value) {
    const std::string text = std::visit(
        [](const auto& v) { return USAdditions<std::decay_t<decltype(v)>>::text(v); }, value);
    const std::string_view content = beforeNul(text);
    name = beforeNul(name);
    out.append(indent).append("<").append(name);
    if (content.empty()) {
        out += "/>\n";
        return;
    }
    out += '>';
    appendEscaped(out, content);
    out.append("</").append(name).append(">\n");
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
    const bool hasHeader = headerElements && !headerElements->empty();
    const bool hasBody = bodyElements && !bodyElements->empty();
    std::string out(envelopeStart);
    if (!hasHeader && !hasBody) {
        out += "/>\n";
        return out;
    }
    out += ">\n";
    if (hasHeader) {
        out += "  <soap:Header>\n";
        for (const auto& [name, value] : *headerElements) appendElement(out, "    ", name, value);
        out += "  </soap:Header>\n";
    }
    if (hasBody) {
        func = beforeNul(func);
        out.append("  <soap:Body>\n    <soap:").append(func);
        std::size_t written = 0;
        for (std::string_view parameter : parameterOrder(func)) {
            const auto found = bodyElements->find(parameter);
            if (found == bodyElements->end()) continue;
            if (written++ == 0) out += ">\n";
            appendElement(out, "      ", parameter, found->second);
        }
        if (written == 0) {
            out += "/>\n";
        } else {
            out.append("    </soap:").append(func).append(">\n");
        }
        out += "  </soap:Body>\n";
    }
    out += "</soap:Envelope>\n";
    return out;
}

}  // namespace penshelf::soap
