// penshelf-demo-pens FOLDER: fills FOLDER with two simulated pens holding a
// few book packages, for running PenShelf with PENSHELF_SIMULATE=FOLDER.

#include "books/SampleBook.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using penshelf::SampleBook;
using penshelf::vxbName;

namespace {

struct DemoBook {
    std::string file;
    SampleBook book;
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

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 1;
    }
    const fs::path folder = argv[1];
    makePen(folder / "pen-A", "KLV8A3C5D21",
            {{"001.vxr", {.name = vxbName("小学英语 三年级上册"), .labelKey = 0x3A5C, .defaultTitle = 1, .size = 64 * 1024}},
             {"002.vxr", {.name = vxbName("唐诗三百首"), .defaultTitle = 2, .size = 48 * 1024}},
             {"005.vxs", {.name = vxbName("恐龙百科 点读版"), .coverOid = 4711, .size = 96 * 1024}},
             {"006.vxr", {.name = "ATT002", .size = 4096}}});
    makePen(folder / "pen-B", "KLV9B7E2F08",
            {{"001.vxr", {.name = vxbName("三只小猪"), .size = 32 * 1024}},
             {"003.vxs", {.name = vxbName("数学启蒙 智能版"), .coverOid = 12, .size = 80 * 1024}}});
    std::printf("Two demo pens in %s: pen-A and pen-B.\n", folder.c_str());
    return 0;
}
