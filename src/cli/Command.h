#pragma once
// One command of penshelf-cli: its name, a usage line and what runs it.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace penshelf::cli {

struct Command {
    std::string_view name;
    std::string_view usage;  // the arguments after the command's name
    // Gets the arguments after the command's name; returns the exit status.
    int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

// Exit status for a command line that cannot be run as given.
inline constexpr int kUsageError = 2;

}  // namespace penshelf::cli
