// penshelf-cli soap: what it sends, what it prints for each kind of outcome, and its exit status.
#include "cli/SoapCommand.h"
#include "soap/ServiceEndpoint.h"

#include "cli/CliTestSupport.h"
#include "soap/ClientTestSupport.h"
#include "soap/SoapTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace penshelf;
using namespace penshelf::test;

namespace {

using SoapCommand = ServiceTest;

// A command line from its words after "soap", with "@" standing for the endpoint.
std::vector<std::string> soapArgs(const std::string& line, const std::string& endpoint) {
    std::vector<std::string> args{"soap"};
    std::istringstream words(line);
    for (std::string word; words >> word; args.push_back(word)) {
        if (const auto at = word.find('@'); at != std::string::npos) word.replace(at, 1, endpoint);
    }
    return args;
}

TEST_F(SoapCommand, PrintsEachReturnedPartOnALineExitsByTheAnswerAndLogsOnRequest) {
    struct Case {
        const char* line;  // the operation, its parameters and the endpoint
        HttpResponse answer;
        std::string out;
        int status;
    };
    const Case cases[] = {
        {"getproxyurl strcid=kelva ntype=2 --endpoint @",
         HttpResponse::xml(
             soapAnswer("<r><return>http://portal/book</return><return>second</return></r>")),
         "http://portal/book\nsecond\n", 0},
        {"test strmid=m --endpoint=@",
         HttpResponse::xml(
             soapAnswer("<SOAP-ENV:Fault><faultstring>no</faultstring></SOAP-ENV:Fault>"), 500),
         "", 0},
        {"getversion strpid=p strver=1 --endpoint=@",
         HttpResponse::withBody(404, "text/html", "gone"),
         "error: PagorFuncBindingResponseHTTP 404 Not Found\n", 2},
        {"synchronous strcid=kelva --endpoint=@",
         HttpResponse::xml("<Envelope><NoBody/></Envelope>"), "no body\n", 2},
        // bookopen returns numbers: text and an empty return read as 0.
        {"bookopen strguid=g --endpoint=@",
         HttpResponse::xml(soapAnswer("<r><return>7</return><return>abc</return><return/></r>")),
         "7\n0\n0\n", 0}};
    for (const Case& c : cases) {
        server.enqueue(c.answer);
        const CliRun run = runCli(soapArgs(c.line, server.url().toStdString()));
        EXPECT_EQ(run.out, c.out) << c.line;
        EXPECT_EQ(run.status, c.status) << c.line;
    }

    ASSERT_EQ(server.requestCount(), std::size(cases));
    const HttpRequest request = server.requests().front();
    EXPECT_TRUE(request.body.contains("<strcid>kelva</strcid>\n      <ntype>2</ntype>"));

    // A fault entry prints its short message.
    soap::SOAPFault fault;
    fault.faultstring = "System.Web.Services.Protocols.SoapException: unknown client\n   at x()";
    EXPECT_EQ(cli::describeBodyPart(fault), "fault: unknown client");
    EXPECT_EQ(cli::describeBodyPart(soap::SOAPFault{}), "fault: ");
    EXPECT_EQ(cli::describeBodyPart(2.5), "2.5");

    // Without --endpoint, the configured one.
    server.enqueue(HttpResponse::xml(getproxyurlAnswer("http://portal/repair")));
    const ScopedEnv service(soap::serviceUrlVariable, server.url().toStdString());
    CapturedLog log;

    const CliRun run = runCli({"soap", "getproxyurl", "strcid=kelva", "ntype=3", "--log"});

    EXPECT_EQ(run.out, "http://portal/repair\n");
    ASSERT_FALSE(log.lines().empty());
    EXPECT_EQ(log.lines().front().rfind("OutputHeaders:\n", 0), 0u);
}

TEST_F(SoapCommand, RefusesABadCommandLineWithoutCalling) {
    for (const char* line :
         {"", "frobnicate --endpoint @", "getproxyurl strmid=x --endpoint @",
          "getproxyurl ntype=two --endpoint @", "getproxyurl ntype=nan --endpoint @",
          "getproxyurl --endpoint", "getproxyurl --endpoint ftp://127.0.0.1/x",
          "getproxyurl stray --endpoint @"}) {
        const CliRun run = runCli(soapArgs(line, server.url().toStdString()));
        EXPECT_EQ(run.status, 1) << line;
        EXPECT_NE(run.err.find("usage: penshelf-cli soap"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(server.requestCount(), 0u);
}

}  // namespace
