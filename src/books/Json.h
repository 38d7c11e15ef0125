#pragma once
// JSON text for a backup's manifest, both ways, without a library: a reader
// meant for files from anywhere (bounded depth, strict grammar, UTF-8 only,
// duplicate keys refused) and the quoting of strings for the writer.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace penshelf {

struct JsonMember;

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    std::string text;  // a string's value, or a number as it is written
    std::vector<JsonValue> items;
    std::vector<JsonMember> members;  // in order, keys unique

    // The member named key of an object, or null.
    const JsonValue* member(std::string_view key) const;
    // A number written as plain digits (no sign, fraction or exponent) that
    // fits in 53 bits, as every JSON reader reads it exactly.
    std::optional<std::uint64_t> wholeNumber() const;
};

struct JsonMember {
    std::string name;
    JsonValue value;
};

// The value that text holds, or nothing when it is not one JSON value.
std::optional<JsonValue> parseJson(std::string_view text);

// A UTF-8 text as a JSON string, quotes included.
std::string jsonString(std::string_view utf8);

}  // namespace penshelf
