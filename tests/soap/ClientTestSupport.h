#pragma once
// Helpers for the SOAP client tests: answers in the service's form, a delegate that records what it
// is told, and the decoded parts as plain texts.

#include "soap/PagorFuncBinding.h"
#include "soap/USAdditions.h"
#include "support/LocalHttpServer.h"
#include "support/ServiceAnswers.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace penshelf::test {

// The root start tag every request envelope begins with, as the service receives it.
inline constexpr const char* envelopeStart =
    "<?xml version=\"1.0\"?>\n"
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:tns=\"urn:PagorFunc\" "
    "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\" "
    "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\" xsl:version=\"1.0\"";

inline soap::ErrorRecord httpError(long code, std::string description) {
    return {"PagorFuncBindingResponseHTTP", code, std::move(description)};
}

// A challenge that the credentials did not meet.
inline const soap::ErrorRecord authenticationError{"Connection Authentication", 0,
                                                   "Authentication Error"};

inline std::shared_ptr<soap::PagorFuncBinding> bindingFor(const LocalHttpServer& server) {
    return soap::PagorFuncBinding::initWithAddress(server.url().toStdString());
}

// A binding to a service on 127.0.0.1 that answers as the test scripts it.
class ServiceTest : public ::testing::Test {
  protected:
    LocalHttpServer server;
    std::shared_ptr<soap::PagorFuncBinding> binding = bindingFor(server);
};

using Texts = std::vector<std::string>;

// The parts of a call that returns strings (a number among them throws).
inline std::optional<Texts> texts(const std::optional<std::vector<soap::Value>>& parts) {
    if (!parts) return std::nullopt;
    Texts result;
    for (const soap::Value& part : *parts) result.push_back(std::get<std::string>(part));
    return result;
}

}  // namespace penshelf::test
