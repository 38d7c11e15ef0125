#pragma once
// The two steps every value codec shares: making an element that holds a text, and reading
// an element's text back.

#include <optional>
#include <string>
#include <string_view>

struct _xmlNode;
struct _xmlDoc;

namespace penshelf::soap::detail {

// A new element of doc, attached nowhere, named "prefix:elementName" (or elementName alone when
// the prefix is absent or empty), whose text is exactly `text`.
_xmlNode* makeTextElement(_xmlDoc* doc, std::string_view elementName,
                          std::optional<std::string_view> elementNSPrefix, std::string_view text);

// The text of the node's text and CDATA children (entity references expanded by libxml2),
// unescaped once more; absent for a null node or a node without text.
std::optional<std::string> readElementString(_xmlNode* node);

}  // namespace penshelf::soap::detail
