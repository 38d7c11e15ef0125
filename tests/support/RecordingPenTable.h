#pragma once
// Stands in for the controller's pen table where identification is tested without a window.

#include "device/PenRecord.h"

#include <map>
#include <string>

namespace penshelf::test {

// Pens as a table holds them: "bsdName:identity code" each.
inline std::string listedPens(const std::map<std::string, PenRecord>& pens) {
    std::string listed;
    for (const auto& [bsdName, pen] : pens) listed += bsdName + ":" + pen.identityCodeBytes() + " ";
    return listed;
}

struct RecordingPenTable : PenTable {
    void storePen(const PenRecord& record) override {
        table[record.bsdName] = record;
        ++stores;
    }
    bool hasPen(const std::string& bsdName) const override { return table.count(bsdName) > 0; }
    void removePen(const std::string& bsdName) override { table.erase(bsdName); }
    std::string listed() const { return listedPens(table); }

    std::map<std::string, PenRecord> table;
    int stores = 0;
};

}  // namespace penshelf::test
