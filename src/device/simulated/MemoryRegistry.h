#pragma once
// A device registry held in memory: the registry of simulated pens, and of
// tests that walk trees the hardware would rarely give.

#include "device/Registry.h"

#include <map>
#include <vector>

namespace penshelf {

struct RegistryNode {
    std::string name;
    std::string className;
    std::map<std::string, RegistryValue> properties;
    std::vector<std::shared_ptr<RegistryNode>> children;
    // A query of this entry that fails, as when a device vanishes mid-walk.
    bool failName = false;
    bool failClass = false;
    bool failChildren = false;

    // Appends a child and returns it.
    RegistryNode& add(std::string childName, std::string childClass,
                      std::map<std::string, RegistryValue> childProperties = {});
};

class MemoryRegistry : public Registry {
  public:
    MemoryRegistry();
    // The entry at registry::rootPath; null makes the root missing.
    std::shared_ptr<RegistryNode> root;

    std::unique_ptr<RegistryEntry> entryFromPath(const std::string& path) const override;
};

}  // namespace penshelf
