// The request envelope, and the binding's HTTP exchange as the service sees it and as the caller
// sees its outcome: the content type that decides whether the body is read, and the "return" values
// of the Body's first child. Answers of other statuses are checked as penshelf-cli soap prints
// them, in SoapCommandTest.
#include "soap/PagorFuncBinding.h"
#include "soap/PagorFuncBindingOperations.h"
#include "soap/PagorFuncBindingResponseDelegate.h"
#include "soap/PagorFuncBinding_envelope.h"

#include "soap/ClientTestSupport.h"
#include "soap/SoapTestSupport.h"

#include <QElapsedTimer>
#include <QNetworkReply>

#include <gmock/gmock.h>

#include <fstream>
#include <string>

using namespace penshelf::soap;
using namespace penshelf::test;
using namespace ::testing;

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

// Records what it is told; of a getproxyurl call also its ntype, read while the call is told (the
// operation may be gone afterwards).
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
    int status = 200;
};

// An element's start tag with `count` attributes, whose text is x.
QByteArray returnWithAttributes(int count) {
    QByteArray tag = "<return";
    for (int i = 0; i < count; ++i) tag += " a" + QByteArray::number(i) + "=\"1\"";
    return tag + ">x</return>";
}

// A return, then `depth` nested elements below the response element (itself at depth 3).
QByteArray nestedBelowReturn(int depth) {
    return soapAnswer("<r><return>x</return>" + QByteArray("<d>").repeated(depth) +
                      QByteArray("</d>").repeated(depth) + "</r>");
}

// A return and `empty` empty elements: the declaration, the root and its namespace, Body, r and
// return are six nodes more. Each "<" in a comment counts as a start tag, the comment as one node.
QByteArray nodesAfterReturn(int empty, const QByteArray& comment = "") {
    return soapAnswer("<r><return>x</return>" + comment + QByteArray("<e/>").repeated(empty) +
                      "</r>");
}

}  // namespace

TEST_F(ServiceTest, EachOperationPostsAnEnvelopeOfItsOwnParametersWithTheServiceHeaders) {
    auto& envelope = PagorFuncBinding_envelope::sharedInstance();
    // Nothing to hold leaves an empty root.
    EXPECT_EQ(envelope.serializedFormUsingFunc("getproxyurl", ElementMap{}, ElementMap{}),
              std::string(envelopeStart) + "/>\n");
    // The map holds its names sorted; the operation takes strpid, then strver, and not strguid.
    EXPECT_EQ(envelope.serializedFormUsingFunc(
                  "getversion", ElementMap{{"session", "s1"}},
                  ElementMap{{"strguid", "g-1"}, {"strver", "1.0.4"}, {"strpid", "p-2"}}),
              std::string(envelopeStart) +
                  ">\n  <soap:Header>\n    <session>s1</session>\n  </soap:Header>\n"
                  "  <soap:Body>\n    <soap:getversion>\n      <strpid>p-2</strpid>\n"
                  "      <strver>1.0.4</strver>\n    </soap:getversion>\n  </soap:Body>\n"
                  "</soap:Envelope>\n");

    server.setHandler([](const HttpRequest&) {
        return HttpResponse::xml(getproxyurlAnswer("http://portal.example/book"));
    });

    binding->getproxyurlUsingStrcid("a<b & 点", 2);
    binding->bookopenUsingStrguid("g-1");
    binding->synchronousUsingStrcid("kelva", "m-9");
    binding->getproxyurlUsingStrcid(std::nullopt, 3);
    binding->testUsingStrmid("m-9");
    binding->getversionUsingStrpid("p-2", "1.0.4");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 6u);
    const std::pair<const char*, const char*> expected[] = {
        // Text is escaped once; Content-Length counts the UTF-8 bytes of the body.
        {"getproxyurl", "<strcid>a&lt;b &amp; 点</strcid>\n      <ntype>2</ntype>"},
        {"bookopen", "<strguid>g-1</strguid>"},
        {"synchronous", "<strcid>kelva</strcid>\n      <strmid>m-9</strmid>"},
        // An absent parameter leaves no element.
        {"getproxyurl", "<ntype>3</ntype>"},
        {"test", "<strmid>m-9</strmid>"},
        {"getversion", "<strpid>p-2</strpid>\n      <strver>1.0.4</strver>"}};
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const HttpRequest& request = requests[i];
        const std::string operation = expected[i].first;
        SCOPED_TRACE(operation);
        EXPECT_EQ(request.method + " " + request.target, "POST /PagorFunc.php");
        EXPECT_EQ(request.body.toStdString(),
                  std::string(envelopeStart) + ">\n  <soap:Body>\n    <soap:" + operation +
                      ">\n      " + expected[i].second + "\n    </soap:" + operation +
                      ">\n  </soap:Body>\n</soap:Envelope>\n");
        // SOAPAction goes unquoted; Host names the host without the port.
        EXPECT_TRUE(request.raw.contains("\r\nSOAPAction: urn:PagorFunc#" + operation + "\r\n"));
        EXPECT_EQ(request.header("Content-Type"), "text/xml; charset=utf-8");
        EXPECT_EQ(request.header("Content-Length"), QByteArray::number(request.body.size()));
        EXPECT_EQ(request.header("Host"), "127.0.0.1");
        EXPECT_TRUE(request.header("User-Agent").startsWith("PenShelf/"));
        // Each service header once, in this order.
        const QList<QByteArray> order = {"User-Agent", "SOAPAction", "Content-Type",
                                         "Content-Length", "Host"};
        QList<QByteArray> names = request.headerNames();
        names.removeIf([&](const QByteArray& name) { return !order.contains(name); });
        EXPECT_EQ(names, order);
    }
}

