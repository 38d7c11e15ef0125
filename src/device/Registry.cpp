#include "device/Registry.h"

namespace penshelf {

std::optional<std::string> propertyText(const RegistryEntry& entry, const std::string& key) {
    const auto value = entry.property(key);
    if (!value) return std::nullopt;
    if (const auto* text = std::get_if<std::string>(&*value)) return *text;
    return std::to_string(std::get<std::int64_t>(*value));
}

}  // namespace penshelf
