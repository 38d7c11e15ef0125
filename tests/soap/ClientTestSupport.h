#pragma once
// Helpers for the SOAP client tests: answers in the service's form, a delegate that records what
// it is told, and the decoded parts as plain texts.

#include "soap/PagorFuncBinding.h"
#include "soap/PagorFuncBindingResponseDelegate.h"
#include "soap/USAdditions.h"
#include "support/LocalHttpServer.h"
#include "support/ServiceAnswers.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace penshelf::test {

// The root start tag every request envelope begins with, as the service receives it.
inline constexpr const char* kEnvelopeStart =
    "<?xml version=\"1.0\"?>\n"
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:tns=\"urn:PagorFunc\" "
    "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\" "
    "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\" xsl:version=\"1.0\"";

inline QByteArray addressAnswer(const QByteArray& address) {
    return getproxyurlAnswer(address);
}

inline soap::ErrorRecord httpError(long code, std::string description) {
    return {"PagorFuncBindingResponseHTTP", code, std::move(description)};
}

inline std::shared_ptr<soap::PagorFuncBinding> bindingFor(const LocalHttpServer& server) {
    return soap::PagorFuncBinding::initWithAddress(server.url().toStdString());
}

// The parts as texts: strings as they are, numbers in their decimal form.
inline std::optional<std::vector<std::string>> texts(
    const std::optional<std::vector<soap::Value>>& parts) {
    if (!parts) return std::nullopt;
    std::vector<std::string> result;
    for (const soap::Value& part : *parts) {
        if (const auto* text = std::get_if<std::string>(&part)) {
            result.push_back(*text);
        } else if (const auto* number = std::get_if<double>(&part)) {
            result.push_back("number " + soap::numberText(*number));
        } else {
            result.push_back("other");
        }
    }
    return result;
}

using Texts = std::vector<std::string>;

class RecordingDelegate : public soap::PagorFuncBindingResponseDelegate {
  public:
    void operation(soap::PagorFuncBindingOperation& operation,
                   const soap::PagorFuncBindingResponse& completedWithResponse) override {
        if (onOperation) onOperation(operation);
        responses.push_back(completedWithResponse);
    }
    // Looks at the operation while it is told; it may be gone afterwards.
    std::function<void(soap::PagorFuncBindingOperation&)> onOperation;
    std::vector<soap::PagorFuncBindingResponse> responses;
};

}  // namespace penshelf::test
