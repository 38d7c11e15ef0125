// The binding's HTTP exchange as the service sees it and as the caller sees its outcome.
#include "soap/PagorFuncBinding.h"

#include "soap/ClientTestSupport.h"
#include "soap/SoapTestSupport.h"

#include <QElapsedTimer>
#include <QNetworkReply>

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <thread>

extern char** environ;

using namespace penshelf::soap;
using namespace penshelf::test;

namespace {

// The peak resident memory of a running process so far, in KiB; 0 once it has ended. (What wait4
// reports is no use here: Linux counts the spawning process's memory into it.)
long peakKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return 0;
}

struct ProgramRun {
    std::string out;
    long peakKiB = 0;
};

// Runs `penshelf-cli soap getproxyurl` against the server while serving it; what the program
// printed and its peak resident memory, as last seen before it ended. A program that grows past
// stopAtKiB is killed there.
ProgramRun runSoapProgram(const LocalHttpServer& server, long stopAtKiB) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    std::vector<std::string> arguments{PENSHELF_CLI_PROGRAM, "soap",
                                       "getproxyurl",        "strcid=kelva",
                                       "--endpoint",         server.url().toStdString()};
    // Where the program runs under AddressSanitizer, freed memory is not held back for checking,
    // so what is measured is what the program itself holds.
    const char* asanOptions = std::getenv("ASAN_OPTIONS");
    const ScopedEnv measured("ASAN_OPTIONS",
                             std::string(asanOptions ? asanOptions : "") + ":quarantine_size_mb=0");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    ProgramRun run;
    if (spawned == 0) {
        // Watched from a thread of its own, often enough to see the peak before the program ends;
        // the program stays unreaped until then, so that its process id is still its own.
        std::atomic<bool> watching = true;
        std::atomic<long> peak = 0;
        std::thread watch([&] {
            while (watching) {
                peak = std::max(peak.load(), peakKiB(pid));
                if (peak > stopAtKiB) kill(pid, SIGKILL);
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        const bool ended = spinUntil(
            [&] {
                siginfo_t info{};
                return waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                       info.si_pid == pid;
            },
            std::chrono::seconds(60));
        if (!ended) kill(pid, SIGKILL);
        watching = false;
        watch.join();
        waitpid(pid, nullptr, 0);
        run.peakKiB = peak;
    }
    char buffer[4096];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) run.out.append(buffer, n);
    close(pipeEnds[0]);
    return run;
}

}  // namespace

TEST(Request, EachOperationPostsItsEnvelopeWithTheServiceHeaders) {
    LocalHttpServer server;
    server.setHandler([](const HttpRequest&) {
        return HttpResponse::xml(addressAnswer("http://portal.example/book"));
    });
    auto binding = bindingFor(server);

    const auto response = binding->getproxyurlUsingStrcid("kelva点", 2);
    EXPECT_FALSE(response.error);
    EXPECT_EQ(texts(response.bodyParts), Texts{"http://portal.example/book"});
    binding->bookopenUsingStrguid("g-1");
    binding->synchronousUsingStrcid("kelva", "m-9");
    binding->getproxyurlUsingStrcid(std::nullopt, 3);
    binding->testUsingStrmid("m-9");
    binding->getversionUsingStrpid("p-2", "1.0.4");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 6u);
    const std::pair<const char*, const char*> expected[] = {
        // Content-Length counts the UTF-8 bytes of the body.
        {"getproxyurl", "<strcid>kelva点</strcid>\n      <ntype>2</ntype>"},
        {"bookopen", "<strguid>g-1</strguid>"},
        {"synchronous", "<strcid>kelva</strcid>\n      <strmid>m-9</strmid>"},
        {"getproxyurl", "<ntype>3</ntype>"},
        {"test", "<strmid>m-9</strmid>"},
        {"getversion", "<strpid>p-2</strpid>\n      <strver>1.0.4</strver>"},
    };
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const HttpRequest& request = requests[i];
        const std::string operation = expected[i].first;
        SCOPED_TRACE(operation);
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.target, "/PagorFunc.php");
        EXPECT_EQ(request.body.toStdString(),
                  std::string(kEnvelopeStart) + ">\n  <soap:Body>\n    <soap:" + operation +
                      ">\n      " + expected[i].second + "\n    </soap:" + operation +
                      ">\n  </soap:Body>\n</soap:Envelope>\n");
        // SOAPAction goes unquoted; Host names the host without the port.
        EXPECT_TRUE(request.raw.contains("\r\nSOAPAction: urn:PagorFunc#" + operation + "\r\n"));
        EXPECT_EQ(request.header("Content-Type"), "text/xml; charset=utf-8");
        EXPECT_EQ(request.header("Content-Length"), QByteArray::number(request.body.size()));
        EXPECT_EQ(request.header("Host"), "127.0.0.1");
        EXPECT_FALSE(request.header("User-Agent").isEmpty());
        EXPECT_FALSE(request.header("User-Agent").startsWith("Mozilla"));
        EXPECT_FALSE(request.hasHeader("Cookie"));
        // Each service header once, in this order.
        const QList<QByteArray> order = {"User-Agent", "SOAPAction", "Content-Type",
                                         "Content-Length", "Host"};
        QList<QByteArray> names = request.headerNames();
        names.removeIf([&](const QByteArray& name) { return !order.contains(name); });
        EXPECT_EQ(names, order);
    }
}

