// penshelf-cli: PenShelf's command line, over the same libraries as the application.
#include "cli/Cli.h"
#include "texts/Language.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char** argv) {
    // The SOAP calls, the eject commands and the simulated pens' folder watch
    // run on this application's event loop.
    QCoreApplication app(argc, argv);
    penshelf::texts::installTranslators(penshelf::texts::Program::CommandLine);
    return penshelf::cli::runCli(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                 std::cerr);
}
