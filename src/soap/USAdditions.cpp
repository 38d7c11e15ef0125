#include "soap/USAdditions.h"

#include "soap/ElementText_p.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <locale.h>

namespace penshelf::soap {

namespace {

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Numbers on the wire use "." whatever locale the application runs in.
locale_t cLocale() {
    static const locale_t locale = newlocale(LC_NUMERIC_MASK, "C", locale_t{});
    return locale;
}

}  // namespace

std::string numberText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

double leadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isAsciiSpace(text[i])) ++i;
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j])) ++j;
            i = j;
        }
    }
    // Only the scanned number reaches strtod, so its hexadecimal, "inf" and "nan" forms never do.
    const std::string number(text.substr(start, i - start));
    if (cLocale() == locale_t{}) return std::strtod(number.c_str(), nullptr);
    return strtod_l(number.c_str(), nullptr, cLocale());
}

_xmlNode* USAdditions<std::string>::xmlNodeForDoc(std::string_view value, _xmlDoc* doc,
                                                  std::string_view elementName,
                                                  std::optional<std::string_view> elementNSPrefix) {
    return detail::makeTextElement(doc, elementName, elementNSPrefix, value);
}

std::optional<std::string> USAdditions<std::string>::deserializeNode(_xmlNode* node) {
    return detail::readElementString(node);
}

std::string USAdditions<double>::text(double value) {
    return numberText(value);
}

_xmlNode* USAdditions<double>::xmlNodeForDoc(double value, _xmlDoc* doc,
                                             std::string_view elementName,
                                             std::optional<std::string_view> elementNSPrefix) {
    return detail::makeTextElement(doc, elementName, elementNSPrefix, text(value));
}

std::optional<double> USAdditions<double>::deserializeNode(_xmlNode* node) {
    if (node == nullptr) return std::nullopt;
    return leadingNumber(detail::readElementString(node).value_or(std::string()));
}

}  // namespace penshelf::soap
