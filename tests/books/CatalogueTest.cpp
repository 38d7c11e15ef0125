#include "books/Catalogue.h"

#include "support/BookFile.h"
#include "support/Printers.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace penshelf;
using namespace penshelf::test;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

// Rows compared as the user sees them; the file system's order is free.
MATCHER_P4(Row, name, stat, flag, file, "") {
    return arg.name == name && arg.stat == stat && arg.flag == flag && arg.file == file &&
           arg.type == "vxb";
}

class CatalogueTest : public ::testing::Test {
  protected:
    CatalogueTest() : book(dir.str() + "/BOOK/") { std::filesystem::create_directories(book); }
    void put(const std::string& relative, const std::string& nameString) {
        writeFile(book + relative, BookFile{.name = nameString}.bytes());
    }
    TempDir dir;
    std::string book;
};

TEST_F(CatalogueTest, ListsPackagesByNameRuleAndExtension) {
    put("001.vxr", vxbName("小兔子乖乖"));
    put("002.VXS", vxbName("三只小猪"));
    put("abc.vxr", vxbName("字母"));
    put("读书本.vxr", vxbName("七个字"));  // seven characters, more bytes
    put("003.vxb", vxbName("not on a pen"));
    put("readme.txt", vxbName("x"));
    put("1234567", vxbName("x"));
    put("0001.vxr", vxbName("eight characters"));
    put("005.vxr", "XYZsomething");
    put("006.vxr", "VX");
    put("007.vxr", "VXB\x81\x20");  // not GB 18030
    std::filesystem::create_directory(book + "008.vxr");

    EXPECT_THAT(ListBookFolder(book),
                UnorderedElementsAre(Row("小兔子乖乖", "自制-001", "D", book + "001.vxr"),
                                     Row("三只小猪", "智能-002", "S", book + "002.VXS"),
                                     Row("字母", "自制-abc", "D", book + "abc.vxr"),
                                     Row("七个字", "自制-读书本", "D", book + "读书本.vxr")));
}

TEST_F(CatalogueTest, SubfoldersCountByRelativePathOnly) {
    put("X/1.vxr", vxbName("in a subfolder"));
    put("XY/1.vxr", vxbName("eight"));
    put("a/b/vxs", vxbName("three deep"));  // "a/b" + any character + "vxs"
    put("sub/deeper/001.vxr", vxbName("too long a path"));

    EXPECT_THAT(ListBookFolder(book),
                UnorderedElementsAre(Row("in a subfolder", "自制-X/1", "D", book + "X/1.vxr"),
                                     Row("three deep", "智能-a/b", "S", book + "a/b/vxs")));
}

TEST_F(CatalogueTest, SharedPackageShowsItsTargetsWholeName) {
    put("002.vxr", vxbName("Title"));
    put("004.vxr", "ATT002");
    put("009.vxs", "ATT404");          // target missing
    put("0002.vxr", vxbName("Long"));  // not a package itself, but a target
    put("005.vxr", "ATT0002");
    put(".vxr", vxbName("Plain"));  // the target of an empty target text
    put("006.vxr", "ATT");

    EXPECT_THAT(ListBookFolder(book),
                UnorderedElementsAre(Row("Title", "自制-002", "D", book + "002.vxr"),
                                     Row("VXBTitle(002)", "自制-004", "E", book + "004.vxr"),
                                     Row("VXBLong(0002)", "自制-005", "E", book + "005.vxr"),
                                     Row("VXBPlain()", "自制-006", "E", book + "006.vxr"),
                                     Row("(404)", "智能-009", "E", book + "009.vxs")));
}

TEST_F(CatalogueTest, SharedTargetOfSameKindOnly) {
    put("002.vxs", vxbName("smart one"));
    put("004.vxr", "ATT002");  // looks for 002.vxr, which is not there
    EXPECT_THAT(ListBookFolder(book),
                UnorderedElementsAre(Row("smart one", "智能-002", "S", book + "002.vxs"),
                                     Row("(002)", "自制-004", "E", book + "004.vxr")));
}

TEST_F(CatalogueTest, SharedTargetThatIsAPathReadsNothingOutsideTheFolder) {
    writeFile(dir / "secret.vxr", BookFile{.name = vxbName("outside")}.bytes());
    writeFile(dir / "x/secret.vxr", BookFile{.name = vxbName("outside too")}.bytes());
    put("004.vxr", "ATT../secret");
    put("005.vxr", "ATT/" + dir.str() + "/secret");
    put("006.vxr", "ATT..");

    EXPECT_THAT(
        ListBookFolder(book),
        UnorderedElementsAre(Row("(../secret)", "自制-004", "E", book + "004.vxr"),
                             Row("(/" + dir.str() + "/secret)", "自制-005", "E", book + "005.vxr"),
                             Row("(..)", "自制-006", "E", book + "006.vxr")));
}

TEST_F(CatalogueTest, LinksToFoldersAreNotFollowed) {
    writeFile(dir / "elsewhere/001.vxr", BookFile{.name = vxbName("not on the pen")}.bytes());
    std::filesystem::create_directory_symlink(dir / "elsewhere", book + "L");
    std::filesystem::create_directory_symlink(book, book + "M");  // a loop
    put("002.vxr", vxbName("on the pen"));

    EXPECT_THAT(ListBookFolder(book),
                UnorderedElementsAre(Row("on the pen", "自制-002", "D", book + "002.vxr")));
}

TEST_F(CatalogueTest, LinksToFilesAndALinkedBookFolderAreNotPackages) {
    writeFile(dir / "elsewhere/001.vxr", BookFile{.name = vxbName("on the computer")}.bytes());
    std::filesystem::create_symlink(dir / "elsewhere/001.vxr", book + "001.vxr");
    put("004.vxr", "ATT001");  // the target is the link
    EXPECT_THAT(ListBookFolder(book),
                UnorderedElementsAre(Row("(001)", "自制-004", "E", book + "004.vxr")));

    const std::string linkedPen = dir / "pen2";
    std::filesystem::create_directories(linkedPen);
    std::filesystem::create_directory_symlink(dir / "elsewhere", linkedPen + "/BOOK");
    EXPECT_THAT(ListBookFolder(linkedPen + "/BOOK/"), IsEmpty());
}

TEST_F(CatalogueTest, SpecialFilesNamedLikePackagesGiveNoRowAndDoNotBlock) {
    ASSERT_EQ(mkfifo((book + "001.vxr").c_str(), 0600), 0);
    put("002.vxr", vxbName("real"));
    EXPECT_THAT(ListBookFolder(book),
                UnorderedElementsAre(Row("real", "自制-002", "D", book + "002.vxr")));
}

TEST_F(CatalogueTest, MissingOrUnnamedFolderListsNothing) {
    EXPECT_THAT(ListBookFolder(book), IsEmpty());
    EXPECT_THAT(ListBookFolder(dir / "nope/BOOK/"), IsEmpty());
    // An unmounted pen has no folder at all; nothing relative is listed.
    EXPECT_THAT(ListBookFolder(""), IsEmpty());
}

TEST(JoinPath, AddsExactlyOneSeparator) {
    EXPECT_EQ(joinPath("/a/BOOK/", "001.vxr"), "/a/BOOK/001.vxr");
    EXPECT_EQ(joinPath("/a/BOOK", "001.vxr"), "/a/BOOK/001.vxr");
}

}  // namespace
