#pragma once
// The value codecs: for each value type T, USAdditions<T> writes a value into a new XML element
// and reads an element back into a value. Strings and numbers are the operations' parameters and
// results; booleans, data (base64) and dates (ISO 8601) complete the family.

#include "soap/Types.h"
#include "soap/USBoolean.h"

#include <optional>
#include <string>
#include <string_view>

struct _xmlNode;
struct _xmlDoc;

namespace penshelf::soap {

// text gives the text a value travels as. xmlNodeForDoc returns a new element of doc holding that
// text, attached nowhere (the caller attaches it), named "prefix:elementName" when a non-empty
// prefix is given; the prefix must be declared on an enclosing element. deserializeNode returns
// absent for a null node.
template <typename T>
struct USAdditions;

// Text, escaped on the way in and unescaped on the way out; absent when the element has no text.
template <>
struct USAdditions<std::string> {
    static std::string text(std::string_view value) { return std::string(value); }
    static _xmlNode* xmlNodeForDoc(std::string_view value, _xmlDoc* doc,
                                   std::string_view elementName,
                                   std::optional<std::string_view> elementNSPrefix = std::nullopt);
    static std::optional<std::string> deserializeNode(_xmlNode* node);
};

// Numbers in their shortest decimal form (2 is written "2"); reading takes the leading decimal
// number of the text and gives 0 when there is none, so it is never absent for a real node.
template <>
struct USAdditions<double> {
    static std::string text(double value);
    static _xmlNode* xmlNodeForDoc(double value, _xmlDoc* doc, std::string_view elementName,
                                   std::optional<std::string_view> elementNSPrefix = std::nullopt);
    static std::optional<double> deserializeNode(_xmlNode* node);
};

template <>
struct USAdditions<USBoolean> {
    static std::string text(USBoolean value) { return value.stringValue(); }
    static _xmlNode* xmlNodeForDoc(USBoolean value, _xmlDoc* doc, std::string_view elementName,
                                   std::optional<std::string_view> elementNSPrefix = std::nullopt) {
        return value.xmlNodeForDoc(doc, elementName, elementNSPrefix);
    }
    static std::optional<USBoolean> deserializeNode(_xmlNode* node) {
        return USBoolean::deserializeNode(node);
    }
};

// Binary data as base64 text; absent when the element has no text or the text does not decode.
template <>
struct USAdditions<Bytes> {
    // Empty only for no bytes, or when memory for the text ran out.
    static std::string text(const Bytes& value);
    static _xmlNode* xmlNodeForDoc(const Bytes& value, _xmlDoc* doc, std::string_view elementName,
                                   std::optional<std::string_view> elementNSPrefix = std::nullopt);
    static std::optional<Bytes> deserializeNode(_xmlNode* node);
};

// Instants as ISO 8601 calendar dates with time in UTC (2009-01-02T12:00:00Z); reading is the
// lenient ISO 8601 reader, absent when the element has no text or the text does not parse.
template <>
struct USAdditions<Instant> {
    static std::string text(Instant value);
    static _xmlNode* xmlNodeForDoc(Instant value, _xmlDoc* doc, std::string_view elementName,
                                   std::optional<std::string_view> elementNSPrefix = std::nullopt);
    static std::optional<Instant> deserializeNode(_xmlNode* node);
};

// The decimal text form a number is written in.
std::string numberText(double value);

// The leading decimal number of a text (after white space), 0 when there is none.
double leadingNumber(std::string_view text);

}  // namespace penshelf::soap