TEST(Authentication, TheFirstChallengeIsAnsweredWithTheBindingsCredentials) {
    LocalHttpServer server;
    const auto challenge = [] {
        auto response = HttpResponse::withBody(401, "text/html", "who are you?");
        response.addHeader("WWW-Authenticate", "Basic realm=\"pagor\"");
        return response;
    };
    auto binding = bindingFor(server);
    binding->setAuthUsername("pen");
    binding->setAuthPassword("secret");

    server.enqueue(challenge());
    server.enqueue(HttpResponse::xml(addressAnswer("http://portal/")));
    auto accepted = binding->getproxyurlUsingStrcid("kelva", 2);
    EXPECT_FALSE(accepted.error);
    EXPECT_EQ(texts(accepted.bodyParts), Texts{"http://portal/"});
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[0].hasHeader("Authorization"));
    EXPECT_EQ(requests[1].header("Authorization"), "Basic " + QByteArray("pen:secret").toBase64());
    EXPECT_EQ(requests[1].body, requests[0].body);
}

TEST(Authentication, ASecondChallengeInOneExchangeFailsTheCall) {
    LocalHttpServer server;
    server.setHandler([](const HttpRequest&) {
        auto response = HttpResponse::withBody(401, "text/html", "no");
        response.addHeader("WWW-Authenticate", "Basic realm=\"pagor\"");
        return response;
    });
    // A binding without credentials offers them absent, that is empty.
    auto binding = bindingFor(server);

    RecordingDelegate delegate;
    binding->getproxyurlAsyncUsingStrcid("kelva", 2, &delegate);
    ASSERT_TRUE(spinUntil([&] { return !delegate.responses.empty(); }));
    spinFor(std::chrono::milliseconds(100));

    ASSERT_EQ(delegate.responses.size(), 1u);
    EXPECT_EQ(delegate.responses[0].error,
              (ErrorRecord{"Connection Authentication", 0, "Authentication Error"}));
    EXPECT_FALSE(delegate.responses[0].bodyParts);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].header("Authorization"), "Basic " + QByteArray(":").toBase64());
}