TEST_F(ServiceTest, OneChallengeIsAnsweredWithTheBindingsCredentialsASecondFailsTheCall) {
    const QByteArray penSecret = "Basic " + QByteArray("pen:secret").toBase64();
    server.setHandler([&](const HttpRequest& request) {
        if (request.header("Authorization") == penSecret) {
            return HttpResponse::xml(getproxyurlAnswer("http://portal/"));
        }
        return HttpResponse::withBody(401, "text/html", "who are you?")
            .addHeader("WWW-Authenticate", "Basic realm=\"pagor\"");
    });
    binding->setAuthUsername("pen");
    binding->setAuthPassword("secret");
    const auto accepted = binding->getproxyurlUsingStrcid("kelva", 2);
    EXPECT_FALSE(accepted.error);
    EXPECT_EQ(texts(accepted.bodyParts), Texts{"http://portal/"});

    // A binding without credentials offers them absent, that is empty.
    const auto stranger = bindingFor(server);
    const auto refused = stranger->getproxyurlUsingStrcid("kelva", 2);
    EXPECT_EQ(refused.error, authenticationError);
    EXPECT_FALSE(refused.bodyParts);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_FALSE(requests[0].hasHeader("Authorization"));
    EXPECT_EQ(requests[1].header("Authorization"), penSecret);
    EXPECT_EQ(requests[1].body, requests[0].body);
    EXPECT_EQ(requests[3].header("Authorization"), "Basic " + QByteArray(":").toBase64());

    // Called asynchronously, each delegate is told once, with its own operation.
    RecordingDelegate broken, fine;
    stranger->getproxyurlAsyncUsingStrcid("kelva", 2, &broken);
    binding->getproxyurlAsyncUsingStrcid("kelva", 3, &fine);
    // Both calls are under way; nothing has been told yet.
    EXPECT_TRUE(broken.responses.empty() && fine.responses.empty());
    ASSERT_TRUE(spinUntil([&] { return !broken.responses.empty() && !fine.responses.empty(); }));
    spinFor(std::chrono::milliseconds(100));
    ASSERT_EQ(broken.ntypes, std::vector<std::optional<double>>{2});
    ASSERT_EQ(fine.ntypes, std::vector<std::optional<double>>{3});
    EXPECT_EQ(broken.responses[0].error, authenticationError);
    EXPECT_FALSE(broken.responses[0].bodyParts);
    EXPECT_EQ(texts(fine.responses[0].bodyParts), Texts{"http://portal/"});
}

TEST_F(ServiceTest, CookiesAreSentBackOnTheNextCallAndEmptiedByAnAnswerWithout) {
    server.enqueue(HttpResponse::xml(getproxyurlAnswer("http://a/"))
                       .addHeader("Set-Cookie", "PHPSESSID=abc123; Path=/")
                       .addHeader("Set-Cookie", "lang=zh; Path=/"));
    server.setHandler(
        [](const HttpRequest&) { return HttpResponse::xml(getproxyurlAnswer("http://b/")); });
    binding->getproxyurlUsingStrcid("kelva", 2);
    // Another binding has cookies of its own: none, then those it is given.
    auto other = bindingFor(server);
    EXPECT_FALSE(other->cookies());
    other->addCookie(QNetworkCookie("given", "1"));
    other->getproxyurlUsingStrcid("kelva", 2);
    binding->getproxyurlUsingStrcid("kelva", 2);
    ASSERT_TRUE(binding->cookies());
    EXPECT_TRUE(binding->cookies()->isEmpty());
    binding->getproxyurlUsingStrcid("kelva", 2);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_FALSE(requests[0].hasHeader("Cookie"));
    EXPECT_EQ(requests[1].header("Cookie"), "given=1");
    EXPECT_EQ(requests[2].header("Cookie"), "PHPSESSID=abc123; lang=zh");
    EXPECT_EQ(requests[2].headerNames().count("Cookie"), 1);
    EXPECT_FALSE(requests[3].hasHeader("Cookie"));
}

