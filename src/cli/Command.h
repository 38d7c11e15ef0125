#pragma once
// One command of penshelf-cli: its name, a usage line, what it is for and what runs it.

#include <array>
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
    // Marked CLI_TEXT, in English: one line, for the list of commands.
    const char* summary;
    // The options and notes for the command's own --help, each part marked
    // CLI_TEXT and translated on its own; unused parts are null.
    std::array<const char*, 6> details;
};

// Exit statuses of every command and of penshelf-cli itself: a user error
// is one the user can put right (a bad number, an unknown pen, no such book,
// a bad command line); a failure is the pen's or the system's (a copy or an
// eject that did not go through).
inline constexpr int exitSuccess = 0;
inline constexpr int exitUserError = 1;
inline constexpr int exitFailure = 2;

}  // namespace penshelf::cli
