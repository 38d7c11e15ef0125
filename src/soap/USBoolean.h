#pragma once
// A boolean SOAP value: written as "true" or "false", read back from exactly those words.

#include <optional>
#include <string>
#include <string_view>

struct _xmlNode;
struct _xmlDoc;

namespace penshelf::soap {

class USBoolean {
  public:
    USBoolean() = default;
    explicit USBoolean(bool value) : value_(value) {}

    bool boolValue() const { return value_; }
    void setBoolValue(bool value) { value_ = value; }
    std::string stringValue() const { return value_ ? "true" : "false"; }

    // A new element of doc holding "true" or "false", attached nowhere; the caller attaches it.
    _xmlNode* xmlNodeForDoc(_xmlDoc* doc, std::string_view elementName,
                            std::optional<std::string_view> elementNSPrefix = std::nullopt) const;

    // True for the text "true", false for "false"; any other text, or none, is absent.
    static std::optional<USBoolean> deserializeNode(_xmlNode* node);

    friend bool operator==(USBoolean, USBoolean) = default;

  private:
    bool value_ = false;
};

}  // namespace penshelf::soap
