#pragma once
// The writer of request envelopes: an operation name and its parameter values in, the SOAP 1.1
// envelope the service expects out, as UTF-8 text.

#include "soap/Types.h"
#include "soap/USBoolean.h"

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace penshelf::soap {

// A value that can travel in a request element.
using ElementValue = std::variant<std::string, double, USBoolean, Bytes, Instant>;

// Element name -> value. A parameter without a value is simply not in the map.
using ElementMap = std::map<std::string, ElementValue, std::less<>>;

class PagorFuncBinding_envelope {
  public:
    // Created on the first request, lives until the program ends; keeps no state between calls.
    static PagorFuncBinding_envelope& sharedInstance();

    // The envelope for the operation `func`. "Header" appears only for a non-empty header map,
    // "Body" only for a non-empty body map; parameters are written in the operation's parameter
    // order, whatever order the map holds them in. The text is what libxml2's formatted dump of
    // the same document gives, written directly: building and dumping a tree took a tenth of a
    // call's work on the calling thread.
    std::string serializedFormUsingFunc(std::string_view func,
                                        const std::optional<ElementMap>& headerElements,
                                        const std::optional<ElementMap>& bodyElements) const;

    // The parameter names of a service operation in the order they are written; empty for a name
    // the service does not offer.
    static std::span<const std::string_view> parameterOrder(std::string_view func);

  private:
    PagorFuncBinding_envelope() = default;
};

}  // namespace penshelf::soap