TEST_F(ServiceTest, ASilentTricklingRefusingOrMissingServerEndsTheCallWithItsError) {
    binding->setDefaultTimeout(0.3);
    // Never silent for 0.3 s, but the whole answer would take 10 s: the call ends after six.
    auto trickle = HttpResponse::xml(getproxyurlAnswer("http://portal/"));
    trickle.kind = HttpResponse::Kind::Trickle;
    trickle.interval = std::chrono::milliseconds(50);
    // Each waits for its timeout rather than failing at once.
    for (const auto& [answer, atLeastMs] :
         {std::pair(HttpResponse::stalled({}), 250), std::pair(trickle, 1500)}) {
        server.enqueue(answer);
        QElapsedTimer clock;
        clock.start();
        const auto response = binding->getproxyurlUsingStrcid("kelva", 2);
        EXPECT_EQ(response.error, (ErrorRecord{"QNetworkReply", QNetworkReply::TimeoutError,
                                               "The request timed out"}));
        EXPECT_FALSE(response.bodyParts);
        EXPECT_GE(clock.elapsed(), atLeastMs);
    }
    EXPECT_EQ(server.requestCount(), 2u);

    // A refused connection, or no address at all, ends the call at once with its own error.
    server.close();
    for (const auto& [client, code] :
         {std::pair(binding, QNetworkReply::ConnectionRefusedError),
          std::pair(PagorFuncBinding::init(), QNetworkReply::ProtocolUnknownError)}) {
        const auto response = client->getproxyurlUsingStrcid("kelva", 2);
        ASSERT_TRUE(response.error);
        EXPECT_EQ(response.error->domain, "QNetworkReply");
        EXPECT_EQ(response.error->code, code);
        EXPECT_FALSE(response.error->description.empty());
        EXPECT_FALSE(response.bodyParts);
    }
}

// This process's memory now ("VmRSS:") or at most since the last reset ("VmHWM:"), in MiB; the
// reset starts the peak anew from now.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif

long memoryMiB(const std::string& field, bool reset = false) {
    std::ifstream status("/proc/self/status");
    long kib = 0;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0) kib = std::stol(line.substr(field.size()));
    }
    if (reset) std::ofstream("/proc/self/clear_refs") << "5";
    return kib / 1024;
}

TEST_F(ServiceTest, BodiesBeyond8MiBAreRefusedWithAnError) {
    QByteArray padded = getproxyurlAnswer("http://portal/");
    padded.append(QByteArray(8 * 1024 * 1024 - padded.size(), '\n'));
    // Endless bodies, chunked or delimited by the connection, are found out while they stream in.
    auto endless = HttpResponse::xml(QByteArray(64 * 1024, ' '));
    endless.kind = HttpResponse::Kind::Endless;
    endless.closeDelimited = true;
    auto chunked = HttpResponse::xml(endless.body).addHeader("Transfer-Encoding", "chunked");
    chunked.kind = HttpResponse::Kind::Endless;
    const ErrorRecord tooLarge = httpError(2, "Response body larger than 8 MiB");
    const std::pair<HttpResponse, std::optional<ErrorRecord>> cases[] = {
        {HttpResponse::xml(soapAnswer(QByteArray(9 * 1024 * 1024, ' '))), tooLarge},  // announced
        {endless, tooLarge},
        {chunked, tooLarge},
        {HttpResponse::xml(padded), std::nullopt},  // 8 MiB exactly is still read
    };
    for (const auto& [answer, error] : cases) {
        server.enqueue(answer);
        const long before = memoryMiB("VmRSS:", true);
        const auto response = binding->getproxyurlUsingStrcid("kelva", 2);
        EXPECT_EQ(response.error, error);
        // However fast the body comes, the call holds little more than the limit (AddressSanitizer
        // keeps freed buffers a while: more there).
        EXPECT_LT(memoryMiB("VmHWM:") - before, sanitized ? 160 : 64);
        EXPECT_EQ(texts(response.bodyParts),
                  error ? std::nullopt : std::optional(Texts{"http://portal/"}));
    }
}

