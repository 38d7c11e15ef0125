#pragma once
// penshelf-cli's commands and how a command line picks one.

#include "cli/Command.h"

#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace penshelf::cli {

// Every command, in the order help lists them.
std::span<const Command> commands();

// Runs the command line after the program's name: "COMMAND ARGS...", "--help",
// "help [COMMAND]" or "COMMAND --help". Returns the exit status.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace penshelf::cli
