#include "soap/XmlEscape.h"

#include <array>

namespace penshelf::soap {

namespace {

struct Reference {
    char character;
    std::string_view entity;
};

constexpr std::array<Reference, 5> entityReferences{{
    {'&', "&amp;"},
    {'"', "&quot;"},
    {'\'', "&apos;"},
    {'<', "&lt;"},
    {'>', "&gt;"},
}};

}  // namespace

std::string stringByEscapingXML(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        bool replaced = false;
        for (const Reference& ref : entityReferences) {
            if (c == ref.character) {
                out += ref.entity;
                replaced = true;
                break;
            }
        }
        if (!replaced) out += c;
    }
    return out;
}

std::string stringByUnescapingXML(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '&') {
            bool replaced = false;
            for (const Reference& ref : entityReferences) {
                if (text.substr(i, ref.entity.size()) == ref.entity) {
                    out += ref.character;
                    i += ref.entity.size();
                    replaced = true;
                    break;
                }
            }
            if (replaced) continue;
        }
        out += text[i];
        ++i;
    }
    return out;
}

std::string xmlString(std::string_view text) {
    return stringByEscapingXML(text);
}

}  // namespace penshelf::soap
