// What a call returns for the service's answers: the response head that decides whether the body is
// read, and the "return" values of the Body's first child.
#include "soap/PagorFuncBinding.h"
#include "soap/PagorFuncBindingOperations.h"

#include "soap/ClientTestSupport.h"

#include <gtest/gtest.h>

using namespace penshelf::soap;
using namespace penshelf::test;

namespace {

const ErrorRecord kParseError{"PagorFuncBindingResponseXML", 1,
                              "Errors while parsing returned XML"};

const QByteArray kFault =
    "<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode>"
    "<faultstring>no such client</faultstring></SOAP-ENV:Fault>";

const QByteArray kBillionLaughs =
    "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n <!ENTITY lol \"lol\">\n"
    " <!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n"
    " <!ENTITY lol2 \"&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;\">\n"
    " <!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">\n"
    " <!ENTITY lol4 \"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">\n"
    " <!ENTITY lol5 \"&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;\">\n"
    " <!ENTITY lol6 \"&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;\">\n"
    " <!ENTITY lol7 \"&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;\">\n"
    " <!ENTITY lol8 \"&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;\">\n"
    " <!ENTITY lol9 \"&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;\">\n"
    "]>\n<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
    "<r><return>&lol9;</return></r></soap:Body></soap:Envelope>";

// `count` copies of `piece`.
QByteArray repeated(const QByteArray& piece, int count) {
    return piece.repeated(count);
}

// An element with `count` attributes a0="1" a1="1" ...
QByteArray withAttributes(const QByteArray& name, int count) {
    QByteArray element = "<" + name;
    for (int i = 0; i < count; ++i) element += " a" + QByteArray::number(i) + "=\"1\"";
    return element + ">x</" + name + ">";
}

struct Case {
    const char* what;
    QByteArray body;
    std::optional<Texts> parts;  // the expected bodyParts
    std::optional<ErrorRecord> error = std::nullopt;
    int status = 200;
    QByteArray contentType = "text/xml; charset=utf-8";
};

// Each answer goes through the whole client: HTTP, head checks, body, decoding.
void expectOutcomes(const std::vector<Case>& cases, bool bookopen = false) {
    LocalHttpServer server;
    auto binding = bindingFor(server);
    for (const Case& c : cases) {
        server.enqueue(HttpResponse::withBody(c.status, c.contentType, c.body));
        const auto response = bookopen ? binding->bookopenUsingStrguid("g")
                                       : binding->getproxyurlUsingStrcid("kelva", 2);
        EXPECT_EQ(texts(response.bodyParts), c.parts) << c.what;
        EXPECT_EQ(response.error, c.error) << c.what;
    }
}

}  // namespace

TEST(ResponseHead, AnyStatusWithTextXmlIsReadAndOtherTypesFail) {
    expectOutcomes({
        {"a fault sent with 500", soapAnswer(kFault), Texts{}, std::nullopt, 500},
        {"404 with its reason phrase", "<html>gone</html>", std::nullopt,
         httpError(404, "Not Found"), 404, "text/html"},
        {"503 with its reason phrase", "busy", std::nullopt, httpError(503, "Service Unavailable"),
         503, "text/plain"},
        {"SOAP 1.2", addressAnswer("http://a/"), std::nullopt,
         httpError(1, "Unexpected response MIME type to SOAP call:application/soap+xml"), 200,
         "application/soap+xml; charset=utf-8"},
        {"no type", addressAnswer("http://a/"), std::nullopt,
         httpError(1, "Unexpected response MIME type to SOAP call:"), 200, ""},
    });
}

TEST(Decoding, TakesTheReturnChildrenOfTheBodysFirstChild) {
    expectOutcomes({
        {"one address", addressAnswer("http://portal.example/book"),
         Texts{"http://portal.example/book"}},
        {"several returns among other children, any wrapper name",
         soapAnswer("<whatever><return>first</return><note>skip</note><return>second</return>"
                    "<ns:return xmlns:ns=\"urn:x\">third</ns:return></whatever>"),
         Texts{"first", "second", "third"}},
        {"any root name, Body by local name",
         "<env:Root xmlns:env=\"urn:any\"><env:Header/><env:Body><r><return>x</return></r>"
         "</env:Body></env:Root>",
         Texts{"x"}},
        {"entities are decoded", addressAnswer("http://p/?a=1&amp;b=2"),
         Texts{"http://p/?a=1&b=2"}},
        {"an empty return gives no entry", soapAnswer("<r><return/><return>kept</return></r>"),
         Texts{"kept"}},
        {"text, comments and CDATA that only look like many attributes",
         soapAnswer("<r a=\"x > y\"><!-- " + repeated("b=\"2\" ", 300) + "--><return>" +
                    repeated("k=\"v\" ", 300) + "</return><return><![CDATA[" +
                    repeated("c='3' ", 300) + "]]></return></r>"),
         Texts{repeated("k=\"v\" ", 300).toStdString(), repeated("c='3' ", 300).toStdString()}},
    });
}