TEST(Cookies, AreSentBackOnTheNextCallAndEmptiedByAnAnswerWithout) {
    LocalHttpServer server;
    auto binding = bindingFor(server);
    EXPECT_FALSE(binding->cookies());

    auto first = HttpResponse::xml(addressAnswer("http://a/"));
    first.addHeader("Set-Cookie", "PHPSESSID=abc123; Path=/");
    first.addHeader("Set-Cookie", "lang=zh; Path=/");
    server.enqueue(first);
    server.enqueue(HttpResponse::xml(addressAnswer("http://b/")));
    server.enqueue(HttpResponse::xml(addressAnswer("http://c/")));

    binding->getproxyurlUsingStrcid("kelva", 2);
    ASSERT_TRUE(binding->cookies());
    EXPECT_EQ(binding->cookies()->size(), 2);

    binding->getproxyurlUsingStrcid("kelva", 2);
    ASSERT_TRUE(binding->cookies());
    EXPECT_TRUE(binding->cookies()->isEmpty());

    binding->getproxyurlUsingStrcid("kelva", 2);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_FALSE(requests[0].hasHeader("Cookie"));
    EXPECT_EQ(requests[1].header("Cookie"), "PHPSESSID=abc123; lang=zh");
    EXPECT_EQ(requests[1].headerNames().count("Cookie"), 1);
    EXPECT_FALSE(requests[2].hasHeader("Cookie"));

    // A new binding starts without the cookies of another.
    auto other = bindingFor(server);
    server.enqueue(HttpResponse::xml(addressAnswer("http://d/")));
    other->addCookie(std::nullopt);
    EXPECT_FALSE(other->cookies());
    other->addCookie(QNetworkCookie("given", "1"));
    other->getproxyurlUsingStrcid("kelva", 2);
    EXPECT_EQ(server.requests().back().header("Cookie"), "given=1");
}

TEST(Failures, ASilentOrTricklingServerEndsTheCallWithATimeOut) {
    LocalHttpServer server;
    auto binding = bindingFor(server);
    binding->setDefaultTimeout(0.3);
    const ErrorRecord timedOut{"QNetworkReply", QNetworkReply::TimeoutError,
                               "The request timed out"};

    server.enqueue(HttpResponse::silence());
    QElapsedTimer clock;
    clock.start();
    const auto silent = binding->getproxyurlUsingStrcid("kelva", 2);
    EXPECT_EQ(silent.error, timedOut);
    EXPECT_FALSE(silent.bodyParts);
    EXPECT_GE(clock.elapsed(), 250);  // it did wait for the timeout, not fail at once

    // Never silent for 0.3 s, but the answer would take 10 s: the call ends after six timeouts.
    server.enqueue(
        HttpResponse::trickle(addressAnswer("http://portal/"), std::chrono::milliseconds(50)));
    clock.restart();
    const auto trickled = binding->getproxyurlUsingStrcid("kelva", 2);
    EXPECT_EQ(trickled.error, timedOut);
    EXPECT_FALSE(trickled.bodyParts);
    EXPECT_GE(clock.elapsed(), 1500);
    EXPECT_EQ(server.requestCount(), 2u);
}

TEST(Failures, ARefusedConnectionOrNoAddressEndsTheCallWithTheConnectionError) {
    LocalHttpServer server;
    const std::string address = server.url().toStdString();
    server.close();

    const auto refused = PagorFuncBinding::initWithAddress(address)->getproxyurlUsingStrcid("k", 2);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->domain, "QNetworkReply");
    EXPECT_EQ(refused.error->code, QNetworkReply::ConnectionRefusedError);
    EXPECT_FALSE(refused.error->description.empty());
    EXPECT_FALSE(refused.bodyParts);

    const auto nowhere = PagorFuncBinding::init()->getproxyurlUsingStrcid("kelva", 2);
    ASSERT_TRUE(nowhere.error);
    EXPECT_EQ(nowhere.error->domain, "QNetworkReply");
    EXPECT_FALSE(nowhere.bodyParts);
}

