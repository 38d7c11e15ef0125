#pragma once
// A pen's FAT file system as an image file, which this kernel cannot mount:
// made with mkfs.fat, books put in and read back with mtools, and damaged
// the ways a pen pulled out in the middle of a write is damaged.

#include "support/TempDir.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace penshelf::test {

// What a shell command printed; nothing when it failed.
inline std::optional<std::string> commandOutput(const std::string& command) {
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    char buffer[4096];
    while (const size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    return pclose(pipe) == 0 ? std::optional(out) : std::nullopt;
}

class FatImage {
  public:
    enum class Type { Fat16, Fat32 };
    enum class Damage {
        DirtyFlag,           // set in the boot sector: never cleanly unmounted
        FatsDiffer,          // the second FAT holds a chain the first does not
        EntryToFreeCluster,  // a book's directory entry starts at a free cluster
        LostChain,           // a chain in both FATs that no entry reaches
    };

    // BOOK/ holds books (entry name to bytes); made() tells whether the tools worked.
    FatImage(Type type, const std::map<std::string, std::string>& books) : type_(type) {
        const bool fat32 = type == Type::Fat32;
        made_ = run("truncate -s " + std::string(fat32 ? "40M " : "20M ") + path_) &&
                run(fat32 ? "mkfs.fat -F 32 -s 1 " + path_ : "mkfs.fat -F 16 " + path_) &&
                run("mmd -i " + path_ + " ::BOOK");
        for (const auto& [entry, bytes] : books) {
            writeFile(dir_ / "in", bytes);
            made_ = made_ && run("mcopy -i " + path_ + " " + (dir_ / "in") + " ::BOOK/" + entry);
        }
    }

    bool made() const { return made_; }
    const std::string& path() const { return path_; }
    std::string bytes() const { return readFile(path_); }

    // The names in BOOK/, as mtools lists them.
    std::vector<std::string> books() const {
        std::vector<std::string> names;
        std::istringstream listing(commandOutput("mdir -b -i " + path_ + " ::BOOK").value_or(""));
        for (std::string line; std::getline(listing, line);) {
            names.push_back(line.substr(line.rfind('/') + 1));
        }
        return names;
    }
    std::optional<std::string> readBook(const std::string& entry) const {
        const std::string out = dir_ / "out";
        std::filesystem::remove(out);
        if (!run("mcopy -n -i " + path_ + " ::BOOK/" + entry + " " + out)) return std::nullopt;
        return readFile(out);
    }

    // entry: the book whose directory entry EntryToFreeCluster changes.
    void damage(Damage damage, const std::string& entry = "002.vxr") {
        const bool fat32 = type_ == Type::Fat32;
        const std::string boot = readFile(path_).substr(0, 512);
        const std::uint32_t bytesPerSector = u16(boot, 0x0B), reserved = u16(boot, 0x0E);
        const std::uint32_t fatSectors = fat32 ? u32(boot, 0x24) : u16(boot, 0x16);
        const std::uint32_t sectors = u16(boot, 0x13) ? u16(boot, 0x13) : u32(boot, 0x20);
        const std::uint32_t rootSectors = u16(boot, 0x11) * 32 / bytesPerSector;
        const std::uint32_t clusters = (sectors - reserved - 2 * fatSectors - rootSectors) /
                                       static_cast<unsigned char>(boot[0x0D]);
        const std::uint32_t free = clusters - 8, end = fat32 ? 0x0FFFFFFF : 0xFFFF;
        // Writes a FAT entry into the first, the second or both FATs.
        auto setEntry = [&](std::uint32_t cluster, std::uint32_t value, int first, int last) {
            for (int fat = first; fat <= last; ++fat) {
                const std::uint64_t at =
                    (reserved + std::uint64_t{fatSectors} * fat) * bytesPerSector +
                    cluster * (fat32 ? 4 : 2);
                patch(at, value, fat32 ? 4 : 2);
            }
        };
        switch (damage) {
            case Damage::DirtyFlag:
                patch(fat32 ? 0x41 : 0x25,
                      static_cast<unsigned char>(boot[fat32 ? 0x41 : 0x25]) | 1, 1);
                break;
            case Damage::FatsDiffer:
                setEntry(free, end, 1, 1);
                break;
            case Damage::EntryToFreeCluster: {
                const auto dot = entry.find('.');  // to the 8.3 name: "002     VXR"
                std::string shortName =
                    entry.substr(0, dot) + std::string(8 - dot, ' ') + entry.substr(dot + 1);
                for (char& c : shortName)
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                const auto at = readFile(path_).find(shortName);
                patch(at + 20, 0, 2);
                patch(at + 26, free, 2);
                break;
            }
            case Damage::LostChain:
                setEntry(free, free + 1, 0, 1);
                setEntry(free + 1, end, 0, 1);
                break;
        }
    }

  private:
    static bool run(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    }
    static std::uint32_t u16(const std::string& b, size_t at) {
        return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
    }
    static std::uint32_t u32(const std::string& b, size_t at) {
        return u16(b, at) | u16(b, at + 2) << 16;
    }
    // Writes value's low size bytes, little-endian, at offset.
    void patch(std::uint64_t offset, std::uint32_t value, int size) {
        std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(offset));
        for (int i = 0; i < size; ++i) file.put(static_cast<char>(value >> (8 * i)));
    }

    Type type_;
    TempDir dir_;
    std::string path_ = dir_ / "pen.img";
    bool made_ = false;
};

}  // namespace penshelf::test
