#include "demo/DemoPens.h"

#include "demo/BookPackage.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace penshelf::demo {
namespace {

namespace fs = std::filesystem;

struct DemoBook {
    std::string file;
    BookPackage book;
};

void write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// The identity code sits at bytes 13 to 23 of SYS/product.ini.
std::string productIni(const std::string& code) {
    return "PRODUCT_CODE=" + code + "\r\nMODEL=XLM-2\r\n";
}

void makePen(const fs::path& pen, const std::string& code, const std::vector<DemoBook>& books) {
    fs::remove_all(pen);
    write(pen / "SYS/product.ini", productIni(code));
    fs::create_directories(pen / "BOOK");
    for (const DemoBook& book : books) write(pen / "BOOK" / book.file, book.book.bytes());
}

// A FAT32 file system as a pen pulled out mid-write leaves it: the dirty flag
// set and a cluster chain that no file owns. Nothing when mkfs.fat is missing.
bool writeDamagedImage(const fs::path& image) {
    const std::string command = "PATH=\"$PATH:/usr/sbin:/sbin\" mkfs.fat -F 32 -C '" +
                                image.string() + "' 65536 > /dev/null 2>&1";
    fs::remove(image);
    if (std::system(command.c_str()) != 0) return false;
    std::fstream file(image, std::ios::binary | std::ios::in | std::ios::out);
    unsigned char boot[512];
    if (!file.read(reinterpret_cast<char*>(boot), sizeof boot)) return false;
    const unsigned bytesPerSector = boot[0x0B] | boot[0x0C] << 8;
    const unsigned reservedSectors = boot[0x0E] | boot[0x0F] << 8;
    // Bit 0 of byte 0x41 of a FAT32 boot sector: not cleanly unmounted.
    file.seekp(0x41);
    file.put(static_cast<char>(boot[0x41] | 1));
    // Clusters 100 and 101 chained in the first FAT, owned by no file.
    const std::streamoff fat = std::streamoff{reservedSectors} * bytesPerSector;
    const unsigned char chain[8] = {101, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x0F};
    file.seekp(fat + 100 * 4);
    file.write(reinterpret_cast<const char*>(chain), sizeof chain);
    return static_cast<bool>(file.flush());
}

}  // namespace

void writeDemoPens(const std::string& folderName) {
    const fs::path folder = folderName;
    makePen(folder / "pen-A", "KLV8A3C5D21",
            {{"001.vxr",
              {.name = vxbName("小学英语 三年级上册"),
               .labelKey = 0x3A5C,
               .defaultTitle = 1,
               .size = 64 * 1024}},
             {"002.vxr", {.name = vxbName("唐诗三百首"), .defaultTitle = 2, .size = 48 * 1024}},
             {"005.vxs", {.name = vxbName("恐龙百科 点读版"), .coverOid = 4711, .size = 96 * 1024}},
             {"006.vxr", {.name = "ATT002", .size = 4096}}});
    makePen(folder / "pen-B", "KLV9B7E2F08",
            {{"001.vxr", {.name = vxbName("三只小猪"), .size = 32 * 1024}},
             {"003.vxs", {.name = vxbName("数学启蒙 智能版"), .coverOid = 12, .size = 80 * 1024}}});
    // Pulled out in the middle of a write: its file system needs 检查点读笔….
    const fs::path damaged = folder / "pen-C";
    makePen(damaged, "KLV7C1D9E44",
            {{"001.vxr", {.name = vxbName("小蝌蚪找妈妈"), .size = 40 * 1024}},
             {"002.vxr", {.name = vxbName("十万个为什么"), .defaultTitle = 3, .size = 72 * 1024}}});
    if (writeDamagedImage(damaged / "pen.img")) {
        write(damaged / "simulated-device.ini", "image = pen.img\n");
    }
}

void writeDemoPackage(const std::string& path) {
    write(path, BookPackage{.name = vxbName("汉语拼音 一年级"),
                            .labelKey = 0x1234,
                            .defaultTitle = 7,
                            .defaultLabel = 12,
                            .size = 256 * 1024}
                    .bytes());
}

std::vector<std::string> writeSampleBooks(const std::string& folderName) {
    const fs::path folder = folderName;
    // Title 2 is taken on pen-A and pen-C and free on pen-B: installed onto
    // several pens, it keeps its number on one and gets another on the rest.
    const std::vector<std::pair<std::string, BookPackage>> books = {
        {"成语故事 第一辑.vxb",
         {.name = vxbName("成语故事 第一辑"),
          .labelKey = 0x2B7E,
          .defaultTitle = 2,
          .defaultLabel = 5,
          .size = 6 << 20}},
        {"动物王国 智能版.vxb",
         {.name = vxbName("动物王国 智能版"), .coverOid = 2024, .size = 4 << 20}}};
    std::vector<std::string> paths;
    for (const auto& [file, book] : books) {
        write(folder / file, book.bytes());
        paths.push_back((folder / file).string());
    }
    paths.push_back((folder / "汉语拼音 一年级.vxb").string());
    writeDemoPackage(paths.back());
    return paths;
}

}  // namespace penshelf::demo
