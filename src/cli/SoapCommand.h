#pragma once
// penshelf-cli soap: calls one operation of the PagorFunc service synchronously and prints its
// outcome, one body part a line.

#include "cli/CliText.h"
#include "cli/Command.h"
#include "soap/Value.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace penshelf::cli {

// soap <operation> name=value... [--endpoint URL] [--log]
// Exit status exitSuccess when the answer had a body, exitFailure when not, exitUserError for a bad
// command line, as the pen commands use them.
int runSoapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// How a body part is printed: texts as they are, numbers in decimal, a fault as "fault: " and
// its short message.
std::string describeBodyPart(const soap::Value& part);

inline constexpr Command soapCommandEntry{
    "soap",
    "<bookopen|synchronous|getproxyurl|test|getversion> name=value... [--endpoint URL] [--log]",
    runSoapCommand,
    CLI_TEXT("call one operation of the PagorFunc web service"),
    {CLI_TEXT("  --endpoint URL  an http URL instead of the service's own\n"
              "  --log           log the request and the response\n"
              "\nExit status: 0 an answer with a body (a fault too), 1 bad usage, 2 no answer\n"
              "or one without a body.\n")}};

}  // namespace penshelf::cli
