// penshelf-cli soap: what it sends and what it prints for each kind of outcome.
#include "cli/SoapCommand.h"
#include "soap/ServiceEndpoint.h"

#include "soap/ClientTestSupport.h"
#include "soap/SoapTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

using namespace penshelf;
using namespace penshelf::test;

namespace {

struct CommandRun {
    int status;
    std::string out;
    std::string err;
};

CommandRun soapCommand(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::runSoapCommand(args, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace

TEST(SoapCommand, PrintsEachReturnedPartOnALine) {
    LocalHttpServer server;
    server.enqueue(HttpResponse::xml(
        soapAnswer("<r><return>http://portal/book</return><return>second</return></r>")));
    const std::string endpoint = server.url().toStdString();

    const CommandRun run =
        soapCommand({"getproxyurl", "strcid=kelva", "ntype=2", "--endpoint", endpoint});

    EXPECT_EQ(run.out, "http://portal/book\nsecond\n");
    EXPECT_EQ(run.status, 0);
    ASSERT_EQ(server.requestCount(), 1u);
    const HttpRequest request = server.requests().front();
    EXPECT_EQ(request.header("SOAPAction"), "urn:PagorFunc#getproxyurl");
    EXPECT_TRUE(request.body.contains("<strcid>kelva</strcid>\n      <ntype>2</ntype>"));
}

TEST(SoapCommand, ReportsNoPartsErrorsAndMissingBodies) {
    LocalHttpServer server;
    const std::string endpoint = "--endpoint=" + server.url().toStdString();

    server.enqueue(HttpResponse::xml(
        soapAnswer("<SOAP-ENV:Fault><faultstring>no</faultstring></SOAP-ENV:Fault>"), 500));
    const CommandRun fault = soapCommand({"test", "strmid=m", endpoint});
    EXPECT_EQ(fault.out, "");
    EXPECT_EQ(fault.status, 0);

    server.enqueue(HttpResponse::withBody(404, "text/html", "gone"));
    const CommandRun notFound = soapCommand({"getversion", "strpid=p", "strver=1", endpoint});
    EXPECT_EQ(notFound.out, "error: PagorFuncBindingResponseHTTP 404 Not Found\n");
    EXPECT_EQ(notFound.status, 1);

    server.enqueue(HttpResponse::xml("<Envelope><NoBody/></Envelope>"));
    const CommandRun noBody = soapCommand({"synchronous", "strcid=kelva", endpoint});
    EXPECT_EQ(noBody.out, "no body\n");
    EXPECT_EQ(noBody.status, 1);

    server.enqueue(HttpResponse::xml(soapAnswer("<r><return>7</return></r>")));
    const CommandRun number = soapCommand({"bookopen", "strguid=g", endpoint});
    EXPECT_EQ(number.out, "7\n");
}

TEST(SoapCommand, UsesTheConfiguredEndpointAndLogsOnRequest) {
    LocalHttpServer server;
    server.enqueue(HttpResponse::xml(addressAnswer("http://portal/repair")));
    setenv(soap::kServiceUrlVariable, server.url().toStdString().c_str(), 1);
    CapturedLog log;

    const CommandRun run = soapCommand({"getproxyurl", "strcid=kelva", "ntype=3", "--log"});
    unsetenv(soap::kServiceUrlVariable);

    EXPECT_EQ(run.out, "http://portal/repair\n");
    ASSERT_FALSE(log.lines().empty());
    EXPECT_EQ(log.lines().front().rfind("OutputHeaders:\n", 0), 0u);
}

TEST(SoapCommand, RefusesABadCommandLineWithoutCalling) {
    LocalHttpServer server;
    const std::string endpoint = server.url().toStdString();
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate", "--endpoint", endpoint},
             {"getproxyurl", "strmid=x", "--endpoint", endpoint},
             {"getproxyurl", "ntype=two", "--endpoint", endpoint},
             {"getproxyurl", "ntype=nan", "--endpoint", endpoint},
             {"getproxyurl", "--endpoint"},
             {"getproxyurl", "--endpoint", "ftp://127.0.0.1/x"},
             {"getproxyurl", "stray", "--endpoint", endpoint},
         }) {
        const CommandRun run = soapCommand(args);
        EXPECT_EQ(run.status, cli::kUsageError) << testing::PrintToString(args);
        EXPECT_NE(run.err.find("usage: penshelf-cli soap"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST(SoapCommand, PrintsAFaultEntryByItsShortMessage) {
    soap::SOAPFault fault;
    fault.faultstring =
        "System.Web.Services.Protocols.SoapException: unknown client\n   at "
        "PagorFunc.getproxyurl()";
    EXPECT_EQ(cli::describeBodyPart(fault), "fault: unknown client");
    EXPECT_EQ(cli::describeBodyPart(soap::SOAPFault{}), "fault: ");
    EXPECT_EQ(cli::describeBodyPart(2.5), "2.5");
}
