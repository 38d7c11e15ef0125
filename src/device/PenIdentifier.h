#pragma once
// Turns an attached USB device, known by its location ID, into a pen record:
// walks the device registry to the device's mass-storage interface, reads the
// SCSI identity and the data partition below it, accepts only the vendor
// "pagor", reads the identity code from the pen's volume and stores the record.

#include "device/Diagnostics.h"
#include "device/PenRecord.h"
#include "device/ProductIni.h"
#include "device/Registry.h"

#include <cstdint>

namespace penshelf {

class Volumes;

namespace pen {
inline constexpr const char* scsiVendor = "pagor";
}  // namespace pen

class PenIdentifier {
  public:
    // What one identification found, so that a pen whose volume was not yet
    // mounted can be identified again once it is.
    enum class Outcome { NoPen, StoredWithoutVolume, Stored, NoLongerListed };

    PenIdentifier(const Registry& registry, const Volumes& volumes, PenTable& table,
                  Diagnostics diagnostics);

    Outcome findLocationID(std::uint32_t locationID);

    // The same for a device seen before its pen's volume was mounted, when
    // the mount table has changed: the record is stored only once the volume
    // is there (Stored), in place of the one stored earlier under
    // previousKey (empty: none), whose name differs when the pen's partition
    // appeared only since. StoredWithoutVolume: still no volume, nothing
    // stored. NoLongerListed: the earlier record has left the table (the
    // pen was ejected), so nothing is stored.
    Outcome identifyMounted(std::uint32_t locationID, const std::string& previousKey);

    // The key of the record the last identification stored.
    const std::string& storedKey() const { return storedKey_; }

  private:
    using Entry = std::unique_ptr<RegistryEntry>;
    void loopFindID(const std::string& plane, RegistryIterator* siblings, Entry entry,
                    std::uint32_t locationID);
    void matchStep(Entry firstChild);
    void loopFindDevice(PenRecord& record, const std::string& plane, RegistryIterator* siblings,
                        Entry entry);
    // A registry query that must not fail did: say which, and give up on the device.
    void brokenInvariant(const char* operation, const char* condition);
    void out(const std::string& line);
    void err(const std::string& line);

    const Registry& registry_;
    const Volumes& volumes_;
    PenTable& table_;
    Diagnostics diagnostics_;
    bool gaveUp_ = false;
    bool onlyWithVolume_ = false;
    Outcome outcome_ = Outcome::NoPen;
    std::string storedKey_;
};

}  // namespace penshelf
