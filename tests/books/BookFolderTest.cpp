// A pen's BOOK folder as the program reads it: where its volume is mounted and the room left on it,
// the header of each package, the list of the books, and removing one of them.
#include "books/BookHeader.h"
#include "books/BookRemoval.h"
#include "books/Catalogue.h"
#include "books/FreeSpace.h"
#include "device/linux/MountTable.h"

#include "support/BookFile.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>

#include <sys/stat.h>

using namespace penshelf;
using namespace penshelf::test;
namespace fs = std::filesystem;

namespace {

const char* const sampleMountinfo =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "120 22 8:17 /BOOK /srv/books rw shared:60 - vfat /dev/sdb1 rw\n"
    "121 22 8:17 / /media/user/MY\\040PEN rw,nosuid,nodev shared:61 master:2 - vfat /dev/sdb1 "
    "rw,uid=1000\n"
    "122 22 8:17 / /mnt/second rw - vfat /dev/sdb1 rw\n"
    "130 22 8:26 / /media/user/tab\\011and\\134slash rw - vfat /dev/sdb10 rw\n"
    "140 22 8:33 / /media/root rw - vfat /dev/sdc1 rw\n"
    "garbage line\n"
    "150 22 8:49 / /media/trunc rw -\n";

class BookFolderTest : public ::testing::Test {
  protected:
    std::string write(const std::string& bytes) { return writeFile(dir / "book.vxb", bytes); }
    TempDir dir;
    const std::string book = dir / "BOOK/";
};

TEST_F(BookFolderTest, TheMountTableGivesTheFirstWholeMountAndFreeSpaceIsShownInItsUnit) {
    EXPECT_EQ(mountPointIn(sampleMountinfo, "/dev/sdb1"), "/media/user/MY PEN/")
        << "the bind of a subfolder is skipped, the first root mount wins";
    EXPECT_EQ(mountPointIn(sampleMountinfo, "/dev/sdb10"), "/media/user/tab\tand\\slash/");
    EXPECT_EQ(mountPointIn(sampleMountinfo, "/dev/sda1"), "/") << "the root keeps one slash";
    EXPECT_EQ(mountPointIn(sampleMountinfo, "/dev/sdd1"), "");
    EXPECT_EQ(mountPointIn(sampleMountinfo, "/dev/sdb"), "");
    EXPECT_EQ(mountPointIn("", "/dev/sdb1"), "");

    writeFile(dir / "mountinfo", sampleMountinfo);
    const MountTable table(dir / "mountinfo");
    EXPECT_EQ(table.GetVolumePath("sdc1"), "/media/root/");
    EXPECT_EQ(table.GetVolumePath(""), "");
    EXPECT_EQ(MountTable(dir / "missing").GetVolumePath("sdc1"), "");

    // Read-only as the super options say, whatever the mount options: "ro", or ext4's
    // "emergency_ro" after an error, which statvfs does not show.
    const std::string mounted = " / " + dir.str() + " rw - ext4 /dev/";
    writeFile(dir / "mountinfo", "1 1 7:0" + mounted + "loop0 rw,errors=remount-ro,emergency_ro\n" +
                                     "2 1 7:1" + mounted + "loop1 ro\n" + "3 1 7:2" + mounted +
                                     "loop2 rw,errors=remount-ro\n");
    EXPECT_TRUE(table.isReadOnly("loop0") && table.isReadOnly("loop1"));
    EXPECT_FALSE(table.isReadOnly("loop2") || table.isReadOnly("loop3"));

    EXPECT_EQ(formatFreeSpace(0), "---");
    EXPECT_EQ(formatFreeSpace(1023), "1023.000000 Byte");
    EXPECT_EQ(formatFreeSpace(1024), "1.00 KB");
    EXPECT_EQ(formatFreeSpace(1048575), "1024.00 KB") << "rounds up but stays below MB";
    EXPECT_EQ(formatFreeSpace(1048576), "1.00 MB");
    EXPECT_EQ(formatFreeSpace(1073741824), "1.00 GB");
    EXPECT_EQ(formatFreeSpace(UINT64_MAX), "17179869184.00 GB");
}

TEST_F(BookFolderTest, HeaderNameStopsAtFillerAndFieldsAreLittleEndianAndNoneWhenUnreadable) {
    // "VXB" and the title 点读 (B5E3 B6C1 in GB 18030), then 0xFF filler.
    EXPECT_EQ(GetBookName(write(BookFile{.name = "VXB\xB5\xE3\xB6\xC1"}.bytes())), "VXB点读");
    EXPECT_EQ(GetBookName(write(std::string("VXBab\0cd", 8) + std::string(200, 'x'))), "VXBab");
    EXPECT_EQ(GetBookName(write(std::string(100, 'A') + "BBBB")), std::string(100, 'A'))
        << "without a terminator the whole 100-byte area is the name";
    EXPECT_EQ(GetBookName(write("VXBshort")), "VXBshort") << "a short file gives what it has";
    EXPECT_EQ(GetBookName(write("")), "");

    EXPECT_EQ(GetBookName(write("VXB\x81\x20title")), std::nullopt) << "invalid GB 18030";
    EXPECT_EQ(GetBookName(write("VXB\xB5")), std::nullopt) << "truncated two-byte character";
    EXPECT_EQ(GetBookName(dir / "missing.vxr"), std::nullopt);

    std::filesystem::create_directory(dir.path() / "004.vxr");
    EXPECT_EQ(GetBookName(dir / "004.vxr"), std::nullopt) << "a folder is not a package";

    // A FIFO named like a package must neither block nor be read.
    const std::string fifo = dir / "005.vxr";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(GetBookName(fifo), std::nullopt);
    EXPECT_EQ(GetBookCoverOID(fifo), std::nullopt);

    // The sixteen-bit fields are little-endian, and missing beyond the file.
    const std::string full = BookFile{.name = "VXBx",
                                      .coverOid = 0x0100,
                                      .labelKey = 0xBEEF,
                                      .defaultTitle = 7,
                                      .defaultLabel = 999}
                                 .bytes();
    const std::string path = write(full);
    EXPECT_EQ(std::tuple(GetBookCoverOID(path), GetBookType(path), bookLabelKey(path),
                         GetBookDefaultTitle(path), GetBookDefaultLabel(path)),
              std::tuple(256, ".vxs", 0xBEEF, 7, 999));
    EXPECT_EQ(GetBookType(write(BookFile{.name = "VXBx", .coverOid = 0}.bytes())), ".vxr");

    EXPECT_EQ(GetBookDefaultLabel(write(full.substr(0, 185))), 999);
    const std::string oneShort = write(full.substr(0, 184));
    EXPECT_EQ(GetBookDefaultTitle(oneShort), 7);
    EXPECT_EQ(GetBookDefaultLabel(oneShort), std::nullopt) << "missing, not zero";
    const std::string halfCover = write(full.substr(0, 96));
    EXPECT_EQ(GetBookCoverOID(halfCover), std::nullopt);
    EXPECT_EQ(GetBookType(halfCover), ".vxr") << "a missing cover OID counts as zero";
    EXPECT_EQ(GetBookDefaultLabel(dir / "missing.vxb"), std::nullopt);
}

// The rows as the user sees them, "name stat flag file", each of type vxb; the file system's order
// is free.
std::vector<std::string> rowsIn(const std::string& folder) {
    std::vector<std::string> rows;
    for (const ListData& row : listBookFolder(folder)) {
        EXPECT_EQ(row.type, "vxb") << row.file;
        rows.push_back(row.name + " " + row.stat + " " + row.flag + " " + row.file);
    }
    return rows;
}

TEST_F(BookFolderTest, ListsWhatTheNameRuleAcceptsAndReadsNothingOutsideTheFolder) {
    const auto put = [&](const std::string& relative, const std::string& nameString) {
        writeFile(book + relative, BookFile{.name = nameString}.bytes());
    };
    // Packages by name rule and extension: three characters or a relative path of three, then any
    // character and vxr or vxs, in any case.
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
        testing::UnorderedElementsAre(
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

    // An empty, linked or missing folder lists nothing, and so does none at all: an unmounted pen
    // has no folder, and nothing relative is listed.
    std::filesystem::create_directory(dir / "empty");
    std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "linked");
    for (const std::string& folder :
         {dir / "empty/", dir / "linked/", dir / "nope/", std::string()}) {
        EXPECT_THAT(rowsIn(folder), testing::IsEmpty()) << folder;
    }
}

TEST_F(BookFolderTest, RemovalDeletesTheListedFileOnlyAndNothingOutsideTheFolderOrSwappedIn) {
    writeFile(book + "001.vxr", "book one");
    writeFile(book + "X/1.vxr", "in a subfolder");
    writeFile(dir / "outside/001.vxr", "not on the pen");
    writeFile(dir / "outside/1.vxr", "not on the pen either");
    const auto removed = [](const std::string& folder, const std::string& file) {
        return removeBookFile(folder, file) == RemovalResult::Removed;
    };

    EXPECT_FALSE(removed(book, dir / "outside/001.vxr"));
    EXPECT_FALSE(removed(book, book + "../outside/001.vxr"));
    EXPECT_FALSE(removed("", book + "001.vxr")) << "no folder";
    EXPECT_TRUE(removed(book, book + "001.vxr"));
    EXPECT_TRUE(removed(book, book + "X/1.vxr"));
    EXPECT_EQ(fileNamesIn(book), std::set<std::string>{"X"}) << "its folder stays";
    EXPECT_TRUE(fs::is_empty(book + "X"));
    EXPECT_FALSE(removed(book, book + "001.vxr")) << "already gone";

    // A listed book swapped for a folder or a link since.
    writeFile(book + "001.vxr/inside", "x");
    EXPECT_FALSE(removed(book, book + "001.vxr"));
    EXPECT_TRUE(fs::exists(book + "001.vxr/inside"));
    fs::remove_all(book + "001.vxr");
    fs::create_symlink(dir / "outside/001.vxr", book + "001.vxr");
    EXPECT_FALSE(removed(book, book + "001.vxr"));

    // The subfolder itself swapped for a link to a folder elsewhere.
    fs::remove_all(book + "X");
    fs::create_directory_symlink(dir / "outside", book + "X");
    EXPECT_FALSE(removed(book, book + "X/1.vxr"));
    EXPECT_EQ(filesIn(dir / "outside"),
              (Files{{"001.vxr", "not on the pen"}, {"1.vxr", "not on the pen either"}}));
}

}  // namespace
