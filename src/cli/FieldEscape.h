#pragma once
// How the command line writes names that came from a pen or a mount point, so
// that every book stays one line and nothing reaches the terminal as a control
// sequence: backslash, control characters and bytes that are not UTF-8 are
// written as \\, \t, \n, \r and \xHH. The form is reversible, and remove takes
// it back.

#include <optional>
#include <string>
#include <string_view>

namespace penshelf::cli {

std::string escapeField(std::string_view bytes);

// The bytes an escaped field stands for; nothing when text holds a backslash
// that starts none of the forms above.
std::optional<std::string> unescapeField(std::string_view text);

}  // namespace penshelf::cli
