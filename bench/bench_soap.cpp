// 1000 synchronous getproxyurl calls through the binding against 1000 plain QtNetwork POSTs of
// the same request bytes, both to the same local server answering with the same envelope. The
// plain POSTs use the request settings the transport needs as well (a transfer timeout, no cache,
// no cookie jar, no redirects), so the difference is what the binding adds: envelope, headers,
// cookie handling, head checks, decoding and the wait.

#include "soap/ResponseLimits.h"
#include "soap/PagorFuncBinding.h"

#include "RatioReporter.h"
#include "ServerThread.h"
#include "support/LocalHttpServer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using namespace penshelf;

const QByteArray cannedAnswer =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
    "<SOAP-ENV:Body><ns1:getproxyurlResponse xmlns:ns1=\"urn:PagorFunc\">"
    "<return>http://portal.example/book</return></ns1:getproxyurlResponse>"
    "</SOAP-ENV:Body></SOAP-ENV:Envelope>";

// The last request the server received (read after a call, when the server is idle).
test::HttpRequest lastRequest;

bench::ServerThread& server() {
    static bench::ServerThread instance([](const test::HttpRequest& request) {
        lastRequest = request;
        return test::HttpResponse::xml(cannedAnswer);
    });
    return instance;
}

void BM_GetproxyurlSynchronous(benchmark::State& state) {
    auto binding = soap::PagorFuncBinding::initWithAddress(server().url().toStdString());
    binding->getproxyurlUsingStrcid("kelva", 2);  // connect before timing
    for (auto _ : state) {
        const auto response = binding->getproxyurlUsingStrcid("kelva", 2);
        if (!response.bodyParts || response.bodyParts->size() != 1) {
            state.SkipWithError("no address returned");
            break;
        }
    }
}

void BM_PlainQtPost(benchmark::State& state) {
    // The same bytes the binding sends: its body and its headers.
    auto binding = soap::PagorFuncBinding::initWithAddress(server().url().toStdString());
    binding->getproxyurlUsingStrcid("kelva", 2);
    const test::HttpRequest sent = lastRequest;
    QNetworkRequest request{QUrl(server().url())};
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(10000);
    for (const char* name :
         {"User-Agent", "SOAPAction", "Content-Type", "Content-Length", "Host"}) {
        request.setRawHeader(name, sent.header(name));
    }
    QNetworkAccessManager network;
    const auto post = [&] {
        QNetworkReply* reply = network.post(request, sent.body);
        // The binding bounds what Qt reads ahead, so that an endless answer
        // cannot fill the memory; the reference reads the same way. Qt's HTTP
        // thread learns the bound only from a request under way, so the
        // request starts first, as the binding starts it.
        QCoreApplication::sendPostedEvents(reply, QEvent::MetaCall);
        reply->setReadBufferSize(penshelf::soap::responseReadBufferBytes);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        const QByteArray answer = reply->readAll();
        delete reply;
        return answer;
    };
    post();  // connect before timing
    for (auto _ : state) {
        if (post() != cannedAnswer) {
            state.SkipWithError("wrong answer");
            break;
        }
    }
}

BENCHMARK(BM_PlainQtPost)->Iterations(1000)->Repetitions(9)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetproxyurlSynchronous)
    ->Iterations(1000)
    ->Repetitions(9)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Repetitions of the two alternate, so that both see the same load on a shared machine.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    argc = static_cast<int>(args.size());
    argv = args.data();
    server();  // listening before timing
    return penshelf::bench::runAndReportRatios(
        argc, argv, {{"BM_GetproxyurlSynchronous", "BM_PlainQtPost", 1.3}});
}
