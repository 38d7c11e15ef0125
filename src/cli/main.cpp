// penshelf-cli: PenShelf's command line, over the same libraries as the application.
#include "cli/Command.h"
#include "cli/SoapCommand.h"

#include <QCoreApplication>

#include <array>
#include <iostream>

namespace {

using penshelf::cli::Command;

constexpr std::array<Command, 1> kCommands{penshelf::cli::kSoapCommand};

int usage(std::ostream& err) {
    err << "usage:\n";
    for (const Command& command : kCommands) {
        err << "  penshelf-cli " << command.name << " " << command.usage << "\n";
    }
    return penshelf::cli::kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
    // The SOAP calls run on this application's event loop.
    QCoreApplication app(argc, argv);
    if (argc < 2) return usage(std::cerr);
    const std::string_view name = argv[1];
    for (const Command& command : kCommands) {
        if (command.name == name) {
            return command.run(std::vector<std::string>(argv + 2, argv + argc), std::cout,
                               std::cerr);
        }
    }
    std::cerr << "penshelf-cli: unknown command " << name << "\n";
    return usage(std::cerr);
}
