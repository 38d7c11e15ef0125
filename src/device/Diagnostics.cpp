#include "device/Diagnostics.h"

#include <cstdio>
#include <iostream>

namespace penshelf {

Diagnostics standardDiagnostics() {
    return {std::cout, std::cerr};
}

std::string formatLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char buffer[512];
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0) return {};
    if (static_cast<size_t>(length) < sizeof buffer)
        return std::string(buffer, static_cast<size_t>(length));
    std::string text(static_cast<size_t>(length) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    text.pop_back();
    return text;
}

}  // namespace penshelf
