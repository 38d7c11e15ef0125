#pragma once
// Answers of the vendor's service, as a local stand-in gives them.

#include <QByteArray>

namespace penshelf::test {

// A SOAP 1.1 answer whose Body holds bodyContent exactly.
inline QByteArray soapAnswer(const QByteArray& bodyContent) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
           "<SOAP-ENV:Body>" +
           bodyContent + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

// A getproxyurl answer whose one returned text is address.
inline QByteArray getproxyurlAnswer(const QByteArray& address) {
    return soapAnswer("<ns1:getproxyurlResponse xmlns:ns1=\"urn:PagorFunc\"><return>" + address +
                      "</return></ns1:getproxyurlResponse>");
}

}  // namespace penshelf::test
