#include "device/linux/MountTable.h"

#include "books/FileIo.h"
#include "books/FreeSpace.h"

#include <optional>
#include <utility>
#include <vector>

namespace penshelf {
namespace {

// mountinfo writes space, tab, newline and backslash as \ooo.
std::string decodeOctalEscapes(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                     (field[i + 3] - '0'));
            i += 3;
            continue;
        }
        out += field[i];
    }
    return out;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t pos = 0;
    while (pos < line.size()) {
        const size_t end = std::min(line.find(' ', pos), line.size());
        if (end > pos) fields.push_back(line.substr(pos, end - pos));
        pos = end + 1;
    }
    return fields;
}

// The first mount of devicePath's whole file system in mountinfo: its mount
// point ("/" appended) and its super options, or nothing.
std::optional<std::pair<std::string, std::string_view>> findMount(std::string_view mountinfo,
                                                                  const std::string& devicePath) {
    // id parent major:minor root mount-point options [optional...] - type source super-options
    size_t pos = 0;
    while (pos < mountinfo.size()) {
        const size_t end = std::min(mountinfo.find('\n', pos), mountinfo.size());
        const auto fields = splitFields(mountinfo.substr(pos, end - pos));
        pos = end + 1;
        size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-") ++separator;
        if (separator + 2 >= fields.size()) continue;
        if (decodeOctalEscapes(fields[separator + 2]) != devicePath) continue;
        if (fields[3] != "/") continue;
        std::string point = decodeOctalEscapes(fields[4]);
        if (point.empty() || point.back() != '/') point += '/';
        const std::string_view super = separator + 3 < fields.size() ? fields[separator + 3] : "";
        return std::pair(std::move(point), super);
    }
    return std::nullopt;
}

}  // namespace

std::string mountPointIn(std::string_view mountinfo, const std::string& devicePath) {
    const auto mount = findMount(mountinfo, devicePath);
    return mount ? mount->first : std::string();
}

MountTable::MountTable(std::string mountinfoPath) : mountinfoPath_(std::move(mountinfoPath)) {}

std::string MountTable::GetVolumePath(const std::string& bsdName) const {
    if (bsdName.empty()) return {};
    return mountPointIn(readWholeFile(mountinfoPath_).value_or(""), "/dev/" + bsdName);
}

bool MountTable::isReadOnly(const std::string& bsdName) const {
    if (bsdName.empty()) return false;
    const std::string mountinfo = readWholeFile(mountinfoPath_).value_or("");
    const auto mount = findMount(mountinfo, "/dev/" + bsdName);
    if (!mount) return false;
    if (isReadOnlyFileSystem(mount->first)) return true;
    // Newer kernels leave ext4 writable to statvfs after an error under
    // errors=remount-ro and refuse its writes as "emergency_ro", which only
    // the super options show; the mount options keep saying "rw".
    for (std::string_view options = mount->second; !options.empty();) {
        const size_t comma = std::min(options.find(','), options.size());
        const std::string_view option = options.substr(0, comma);
        if (option == "ro" || option == "emergency_ro") return true;
        options.remove_prefix(std::min(comma + 1, options.size()));
    }
    return false;
}

}  // namespace penshelf
