#include "device/PenIdentifier.h"

#include "books/Catalogue.h"
#include "books/InstallTemporary.h"
#include "books/Volumes.h"
#include "device/ProductIni.h"

#include <ostream>
#include <strings.h>

namespace penshelf {

PenIdentifier::PenIdentifier(const Registry& registry, const Volumes& volumes, PenTable& table,
                             Diagnostics diagnostics)
    : registry_(registry), volumes_(volumes), table_(table), diagnostics_(diagnostics) {}

PenIdentifier::Outcome PenIdentifier::findLocationID(std::uint32_t locationID) {
    gaveUp_ = false;
    outcome_ = Outcome::NoPen;
    Entry root = registry_.entryFromPath(registry::rootPath);
    if (!root) {
        brokenInvariant("findLocationID", "root");
        return outcome_;
    }
    loopFindID(registry::plane, nullptr, std::move(root), locationID);
    return outcome_;
}

PenIdentifier::Outcome PenIdentifier::identifyMounted(std::uint32_t locationID,
                                                      const std::string& previousKey) {
    if (!previousKey.empty() && !table_.hasPen(previousKey)) return Outcome::NoLongerListed;
    onlyWithVolume_ = true;
    const Outcome outcome = findLocationID(locationID);
    onlyWithVolume_ = false;
    if (outcome == Outcome::Stored && !previousKey.empty() && storedKey_ != previousKey) {
        table_.removePen(previousKey);
    }
    return outcome;
}

void PenIdentifier::loopFindID(const std::string& plane, RegistryIterator* siblings, Entry entry,
                               std::uint32_t locationID) {
    while (entry && !gaveUp_) {
        Entry next = siblings ? siblings->next() : nullptr;
        const std::unique_ptr<RegistryIterator> children = entry->children(plane);
        if (!children) return brokenInvariant("loopFindID", "status == KERN_SUCCESS");
        Entry firstChild = children->next();
        const auto name = entry->name();
        const auto className = entry->className();
        if (!name || !className) return brokenInvariant("loopFindID", "status == KERN_SUCCESS");

        if (*className == registry::massStorageInterfaceClass) {
            const auto value = entry->property(registry::locationIdKey);
            const auto* number = value ? std::get_if<std::int64_t>(&*value) : nullptr;
            const auto found = static_cast<std::uint32_t>(number ? *number : 0);
            out(formatLine("Location ID:0x%x, 0x%x\n", found, locationID));
            if (found == locationID) {
                // The pen's subtree starts at the interface's first child; the
                // rest of this level is not visited.
                matchStep(std::move(firstChild));
                return;
            }
        } else {
            loopFindID(plane, children.get(), std::move(firstChild), locationID);
        }
        entry = std::move(next);
    }
}

void PenIdentifier::matchStep(Entry firstChild) {
    out("Find Location USB Device\n");
    PenRecord record;
    loopFindDevice(record, registry::plane, nullptr, std::move(firstChild));
    if (record.vendor.empty() || record.bsdName.empty()) return;
    if (record.vendor != pen::scsiVendor) return;

    const std::string volume = volumes_.GetVolumePath(record.bsdName);
    outcome_ = volume.empty() ? Outcome::StoredWithoutVolume : Outcome::Stored;
    if (volume.empty() && onlyWithVolume_) return;
    if (!volume.empty()) {
        record.setIdentityCode(identityCodeFrom(volume));
        // Copies cut short by a killed or crashed install take the pen's
        // space unseen; a pen just found is the time to clear them.
        removeStaleInstallTemporaries(penBookFolder(volumes_, record.bsdName));
    }
    record.displayName = penDisplayName;
    storedKey_ = record.bsdName;
    table_.storePen(record);
}

void PenIdentifier::loopFindDevice(PenRecord& record, const std::string& plane,
                                   RegistryIterator* siblings, Entry entry) {
    while (entry) {
        Entry next = siblings ? siblings->next() : nullptr;
        // Failed queries here read as absent values.
        const std::unique_ptr<RegistryIterator> children = entry->children(plane);
        Entry firstChild = children ? children->next() : nullptr;
        const std::string className = entry->className().value_or("");

        if (className == registry::mediaClass) {
            const std::string content = propertyText(*entry, registry::contentKey).value_or("");
            if (strcasecmp(content.c_str(), registry::mbrScheme) != 0) {
                record.bsdName = propertyText(*entry, registry::bsdNameKey).value_or("");
                err("BSD Name: " + record.bsdName + "\n");
            }
        } else if (className == registry::logicalUnitClass) {
            out(formatLine("Device's name = %s\n", entry->name().value_or("").c_str()));
            record.vendor = propertyText(*entry, registry::vendorKey).value_or("");
            err("Vendor: " + record.vendor + "\n");
            record.product = propertyText(*entry, registry::productKey).value_or("");
            err("Product: " + record.product + "\n");
            record.revision = propertyText(*entry, registry::revisionKey).value_or("");
            err("Version: " + record.revision + "\n");
        }
        loopFindDevice(record, plane, children.get(), std::move(firstChild));
        entry = std::move(next);
    }
}

void PenIdentifier::brokenInvariant(const char* operation, const char* condition) {
    err(formatLine("AppDelegate: %s: assertion failed: %s\n", operation, condition));
    gaveUp_ = true;
}

void PenIdentifier::out(const std::string& line) {
    diagnostics_.out << line << std::flush;
}

void PenIdentifier::err(const std::string& line) {
    diagnostics_.err << line << std::flush;
}

}  // namespace penshelf
