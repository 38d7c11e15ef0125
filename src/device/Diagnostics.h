#pragma once
// Where pen discovery writes its fixed English lines: standard output and
// standard error in the program, captured streams in tests.

#include <cstdarg>
#include <iosfwd>
#include <string>

namespace penshelf {

struct Diagnostics {
    std::ostream& out;
    std::ostream& err;
};

// The program's standard output and standard error.
Diagnostics standardDiagnostics();

// printf formatting into a string, for the lines' "%x"-style fields.
std::string formatLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace penshelf
