#pragma once
// Stands in for the controller's pen table where identification is tested without a window.

#include "device/PenRecord.h"

#include <map>

namespace penshelf::test {

struct RecordingPenTable : PenTable {
    void storePen(const PenRecord& record) override {
        table[record.bsdName] = record;
        ++stores;
    }
    bool hasPen(const std::string& bsdName) const override { return table.count(bsdName) > 0; }
    void removePen(const std::string& bsdName) override { table.erase(bsdName); }

    std::map<std::string, PenRecord> table;
    int stores = 0;
};

}  // namespace penshelf::test
