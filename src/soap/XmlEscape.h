#pragma once
// XML escaping of text with the five predefined entity references, and its reverse.

#include <string>
#include <string_view>

namespace penshelf::soap {

// Replaces & " ' < > by &amp; &quot; &apos; &lt; &gt;; everything else passes unchanged.
std::string stringByEscapingXML(std::string_view text);

// Replaces each of the five references above by its character, in one left-to-right pass:
// a character produced by a replacement is not looked at again ("&amp;lt;" gives "&lt;").
// Numeric references and any other "&" text pass unchanged.
std::string stringByUnescapingXML(std::string_view text);

// The escaped text in the form libxml2 takes it: c_str() of the result is NUL-terminated
// UTF-8.
std::string xmlString(std::string_view text);

}  // namespace penshelf::soap
