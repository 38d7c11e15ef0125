#pragma once
// One outcome as each program words it: the window in Chinese, penshelf-cli
// in English, each marked for its translation (texts/Language.h). Kept side
// by side so that each outcome is mapped in one place.

#include "texts/Language.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace penshelf::texts {

struct Message {
    const char* window;  // null: the window says nothing of it
    const char* cli;     // null: penshelf-cli says nothing of it
};

// pattern with %1…%9 replaced by values, in one pass: a "%2" inside a value
// (a folder's name, say) stays as it is. A number with no value stays too.
inline std::string fillIn(std::string_view pattern,
                          std::initializer_list<std::string_view> values) {
    std::string text;
    text.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
            pattern[i + 1] <= '9') {
            const auto index = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (index < values.size()) {
                text += values.begin()[index];
                ++i;
                continue;
            }
        }
        text += pattern[i];
    }
    return text;
}

}  // namespace penshelf::texts
