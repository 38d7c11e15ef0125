#include "device/simulated/MemoryRegistry.h"

namespace penshelf {
namespace {

class MemoryEntry : public RegistryEntry {
  public:
    explicit MemoryEntry(std::shared_ptr<const RegistryNode> node) : node_(std::move(node)) {}

    std::optional<std::string> name() const override {
        if (node_->failName) return std::nullopt;
        return node_->name;
    }
    std::optional<std::string> className() const override {
        if (node_->failClass) return std::nullopt;
        return node_->className;
    }
    std::optional<RegistryValue> property(const std::string& key) const override {
        const auto it = node_->properties.find(key);
        if (it == node_->properties.end()) return std::nullopt;
        return it->second;
    }
    std::unique_ptr<RegistryIterator> children(const std::string&) const override;

  private:
    std::shared_ptr<const RegistryNode> node_;
};

class MemoryIterator : public RegistryIterator {
  public:
    explicit MemoryIterator(std::vector<std::shared_ptr<RegistryNode>> nodes)
        : nodes_(std::move(nodes)) {}
    std::unique_ptr<RegistryEntry> next() override {
        if (index_ >= nodes_.size()) return nullptr;
        return std::make_unique<MemoryEntry>(nodes_[index_++]);
    }

  private:
    std::vector<std::shared_ptr<RegistryNode>> nodes_;
    size_t index_ = 0;
};

std::unique_ptr<RegistryIterator> MemoryEntry::children(const std::string&) const {
    if (node_->failChildren) return nullptr;
    return std::make_unique<MemoryIterator>(node_->children);
}

}  // namespace

RegistryNode& RegistryNode::add(std::string childName, std::string childClass,
                                std::map<std::string, RegistryValue> childProperties) {
    auto child = std::make_shared<RegistryNode>();
    child->name = std::move(childName);
    child->className = std::move(childClass);
    child->properties = std::move(childProperties);
    children.push_back(child);
    return *child;
}

MemoryRegistry::MemoryRegistry() : root(std::make_shared<RegistryNode>()) {
    root->name = "AppleACPIPlatformExpert";
    root->className = "IOPlatformExpertDevice";
}

std::unique_ptr<RegistryEntry> MemoryRegistry::entryFromPath(const std::string& path) const {
    if (path != registry::rootPath || !root) return nullptr;
    return std::make_unique<MemoryEntry>(root);
}

}  // namespace penshelf
