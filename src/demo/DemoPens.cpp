#include "demo/DemoPens.h"

#include "demo/BookPackage.h"

#include <cstdio>
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
}

void writeDemoPackage(const std::string& path) {
    write(path, BookPackage{.name = vxbName("汉语拼音 一年级"),
                            .labelKey = 0x1234,
                            .defaultTitle = 7,
                            .defaultLabel = 12,
                            .size = 256 * 1024}
                    .bytes());
}

}  // namespace penshelf::demo
