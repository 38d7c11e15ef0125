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

TEST_F(SoapCommand, PrintsEachReturnedPartOnALineAndExitsByTheAnswer) {
    struct Case {
        const char* operation;  // and its parameters
        HttpResponse answer;
        std::string out;
        int status;
    };
    const Case cases[] = {
        {"getproxyurl strcid=kelva ntype=2",
         HttpResponse::xml(
             soapAnswer("<r><return>http://portal/book</return><return>second</return></r>")),
         "http://portal/book\nsecond\n", 0},
        {"test strmid=m",
         HttpResponse::xml(
             soapAnswer("<SOAP-ENV:Fault><faultstring>no</faultstring></SOAP-ENV:Fault>"), 500),
         "", 0},
        {"getversion strpid=p strver=1", HttpResponse::withBody(404, "text/html", "gone"),
         "error: PagorFuncBindingResponseHTTP 404 Not Found\n", 2},
        {"synchronous strcid=kelva", HttpResponse::xml("<Envelope><NoBody/></Envelope>"),
         "no body\n", 2},
        // bookopen returns numbers: text and an empty return read as 0.
        {"bookopen strguid=g",
         HttpResponse::xml(soapAnswer("<r><return>7</return><return>abc</return><return/></r>")),
         "7\n0\n0\n", 0},
    };
    bool spaced = true;  // --endpoint URL, then --endpoint=URL
    for (const Case& c : cases) {
        server.enqueue(c.answer);
        std::vector<std::string> args{"soap"};
        std::istringstream words(c.operation);
        for (std::string word; words >> word;) args.push_back(word);
        if (spaced) args.push_back("--endpoint");
        args.push_back((spaced ? "" : "--endpoint=") + server.url().toStdString());
        spaced = false;
        const CliRun run = runCli(args);
        EXPECT_EQ(run.out, c.out) << c.operation;
        EXPECT_EQ(run.status, c.status) << c.operation;
    }

    ASSERT_EQ(server.requestCount(), std::size(cases));
    const HttpRequest request = server.requests().front();
    EXPECT_EQ(request.header("SOAPAction"), "urn:PagorFunc#getproxyurl");
    EXPECT_TRUE(request.body.contains("<strcid>kelva</strcid>\n      <ntype>2</ntype>"));
}

TEST_F(SoapCommand, UsesTheConfiguredEndpointAndLogsOnRequest) {
    server.enqueue(HttpResponse::xml(getproxyurlAnswer("http://portal/repair")));
    const ScopedEnv service(soap::serviceUrlVariable, server.url().toStdString());
    CapturedLog log;

    const CliRun run = runCli({"soap", "getproxyurl", "strcid=kelva", "ntype=3", "--log"});

    EXPECT_EQ(run.out, "http://portal/repair\n");
    ASSERT_FALSE(log.lines().empty());
    EXPECT_EQ(log.lines().front().rfind("OutputHeaders:\n", 0), 0u);
}

TEST_F(SoapCommand, RefusesABadCommandLineWithoutCalling) {
    const std::string endpoint = server.url().toStdString();
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"soap"},
             {"soap", "frobnicate", "--endpoint", endpoint},
             {"soap", "getproxyurl", "strmid=x", "--endpoint", endpoint},
             {"soap", "getproxyurl", "ntype=two", "--endpoint", endpoint},
             {"soap", "getproxyurl", "ntype=nan", "--endpoint", endpoint},
             {"soap", "getproxyurl", "--endpoint"},
             {"soap", "getproxyurl", "--endpoint", "ftp://127.0.0.1/x"},
             {"soap", "getproxyurl", "stray", "--endpoint", endpoint},
         }) {
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 1) << testing::PrintToString(args);
        EXPECT_NE(run.err.find("usage: penshelf-cli soap"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(SoapCommand, PrintsAFaultEntryByItsShortMessage) {
    soap::SOAPFault fault;
    fault.faultstring = "System.Web.Services.Protocols.SoapException: unknown client\n   at x()";
    EXPECT_EQ(cli::describeBodyPart(fault), "fault: unknown client");
    EXPECT_EQ(cli::describeBodyPart(soap::SOAPFault{}), "fault: ");
    EXPECT_EQ(cli::describeBodyPart(2.5), "2.5");
}

}  // namespace