TEST(Limits, BodiesBeyond8MiBAreRefusedWithAnError) {
    LocalHttpServer server;
    auto binding = bindingFor(server);
    const QByteArray huge = soapAnswer(QByteArray(9 * 1024 * 1024, ' '));

    // Announced by Content-Length.
    server.enqueue(HttpResponse::xml(huge));
    auto announced = binding->getproxyurlUsingStrcid("kelva", 2);
    EXPECT_EQ(announced.error, httpError(2, "Response body larger than 8 MiB"));
    EXPECT_FALSE(announced.bodyParts);

    // Or only found out while it streams in.
    auto streamed = HttpResponse::xml(huge);
    streamed.closeDelimited = true;
    server.enqueue(streamed);
    auto unannounced = binding->getproxyurlUsingStrcid("kelva", 2);
    EXPECT_EQ(unannounced.error, httpError(2, "Response body larger than 8 MiB"));

    // 8 MiB exactly is still read.
    QByteArray padded = addressAnswer("http://portal/");
    padded.append(QByteArray(8 * 1024 * 1024 - padded.size(), '\n'));
    server.enqueue(HttpResponse::xml(padded));
    auto largest = binding->getproxyurlUsingStrcid("kelva", 2);
    EXPECT_FALSE(largest.error);
    EXPECT_EQ(texts(largest.bodyParts), Texts{"http://portal/"});
}

TEST(Limits, AnEndlessBodyIsRefusedInBoundedMemory) {
    // An ordinary call takes about 15 MB (more under the sanitizers); refusing an endless body may
    // take 48 MB more at most, which keeps the program under 64 MB.
    constexpr long kMoreKiB = 48 * 1024;
    LocalHttpServer server;
    server.enqueue(HttpResponse::xml(addressAnswer("http://portal/")));
    const ProgramRun ordinary = runSoapProgram(server, LONG_MAX);
    ASSERT_EQ(ordinary.out, "http://portal/\n");
    for (const bool chunked : {true, false}) {
        SCOPED_TRACE(chunked ? "chunked" : "delimited by the connection");
        server.enqueue(HttpResponse::endless(QByteArray(64 * 1024, ' '), chunked));
        const ProgramRun run = runSoapProgram(server, ordinary.peakKiB + kMoreKiB);
        EXPECT_EQ(run.out,
                  "error: PagorFuncBindingResponseHTTP 2 Response body larger than 8 MiB\n");
        EXPECT_LT(run.peakKiB - ordinary.peakKiB, kMoreKiB);
    }
}

TEST(DebugLog, LogXMLInOutWritesTheExchangeAndNothingWithout) {
    LocalHttpServer server;
    const QByteArray answer = addressAnswer("http://portal/");
    server.setHandler([&](const HttpRequest&) { return HttpResponse::xml(answer); });
    auto binding = bindingFor(server);
    {
        CapturedLog quiet;
        binding->getproxyurlUsingStrcid("kelva", 2);
        EXPECT_TRUE(quiet.lines().empty());
    }

    binding->setLogXMLInOut(true);
    CapturedLog log;
    binding->getproxyurlUsingStrcid("kelva", 2);
    const std::string sent = server.requests().back().body.toStdString();

    ASSERT_EQ(log.lines().size(), 5u);
    EXPECT_EQ(log.lines()[0].rfind("OutputHeaders:\n", 0), 0u);
    EXPECT_NE(log.lines()[0].find("SOAPAction: urn:PagorFunc#getproxyurl"), std::string::npos);
    EXPECT_EQ(log.lines()[1], "OutputBody:\n" + sent);
    EXPECT_EQ(log.lines()[2], "ResponseStatus: 200\n");
    EXPECT_EQ(log.lines()[3].rfind("ResponseHeaders:\n", 0), 0u);
    EXPECT_NE(log.lines()[3].find("Content-Type: text/xml; charset=utf-8"), std::string::npos);
    EXPECT_EQ(log.lines()[4], "ResponseBody:\n" + answer.toStdString());

    server.setHandler(
        [](const HttpRequest&) { return HttpResponse::withBody(404, "text/html", ""); });
    CapturedLog failure;
    binding->getproxyurlUsingStrcid("kelva", 2);
    ASSERT_FALSE(failure.lines().empty());
    EXPECT_EQ(failure.lines().back(), "ResponseError:\nPagorFuncBindingResponseHTTP 404 Not Found");
}
