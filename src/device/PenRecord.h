#pragma once
// One attached pen, as identification found it. A plain value.

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>

namespace penshelf {

inline constexpr const char* penDisplayName = "小栗莓点读笔";

struct PenRecord {
    std::string vendor;       // SCSI vendor identification, "pagor"
    std::string product;      // SCSI product identification
    std::string revision;     // SCSI product revision level
    std::string bsdName;      // kernel name of the data partition, such as sdb1
    std::string displayName;  // shown in the pen list
    // Up to 11 bytes of identity code from the pen, then a zero byte.
    std::array<char, 12> identityCode{};

    // The code's bytes before its zero byte.
    std::string identityCodeBytes() const {
        return std::string(identityCode.data(), strnlen(identityCode.data(), identityCode.size()));
    }
    void setIdentityCode(std::string_view bytes) {
        identityCode.fill('\0');
        std::copy_n(bytes.data(), std::min(bytes.size(), identityCode.size() - 1),
                    identityCode.begin());
    }
};

// What identification needs of the pen table's owner: store a record under
// its bsdName, replacing one with the same key, and rebuild the pen list.
class PenTable {
  public:
    virtual ~PenTable() = default;
    virtual void storePen(const PenRecord& record) = 0;
    virtual bool hasPen(const std::string& bsdName) const = 0;
    // Drops a record that a later identification of the same pen replaced
    // under another name, and rebuilds the pen list.
    virtual void removePen(const std::string& bsdName) = 0;
};

}  // namespace penshelf
