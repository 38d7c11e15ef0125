#pragma once
// A pen's FAT file system as an image file, which this kernel cannot mount: made with mkfs.fat,
// books put in and read back with mtools, and damaged the ways a pen pulled out in the middle of a
// write is damaged.

#include "support/LoopVolume.h"

#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace penshelf::test {

enum class FatType { Fat16, Fat32 };
enum class FatDamage {
    DirtyFlag,           // set in the boot sector: never cleanly unmounted
    FatsDiffer,          // the second FAT holds a chain the first does not
    EntryToFreeCluster,  // 002.vxr's directory entry starts at a free cluster
    LostChain,           // a chain in both FATs that no entry reaches
};

// A fresh file system with an empty BOOK/ folder; false when the tools failed.
inline bool makeFatImage(const std::string& path, FatType type = FatType::Fat32) {
    const bool fat32 = type == FatType::Fat32;
    return runQuietly("truncate -s " + std::string(fat32 ? "40M " : "20M ") + path) &&
           runQuietly(fat32 ? "mkfs.fat -F 32 -s 1 " + path : "mkfs.fat -F 16 " + path) &&
           runQuietly("mmd -i " + path + " ::BOOK");
}

inline bool fatImageIsClean(const std::string& path) {
    return runQuietly("fsck.fat -n " + path);
}

inline void damageFatImage(const std::string& path, FatDamage damage) {
    const auto patch = [&](std::uint64_t offset, std::uint32_t value, int size) {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(offset));
        for (int i = 0; i < size; ++i) file.put(static_cast<char>(value >> (8 * i)));
    };
    const std::string boot = readFile(path).substr(0, 512);
    const auto u16 = [&](size_t at) -> std::uint32_t {
        return static_cast<unsigned char>(boot[at]) | static_cast<unsigned char>(boot[at + 1]) << 8;
    };
    const bool fat32 = u16(0x16) == 0;  // FAT32 keeps its FAT size at 0x24
    const std::uint32_t bytesPerSector = u16(0x0B), reserved = u16(0x0E);
    const std::uint32_t fatSectors = fat32 ? u16(0x24) | u16(0x26) << 16 : u16(0x16);
    const std::uint32_t sectors = u16(0x13) ? u16(0x13) : u16(0x20) | u16(0x22) << 16;
    const std::uint32_t rootSectors = u16(0x11) * 32 / bytesPerSector;
    const std::uint32_t clusters = (sectors - reserved - 2 * fatSectors - rootSectors) /
                                   static_cast<unsigned char>(boot[0x0D]);
    const std::uint32_t free = clusters - 8, end = fat32 ? 0x0FFFFFFF : 0xFFFF;
    // Writes a FAT entry into FATs first to last (0 or 1).
    const auto setEntry = [&](std::uint32_t cluster, std::uint32_t value, int first, int last) {
        for (int fat = first; fat <= last; ++fat) {
            patch((reserved + std::uint64_t{fatSectors} * fat) * bytesPerSector +
                      cluster * (fat32 ? 4 : 2),
                  value, fat32 ? 4 : 2);
        }
    };
    switch (damage) {
        case FatDamage::DirtyFlag:
            patch(fat32 ? 0x41 : 0x25, static_cast<unsigned char>(boot[fat32 ? 0x41 : 0x25]) | 1,
                  1);
            break;
        case FatDamage::FatsDiffer:
            setEntry(free, end, 1, 1);
            break;
        case FatDamage::EntryToFreeCluster: {
            const auto at = readFile(path).find("002     VXR");  // its 8.3 name
            patch(at + 20, 0, 2);
            patch(at + 26, free, 2);
            break;
        }
        case FatDamage::LostChain:
            setEntry(free, free + 1, 0, 1);
            setEntry(free + 1, end, 0, 1);
            break;
    }
}

// An image of its own, with books (entry name to bytes) in BOOK/.
class FatImage {
  public:
    FatImage(FatType type, const std::map<std::string, std::string>& books)
        : made_(makeFatImage(path_, type)) {
        for (const auto& [entry, bytes] : books) {
            writeFile(dir_ / "in", bytes);
            made_ =
                made_ && runQuietly("mcopy -i " + path_ + " " + (dir_ / "in") + " ::BOOK/" + entry);
        }
    }

    bool made() const { return made_; }
    const std::string& path() const { return path_; }
    void damage(FatDamage damage) { damageFatImage(path_, damage); }

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
        return runQuietly("mcopy -n -i " + path_ + " ::BOOK/" + entry + " " + out)
                   ? std::optional(readFile(out))
                   : std::nullopt;
    }

  private:
    TempDir dir_;
    std::string path_ = dir_ / "pen.img";
    bool made_;
};

}  // namespace penshelf::test
