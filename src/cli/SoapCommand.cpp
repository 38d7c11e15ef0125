#include "cli/SoapCommand.h"

#include "cli/CliText.h"

#include "soap/Base64.h"
#include "soap/ISO8601Formatting.h"
#include "soap/PagorFunc.h"
#include "soap/PagorFuncBinding_envelope.h"
#include "soap/USAdditions.h"

#include <QUrl>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <ostream>

namespace penshelf::cli {

namespace {

using Parameters = std::map<std::string, std::string, std::less<>>;

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

std::optional<std::string> text(const Parameters& parameters, std::string_view name) {
    const auto found = parameters.find(name);
    if (found == parameters.end()) return std::nullopt;
    return found->second;
}

// The one number parameter (ntype) must be a finite decimal number and nothing else.
bool readNumber(const std::string& text, double& number) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, number);
    return !text.empty() && result.ec == std::errc() && result.ptr == end && std::isfinite(number);
}

soap::PagorFuncBindingResponse call(soap::PagorFuncBinding& binding, std::string_view operation,
                                    const Parameters& p, std::optional<double> ntype) {
    if (operation == "bookopen") return binding.bookopenUsingStrguid(text(p, "strguid"));
    if (operation == "synchronous") {
        return binding.synchronousUsingStrcid(text(p, "strcid"), text(p, "strmid"));
    }
    if (operation == "getproxyurl") return binding.getproxyurlUsingStrcid(text(p, "strcid"), ntype);
    if (operation == "test") return binding.testUsingStrmid(text(p, "strmid"));
    return binding.getversionUsingStrpid(text(p, "strpid"), text(p, "strver"));
}

int usage(std::ostream& err, const std::string& problem) {
    err << "penshelf-cli soap: " << problem << "\n"
        << tr("usage: %1", {"penshelf-cli soap " + std::string(soapCommandEntry.usage)}) << "\n";
    return exitUserError;
}

}  // namespace

Text describeBodyPart(const soap::Value& part) {
    return std::visit(
        Overloaded{
            [](const Text& value) { return value; },
            [](double value) { return soap::numberText(value); },
            [](const soap::USBoolean& value) { return value.stringValue(); },
            [](const soap::Bytes& value) { return soap::base64Encoding(value).value_or(""); },
            [](const soap::Instant& value) { return soap::ISO8601DateString(value); },
            [](const soap::SOAPFault& fault) {
                return tr("fault: %1", {fault.simpleFaultString().value_or("")});
            },
        },
        part);
}

int runSoapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return usage(err, tr("no operation given"));
    const std::string& operation = args.front();
    const auto names = soap::PagorFuncBinding_envelope::parameterOrder(operation);
    if (names.empty()) return usage(err, tr("unknown operation %1", {operation}));

    Parameters parameters;
    std::optional<std::string> endpoint;
    bool log = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--log") {
            log = true;
        } else if (arg == "--endpoint") {
            if (++i == args.size()) return usage(err, tr("--endpoint needs a URL"));
            endpoint = args[i];
        } else if (arg.rfind("--endpoint=", 0) == 0) {
            endpoint = arg.substr(std::string_view("--endpoint=").size());
        } else if (const auto equals = arg.find('='); equals != std::string::npos) {
            const std::string name = arg.substr(0, equals);
            if (std::find(names.begin(), names.end(), name) == names.end()) {
                return usage(err, tr("%1 has no parameter %2", {operation, name}));
            }
            parameters[name] = arg.substr(equals + 1);
        } else {
            return usage(err, tr("unexpected argument %1", {arg}));
        }
    }

    std::optional<double> ntype;
    if (const auto given = text(parameters, "ntype")) {
        double number = 0;
        if (!readNumber(*given, number))
            return usage(err, tr("ntype must be a number: %1", {*given}));
        ntype = number;
    }

    auto binding = soap::PagorFunc::PagorFuncBinding();
    if (endpoint) {
        const QUrl url(QString::fromStdString(*endpoint), QUrl::StrictMode);
        if (!url.isValid() ||
            (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
            return usage(err, tr("not an http or https URL: %1", {*endpoint}));
        }
        binding->setAddress(url);
    }
    binding->setLogXMLInOut(log);

    const soap::PagorFuncBindingResponse response = call(*binding, operation, parameters, ntype);
    if (response.bodyParts) {
        for (const soap::Value& part : *response.bodyParts) out << describeBodyPart(part) << "\n";
    }
    if (response.error) {
        out << tr("error: %1 %2 %3", {response.error->domain, std::to_string(response.error->code),
                                      response.error->description})
            << "\n";
    } else if (!response.bodyParts) {
        out << tr("no body") << "\n";
    }
    out.flush();
    return response.bodyParts ? exitSuccess : exitFailure;
}

}  // namespace penshelf::cli
