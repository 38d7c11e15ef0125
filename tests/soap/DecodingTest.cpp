// What a call returns for the service's answers: the content type that decides whether the body is
// read, and the "return" values of the Body's first child. Answers of other statuses are checked as
// penshelf-cli soap prints them, in SoapCommandTest.
#include "soap/PagorFuncBinding.h"
#include "soap/PagorFuncBindingOperations.h"
#include "soap/PagorFuncBindingResponseDelegate.h"

#include "soap/ClientTestSupport.h"

#include <gtest/gtest.h>

using namespace penshelf::soap;
using namespace penshelf::test;

namespace {

const ErrorRecord parseError{"PagorFuncBindingResponseXML", 1, "Errors while parsing returned XML"};

// Nine levels of entities, each referring ten times to the one below: a billion "lol"s expanded.
QByteArray billionLaughs() {
    QByteArray doc = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n <!ENTITY lol0 \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        const QByteArray below = "&lol" + QByteArray::number(i - 1) + ";";
        doc += " <!ENTITY lol" + QByteArray::number(i) + " \"" + below.repeated(10) + "\">\n";
    }
    return doc + "]>\n<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">" +
           "<soap:Body><r><return>&lol9;</return></r></soap:Body></soap:Envelope>";
}

// Records what it is told; of a getproxyurl call also its ntype, read while the call is told
// (the operation may be gone afterwards).
class RecordingDelegate : public PagorFuncBindingResponseDelegate {
  public:
    void operation(PagorFuncBindingOperation& operation,
                   const PagorFuncBindingResponse& completedWithResponse) override {
        const auto* call = dynamic_cast<PagorFuncBinding_getproxyurl*>(&operation);
        ntypes.push_back(call ? call->ntype() : std::nullopt);
        responses.push_back(completedWithResponse);
    }
    std::vector<std::optional<double>> ntypes;
    std::vector<PagorFuncBindingResponse> responses;
};

struct Case {
    const char* what;
    QByteArray body;
    std::optional<Texts> parts;  // the expected bodyParts
    std::optional<ErrorRecord> error = std::nullopt;
    QByteArray contentType = "text/xml; charset=utf-8";
};

}  // namespace

TEST_F(ServiceTest, EachAnswerGivesTheReturnsOfTheBodysFirstChildOrAnError) {
    QByteArray attributes;
    for (int i = 0; i < 20000; ++i) attributes += " a" + QByteArray::number(i) + "=\"1\"";
    const Case cases[] = {
        // Types other than text/xml fail.
        {"SOAP 1.2", getproxyurlAnswer("http://a/"), std::nullopt,
         httpError(1, "Unexpected response MIME type to SOAP call:application/soap+xml"),
         "application/soap+xml; charset=utf-8"},
        {"no type", getproxyurlAnswer("http://a/"), std::nullopt,
         httpError(1, "Unexpected response MIME type to SOAP call:"), ""},
        // The returns of the Body's first child.
        {"several returns among other children, any wrapper name",
         soapAnswer("<whatever><return>first</return><note>skip</note><return>second</return>"
                    "<ns:return xmlns:ns=\"urn:x\">third</ns:return></whatever>"),
         Texts{"first", "second", "third"}},
        {"any root name, Body by local name",
         "<env:Root xmlns:env=\"urn:any\"><env:Header/><env:Body><r><return>x</return></r>"
         "</env:Body></env:Root>",
         Texts{"x"}},
        {"entities are decoded", getproxyurlAnswer("http://p/?a=1&amp;b=2"),
         Texts{"http://p/?a=1&b=2"}},
        {"an empty return gives no entry", soapAnswer("<r><return/><return>kept</return></r>"),
         Texts{"kept"}},
        {"text, comments and CDATA that only look like many attributes",
         soapAnswer("<r a=\"x > y\"><!-- " + QByteArray("b=\"2\" ").repeated(300) + "--><return>" +
                    QByteArray("k=\"v\" ").repeated(300) + "</return><return><![CDATA[" +
                    QByteArray("c='3' ").repeated(300) + "]]></return></r>"),
         Texts{QByteArray("k=\"v\" ").repeated(300).toStdString(),
               QByteArray("c='3' ").repeated(300).toStdString()}},
        // What is not a response element gives no parts.
        {"whitespace before the response element",
         soapAnswer("\n  <r><return>http://lost/</return></r>\n"), Texts{}},
        {"an empty Body", soapAnswer(""), Texts{}},
        {"no body bytes at all", "", Texts{}},
        // Broken or hostile XML fails with the parse error.
        {"billion laughs", billionLaughs(), std::nullopt, parseError},
        {"a document type declaration, which no SOAP message has",
         "<?xml version=\"1.0\"?><!DOCTYPE e [<!ENTITY x SYSTEM \"http://127.0.0.1:9/x\">]>"
         "<e><Body><r><return>&x;</return></r></Body></e>",
         std::nullopt, parseError},
        // More than any answer of the service holds; libxml2 must not be kept busy with them.
        {"20000 attributes on one element",
         soapAnswer("<r><return" + attributes + ">x</return></r>"), std::nullopt, parseError},
        {"200 nested elements",
         soapAnswer("<r><return>x</return>" + QByteArray("<d>").repeated(200) +
                    QByteArray("</d>").repeated(200) + "</r>"),
         std::nullopt, parseError},
        {"20000 elements",
         soapAnswer("<r><return>x</return>" + QByteArray("<e/>").repeated(20000) + "</r>"),
         std::nullopt, parseError},
    };
    // Each answer goes through the whole client: HTTP, head checks, body, decoding.
    for (const Case& c : cases) {
        server.enqueue(HttpResponse::withBody(200, c.contentType, c.body));
        const auto response = binding->getproxyurlUsingStrcid("kelva", 2);
        EXPECT_EQ(texts(response.bodyParts), c.parts) << c.what;
        EXPECT_EQ(response.error, c.error) << c.what;
    }
}

TEST_F(ServiceTest, EachDelegateIsToldOnceWithItsOperation) {
    server.setHandler([](const HttpRequest& request) {
        if (request.body.contains("<ntype>3</ntype>")) {
            return HttpResponse::xml(getproxyurlAnswer("http://portal/repair"));
        }
        return HttpResponse::withBody(401, "text/html", "no")
            .addHeader("WWW-Authenticate", "Basic realm=\"pagor\"");
    });
    RecordingDelegate broken;
    RecordingDelegate fine;
    binding->getproxyurlAsyncUsingStrcid("kelva", 2, &broken);
    binding->getproxyurlAsyncUsingStrcid("kelva", 3, &fine);
    // Both calls are under way; nothing has been told yet.
    EXPECT_TRUE(broken.responses.empty());
    EXPECT_TRUE(fine.responses.empty());
    ASSERT_TRUE(spinUntil([&] { return !broken.responses.empty() && !fine.responses.empty(); }));
    spinFor(std::chrono::milliseconds(100));

    ASSERT_EQ(broken.ntypes, std::vector<std::optional<double>>{2});
    ASSERT_EQ(fine.ntypes, std::vector<std::optional<double>>{3});
    EXPECT_EQ(broken.responses[0].error, authenticationError);
    EXPECT_FALSE(broken.responses[0].bodyParts);
    EXPECT_EQ(texts(fine.responses[0].bodyParts), Texts{"http://portal/repair"});
}
