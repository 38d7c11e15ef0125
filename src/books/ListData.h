#pragma once
// One row of the book table.

#include <string>

namespace penshelf {

struct ListData {
    std::string name;  // shown in the "name" column
    std::string stat;  // "自制-" or "智能-" and the book package number
    std::string flag;  // "D" custom, "S" smart, "E" shared
    std::string file;  // full path of the package file on the pen
    std::string type;  // always "vxb"

    bool operator==(const ListData&) const = default;
};

}  // namespace penshelf