TEST(Decoding, WhatIsNotAResponseElementGivesNoParts) {
    expectOutcomes({
        {"whitespace before the response element",
         soapAnswer("\n  <r><return>http://lost/</return></r>\n"), Texts{}},
        {"an empty Body", soapAnswer(""), Texts{}},
        {"no body bytes at all", "", Texts{}},
        {"a root without Body", "<Envelope><Header/><r><return>x</return></r></Envelope>",
         std::nullopt},
    });
}

TEST(Decoding, BrokenOrHostileXmlFailsWithTheParseError) {
    expectOutcomes({
        {"HTML sent as text/xml", "<html><body><p>Fatal error<br></body></html>", std::nullopt,
         kParseError},
        {"billion laughs", kBillionLaughs, std::nullopt, kParseError},
        {"a document type declaration, which no SOAP message has",
         "<?xml version=\"1.0\"?><!DOCTYPE e [<!ENTITY x SYSTEM \"http://127.0.0.1:9/x\">]>"
         "<e><Body><r><return>&x;</return></r></Body></e>",
         std::nullopt, kParseError},
        // More than any answer of the service holds; libxml2 must not be kept busy with them.
        {"20000 attributes on one element",
         soapAnswer("<r>" + withAttributes("return", 20000) + "</r>"), std::nullopt, kParseError},
        {"200 nested elements",
         soapAnswer("<r><return>x</return>" + repeated("<d>", 200) + repeated("</d>", 200) +
                    "</r>"),
         std::nullopt, kParseError},
        {"20000 elements", soapAnswer("<r><return>x</return>" + repeated("<e/>", 20000) + "</r>"),
         std::nullopt, kParseError},
    });
}

TEST(Decoding, BookopenReadsNumbers) {
    expectOutcomes(
        {
            {"text", soapAnswer("<r><return>abc</return><return>12</return></r>"),
             Texts{"number 0", "number 12"}},
            {"empty return counts as 0", soapAnswer("<r><return/></r>"), Texts{"number 0"}},
        },
        /*bookopen=*/true);
}

TEST(Asynchronous, EachDelegateIsToldOnceWithItsOperation) {
    LocalHttpServer server;
    server.setHandler([](const HttpRequest& request) {
        if (request.body.contains("<ntype>3</ntype>")) {
            return HttpResponse::xml(addressAnswer("http://portal/repair"));
        }
        return HttpResponse::xml("<html><body>Fatal error</body>");
    });
    auto binding = bindingFor(server);
    RecordingDelegate broken;
    RecordingDelegate fine;
    std::optional<double> toldNtype;
    fine.onOperation = [&](PagorFuncBindingOperation& operation) {
        if (auto* call = dynamic_cast<PagorFuncBinding_getproxyurl*>(&operation)) {
            toldNtype = call->ntype();
        }
    };

    binding->getproxyurlAsyncUsingStrcid("kelva", 2, &broken);
    binding->getproxyurlAsyncUsingStrcid("kelva", 3, &fine);
    // Both calls are under way; nothing has been told yet.
    EXPECT_TRUE(broken.responses.empty());
    EXPECT_TRUE(fine.responses.empty());
    ASSERT_TRUE(spinUntil([&] { return !broken.responses.empty() && !fine.responses.empty(); }));
    spinFor(std::chrono::milliseconds(100));

    ASSERT_EQ(broken.responses.size(), 1u);
    EXPECT_EQ(broken.responses[0].error, kParseError);
    EXPECT_FALSE(broken.responses[0].bodyParts);
    ASSERT_EQ(fine.responses.size(), 1u);
    EXPECT_EQ(texts(fine.responses[0].bodyParts), Texts{"http://portal/repair"});
    EXPECT_EQ(toldNtype, 3);
}