TEST_F(ServiceTest, LogXMLInOutWritesTheExchangeAndNothingWithout) {
    const QByteArray answer = getproxyurlAnswer("http://portal/");
    server.setHandler([&](const HttpRequest&) { return HttpResponse::xml(answer); });
    CapturedLog quiet;
    binding->getproxyurlUsingStrcid("kelva", 2);
    EXPECT_TRUE(quiet.lines().empty());

    binding->setLogXMLInOut(true);
    CapturedLog log;
    binding->getproxyurlUsingStrcid("kelva", 2);
    const std::string sent = server.requests().back().body.toStdString();

    EXPECT_THAT(log.lines(), ElementsAre(AllOf(StartsWith("OutputHeaders:\n"),
                                               HasSubstr("SOAPAction: urn:PagorFunc#getproxyurl")),
                                         "OutputBody:\n" + sent, "ResponseStatus: 200\n",
                                         AllOf(StartsWith("ResponseHeaders:\n"),
                                               HasSubstr("Content-Type: text/xml; charset=utf-8")),
                                         "ResponseBody:\n" + answer.toStdString()));

    server.setHandler(
        [](const HttpRequest&) { return HttpResponse::withBody(404, "text/html", ""); });
    CapturedLog failure;
    binding->getproxyurlUsingStrcid("kelva", 2);
    ASSERT_FALSE(failure.lines().empty());
    EXPECT_EQ(failure.lines().back(), "ResponseError:\nPagorFuncBindingResponseHTTP 404 Not Found");
}

TEST_F(ServiceTest, EachAnswerGivesTheReturnsOfTheBodysFirstChildOrAnError) {
    const Case cases[] = {
        // Types other than text/xml fail; from status 400 on, with the status.
        {"SOAP 1.2", getproxyurlAnswer("http://a/"), std::nullopt,
         httpError(1, "Unexpected response MIME type to SOAP call:application/soap+xml"),
         "application/soap+xml; charset=utf-8"},
        {"no type", getproxyurlAnswer("http://a/"), std::nullopt,
         httpError(1, "Unexpected response MIME type to SOAP call:"), ""},
        {"399 in HTML", "<p>odd</p>", std::nullopt,
         httpError(1, "Unexpected response MIME type to SOAP call:text/html"), "text/html", 399},
        {"400 in HTML", "<p>bad</p>", std::nullopt, httpError(400, "Bad Request"), "text/html",
         400},
        {"a proxy's 502 page", "<p>down</p>", std::nullopt, httpError(502, "Bad Gateway"),
         "text/html", 502},
        // As the service answers: namespaces on the root, typed returns.
        {"the service's own form",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope "
         "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\" "
         "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
         "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\" "
         "xmlns:tns=\"urn:PagorFunc\"><SOAP-ENV:Body><ns1:getproxyurlResponse "
         "xmlns:ns1=\"urn:PagorFunc\"><return xsi:type=\"xsd:string\">http://portal/book?id=1"
         "</return></ns1:getproxyurlResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>",
         Texts{"http://portal/book?id=1"}},
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
        // Up to the limits and one past each; libxml2 must not be kept busy with more.
        {"256 attributes", soapAnswer("<r>" + returnWithAttributes(256) + "</r>"), Texts{"x"}},
        {"257 attributes", soapAnswer("<r>" + returnWithAttributes(257) + "</r>"), std::nullopt,
         parseError},
        {"depth 64", nestedBelowReturn(61), Texts{"x"}},
        {"depth 65", nestedBelowReturn(62), std::nullopt, parseError},
        {"10000 nodes", nodesAfterReturn(9994), Texts{"x"}},
        {"10001 nodes", nodesAfterReturn(9992, "<!--<<-->"), std::nullopt, parseError}};
    // Each answer goes through the whole client: HTTP, head checks, body, decoding.
    for (const Case& c : cases) {
        server.enqueue(HttpResponse::withBody(c.status, c.contentType, c.body));
        const auto response = binding->getproxyurlUsingStrcid("kelva", 2);
        EXPECT_EQ(texts(response.bodyParts), c.parts) << c.what;
        EXPECT_EQ(response.error, c.error) << c.what;
    }
}
