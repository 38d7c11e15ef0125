#include "cli/Cli.h"

#include "cli/CliText.h"
#include "cli/PenCommandEntries.h"
#include "cli/SoapCommand.h"

#include <algorithm>
#include <array>
#include <ostream>

namespace penshelf::cli {

namespace {

constexpr std::array<Command, 10> commandEntries{
    pensCommandEntry,  booksCommandEntry,  installCommandEntry, removeCommandEntry,
    ejectCommandEntry, backupCommandEntry, restoreCommandEntry, copyCommandEntry,
    checkCommandEntry, soapCommandEntry};

const Command* find(std::string_view name) {
    const auto found = std::find_if(commandEntries.begin(), commandEntries.end(),
                                    [&](const Command& command) { return command.name == name; });
    return found == commandEntries.end() ? nullptr : &*found;
}

void listCommands(std::ostream& stream) {
    stream << tr(
        "usage: penshelf-cli COMMAND [ARGS...]\n"
        "       penshelf-cli COMMAND --help\n\n"
        "commands:\n");
    for (const Command& command : commandEntries) {
        // At least one space, however long a name gets.
        const std::size_t pad = command.name.size() < 9 ? 9 - command.name.size() : 1;
        stream << "  " << command.name << std::string(pad, ' ') << tr(command.summary) << "\n";
    }
    stream << tr(
        "\nA pen is named with --pen PEN: its BSD name, its identity code or, for a\n"
        "simulated pen, its folder's name. install, backup and eject take --pen again,\n"
        "or --all-pens, for several pens; copy takes --from PEN and --to PEN.\n");
}

int commandHelp(const Command& command, std::ostream& out) {
    out << tr("usage: %1",
              {"penshelf-cli " + std::string(command.name) + " " + std::string(command.usage)})
        << "\n\n"
        << tr(command.summary) << "\n\n";
    for (const char* part : command.details) {
        if (part) out << tr(part);
    }
    out.flush();
    return exitSuccess;
}

bool isHelp(std::string_view arg) {
    return arg == "--help" || arg == "-h";
}

}  // namespace

std::span<const Command> commands() {
    return commandEntries;
}

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        listCommands(err);
        return exitUserError;
    }
    const std::string& name = args.front();
    if (name == "--version") {
        out << "penshelf-cli " PENSHELF_VERSION "\n";
        out.flush();
        return exitSuccess;
    }
    if (isHelp(name) || name == "help") {
        if (args.size() > 1) {
            if (const Command* command = find(args[1])) return commandHelp(*command, out);
            err << "penshelf-cli: " << tr("unknown command %1", {args[1]}) << "\n";
            return exitUserError;
        }
        listCommands(out);
        out.flush();
        return exitSuccess;
    }
    const Command* command = find(name);
    if (!command) {
        err << "penshelf-cli: " << tr("unknown command %1", {name}) << "\n";
        listCommands(err);
        return exitUserError;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (std::any_of(rest.begin(), rest.end(), [](const std::string& arg) { return isHelp(arg); })) {
        return commandHelp(*command, out);
    }
    return command->run(rest, out, err);
}

}  // namespace penshelf::cli
