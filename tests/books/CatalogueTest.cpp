#include "books/Catalogue.h"

#include "support/BookFile.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace penshelf;
using namespace penshelf::test;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

// The rows as the user sees them, "name stat flag file", each of type vxb; the file system's
// order is free.
std::vector<std::string> rowsIn(const std::string& folder) {
    std::vector<std::string> rows;
    for (const ListData& row : listBookFolder(folder)) {
        EXPECT_EQ(row.type, "vxb") << row.file;
        rows.push_back(row.name + " " + row.stat + " " + row.flag + " " + row.file);
    }
    return rows;
}

TEST(Catalogue, ListsWhatTheNameRuleAcceptsAndReadsNothingOutsideTheFolder) {
    TempDir dir;
    const std::string book = dir / "BOOK/";
    const auto put = [&](const std::string& relative, const std::string& nameString) {
        writeFile(book + relative, BookFile{.name = nameString}.bytes());
    };
    // Packages by name rule and extension: three characters or a relative path
    // of three, then any character and vxr or vxs, in any case.
    put("001.vxr", vxbName("小兔子乖乖"));
    put("002.VXS", vxbName("三只小猪"));
    put("读书本.vxr", vxbName("七个字"));  // seven characters, more bytes
    put("X/1.vxr", vxbName("in a subfolder"));
    put("a/b/vxs", vxbName("three deep"));  // "a/b" + any character + "vxs"
    for (const char* other :
         {"003.vxb", "readme.txt", "1234567", "0001.vxr", "XY/1.vxr", "sub/deeper/001.vxr"}) {
        put(other, vxbName("not listed"));
    }
    put("005.vxr", "XYZsomething");
    put("006.vxr", "VX");
    put("007.vxr", "VXB\x81\x20");  // not GB 18030
    std::filesystem::create_directory(book + "008.vxr");
    ASSERT_EQ(mkfifo((book + "009.vxr").c_str(), 0600), 0);  // must not block the listing

    // Shared packages show their target's whole name, a target of their own kind only.
    put("010.vxr", vxbName("Title"));
    put("011.vxr", "ATT010");
    put("019.vxs", "ATT404");          // target missing
    put("0002.vxr", vxbName("Long"));  // not a package itself, but a target
    put("012.vxr", "ATT0002");
    put(".vxr", vxbName("Plain"));  // the target of an empty target text
    put("013.vxr", "ATT");
    put("020.vxs", vxbName("smart one"));
    put("014.vxr", "ATT020");  // looks for 020.vxr

    // Targets that are paths; links, to files or folders, are not followed.
    writeFile(dir / "secret.vxr", BookFile{.name = vxbName("outside")}.bytes());
    writeFile(dir / "x/secret.vxr", BookFile{.name = vxbName("outside too")}.bytes());
    put("015.vxr", "ATT../secret");
    put("016.vxr", "ATT/" + dir.str() + "/secret");
    writeFile(dir / "elsewhere/001.vxr", BookFile{.name = vxbName("on the computer")}.bytes());
    std::filesystem::create_symlink(dir / "elsewhere/001.vxr", book + "018.vxr");
    put("021.vxr", "ATT018");
    std::filesystem::create_directory_symlink(dir / "elsewhere", book + "L");
    std::filesystem::create_directory_symlink(book, book + "M");  // a loop

    EXPECT_THAT(
        rowsIn(book),
        UnorderedElementsAre(
            "小兔子乖乖 自制-001 D " + book + "001.vxr", "三只小猪 智能-002 S " + book + "002.VXS",
            "七个字 自制-读书本 D " + book + "读书本.vxr",
            "in a subfolder 自制-X/1 D " + book + "X/1.vxr",
            "three deep 智能-a/b S " + book + "a/b/vxs", "Title 自制-010 D " + book + "010.vxr",
            "VXBTitle(010) 自制-011 E " + book + "011.vxr", "(404) 智能-019 E " + book + "019.vxs",
            "VXBLong(0002) 自制-012 E " + book + "012.vxr",
            "VXBPlain() 自制-013 E " + book + "013.vxr", "smart one 智能-020 S " + book + "020.vxs",
            "(020) 自制-014 E " + book + "014.vxr", "(../secret) 自制-015 E " + book + "015.vxr",
            "(/" + dir.str() + "/secret) 自制-016 E " + book + "016.vxr",
            "(018) 自制-021 E " + book + "021.vxr"));

    // An empty, linked or missing folder lists nothing, and so does none at all:
    // an unmounted pen has no folder, and nothing relative is listed.
    std::filesystem::create_directory(dir / "empty");
    std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "linked");
    for (const std::string& folder :
         {dir / "empty/", dir / "linked/", dir / "nope/", std::string()}) {
        EXPECT_THAT(rowsIn(folder), IsEmpty()) << folder;
    }
}

}  // namespace
