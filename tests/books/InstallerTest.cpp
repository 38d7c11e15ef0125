// Putting a package onto a pen: the proposed number, the checks of a typed
// number, and the copy with what it leaves on the pen when it works and when
// it does not.

#include "books/BookNumber.h"
#include "books/Catalogue.h"
#include "books/Installer.h"
#include "books/NoReplaceRename.h"

#include "support/BookFile.h"
#include "support/LoopVolume.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <numeric>
#include <set>

using namespace penshelf;
using namespace penshelf::test;

namespace {

// A pen's BOOK/ folder in a temporary folder.
class PenFolder {
  public:
    PenFolder() { std::filesystem::create_directories(book); }
    void touch(const std::string& name, const std::string& bytes = "x") const {
        writeFile(book + name, bytes);
    }
    TempDir dir;
    std::string book = dir / "BOOK/";
};

// ---------------------------------------------------------------- numbers

TEST(BookNumberProposal, DefaultTitleFrom1To998WinsEvenWhenTaken) {
    PenFolder pen;
    pen.touch("005.vxr");
    EXPECT_EQ(proposeBookNumber(pen.book, 5, ".vxr"), "005");
    EXPECT_EQ(proposeBookNumber(pen.book, 998, ".vxr"), "998");
    EXPECT_EQ(proposeBookNumber(pen.book, 1, ".vxs"), "001");
}

TEST(BookNumberProposal, OtherwiseTheLowestFreeNumberOfItsOwnExtension) {
    PenFolder pen;
    for (std::uint16_t title : {0, 999, 1000, 65535}) {
        EXPECT_EQ(proposeBookNumber(pen.book, title, ".vxr"), "001") << title;
    }
    pen.touch("001.vxr");
    pen.touch("002.vxr");
    pen.touch("003.vxr");
    EXPECT_EQ(proposeBookNumber(pen.book, 0, ".vxr"), "004");
    EXPECT_EQ(proposeBookNumber(pen.book, 0, ".vxs"), "001") << "custom packages do not count";

    std::filesystem::create_directory(pen.book + "004.vxr");
    EXPECT_EQ(proposeBookNumber(pen.book, 999, ".vxr"), "005") << "a folder counts as taken";
    std::filesystem::create_symlink("nowhere", pen.book + "005.vxr");
    EXPECT_EQ(proposeBookNumber(pen.book, 999, ".vxr"), "006") << "so does a dangling link";

    EXPECT_EQ(proposeBookNumber(pen.dir / "NOBOOK/", 0, ".vxr"), "001") << "no folder";
    EXPECT_EQ(proposeBookNumber("", 0, ".vxr"), "001") << "no volume";
}

TEST(BookNumberProposal, FullFolderGives998AndNeverZeroOr999) {
    PenFolder pen;
    for (int i = 1; i <= 998; ++i) pen.touch(formatBookNumber(i) + ".vxs");
    EXPECT_EQ(proposeBookNumber(pen.book, 0, ".vxs"), "998");
    EXPECT_EQ(proposeBookNumber(pen.book, 999, ".vxs"), "998");

    std::filesystem::remove(pen.book + "998.vxs");
    EXPECT_EQ(proposeBookNumber(pen.book, 0, ".vxs"), "998");
    std::filesystem::remove(pen.book + "500.vxs");
    EXPECT_EQ(proposeBookNumber(pen.book, 0, ".vxs"), "500");
}

TEST(BookNumberCheck, DigitsComeFirstThenLengthThenTheFolder) {
    PenFolder pen;
    pen.touch("005.vxr");
    pen.touch("006.vxr");
    std::filesystem::create_directory(pen.book + "004.vxr");
    const std::vector<std::pair<std::string, NumberCheck>> cases = {
        {"1a3", NumberCheck::NotDigits},       {" 12", NumberCheck::NotDigits},  // no trimming
        {"１２３", NumberCheck::NotDigits},    {"-12", NumberCheck::NotDigits},
        {"1a", NumberCheck::NotDigits},  // digits are checked before the length
        {"12", NumberCheck::NotThreeDigits},   {"", NumberCheck::NotThreeDigits},
        {"0005", NumberCheck::NotThreeDigits},                               // not read as a number
        {"005", NumberCheck::Taken},           {"004", NumberCheck::Taken},  // a folder
        {"000", NumberCheck::Valid},           {"999", NumberCheck::Valid},
    };
    for (const auto& [number, expected] : cases) {
        EXPECT_EQ(checkBookNumber(pen.book, number, ".vxr"), expected) << number;
    }
    EXPECT_EQ(checkBookNumber(pen.book, "006", ".vxs"), NumberCheck::Valid)
        << "006.vxs may sit beside 006.vxr";
}

TEST(BookNumbers, CaseDoesNotMatterAsOnThePensFatVolume) {
    PenFolder pen;
    pen.touch("001.VXR");
    pen.touch("002.Vxs");
    EXPECT_EQ(checkBookNumber(pen.book, "001", ".vxr"), NumberCheck::Taken);
    EXPECT_EQ(checkBookNumber(pen.book, "002", ".vxs"), NumberCheck::Taken);
    EXPECT_EQ(proposeBookNumber(pen.book, 0, ".vxr"), "002");
    EXPECT_EQ(proposeBookNumber(pen.book, 0, ".vxs"), "001");
}

TEST(BookNumberCheck, EmptyFolderIsNotTheWorkingFolder) {
    // A pen whose volume is not mounted has no folder; a relative lookup
    // would find this program's own files.
    TempDir cwd;
    writeFile(cwd / "005.vxr", "x");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(cwd.path());
    EXPECT_EQ(checkBookNumber("", "005", ".vxr"), NumberCheck::Valid);
    EXPECT_FALSE(existsInFolder("", "005.vxr"));
    std::filesystem::current_path(previous);
}

// ---------------------------------------------------------------- renaming

TEST(NoReplaceRename, MovesOrLeavesBothFilesAsTheyWere) {
    for (const auto rename : {&renameNoReplace, &linkThenUnlink}) {
        PenFolder pen;
        pen.touch("temp", "new");
        pen.touch("001.vxr", "old");
        const int folder = open(pen.book.c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(folder, 0);

        EXPECT_EQ(rename(folder, "temp", "001.vxr"), EEXIST);
        EXPECT_EQ(readFile(pen.book + "001.vxr"), "old");
        EXPECT_EQ(readFile(pen.book + "temp"), "new");

        EXPECT_EQ(rename(folder, "temp", "002.vxr"), 0);
        EXPECT_EQ(readFile(pen.book + "002.vxr"), "new");
        EXPECT_EQ(fileNamesIn(pen.book), (std::set<std::string>{"001.vxr", "002.vxr"}));
        close(folder);
    }
}

// ---------------------------------------------------------------- copying

// What one install reported and left behind.
struct Copy {
    InstallResult checked = InstallResult::Failed;
    InstallResult result = InstallResult::Failed;
    std::int64_t chunkCount = 0;
    std::vector<std::int64_t> chunks;
    int flushes = 0;
    bool namedBeforeFlush = false;
};

class InstallerTest : public ::testing::Test {
  protected:
    std::string source(const std::string& bytes) {
        const std::string path = dir / "book.vxb";
        writeFile(path, bytes);
        return path;
    }

    Copy install(const std::string& sourcePath, const std::string& target = "007.vxr",
                 std::function<void(std::int64_t)> duringChunk = {}) {
        BookInstaller installer(sourcePath, pen.book, target, target.ends_with(".vxr"));
        Copy copy;
        copy.checked = installer.check();
        copy.chunkCount = installer.chunkCount();
        if (copy.checked != InstallResult::Installed) return copy;
        copy.result = installer.install({.chunkWritten =
                                             [&](std::int64_t chunk) {
                                                 copy.chunks.push_back(chunk);
                                                 if (duringChunk) duringChunk(chunk);
                                             },
                                         .flushing =
                                             [&] {
                                                 ++copy.flushes;
                                                 copy.namedBeforeFlush =
                                                     existsInFolder(pen.book, target);
                                             }});
        return copy;
    }

    static std::vector<std::int64_t> upTo(std::int64_t n) {
        std::vector<std::int64_t> all(static_cast<size_t>(n));
        std::iota(all.begin(), all.end(), 0);
        return all;
    }

    TempDir dir;
    PenFolder pen;
};

TEST_F(InstallerTest, CopiesByteForByteCountingEveryChunk) {
    // size: chunks (the last one short, or empty at a multiple of 1024)
    const std::vector<std::pair<size_t, std::int64_t>> sizes = {{185, 1},
                                                                {1023, 1},
                                                                {1024, 2},
                                                                {1025, 2},
                                                                {2048, 3},
                                                                {(3 << 20) + 5, 3 * 1024 + 1},
                                                                {2 << 20, 2 * 1024 + 1}};
    for (const auto& [size, chunks] : sizes) {
        SCOPED_TRACE(size);
        const std::string bytes = BookFile{.name = vxbName("书"),
                                           .coverOid = 1,
                                           .labelField = 0x1234,
                                           .labelKey = 0xFFFF,
                                           .defaultLabel = 300,
                                           .size = size}
                                      .bytes();
        const Copy copy = install(source(bytes), "001.vxs");
        ASSERT_EQ(copy.result, InstallResult::Installed);
        EXPECT_EQ(copy.chunkCount, chunks);
        EXPECT_EQ(copy.chunks, upTo(chunks)) << "each chunk once, in order";
        EXPECT_EQ(copy.flushes, 1);
        EXPECT_FALSE(copy.namedBeforeFlush) << "the name comes after the flush";
        EXPECT_TRUE(readFile(pen.book + "001.vxs") == bytes)
            << "a smart package is copied as is, label field included";
        EXPECT_EQ(fileNamesIn(pen.book), std::set<std::string>{"001.vxs"}) << "no temporary left";
        std::filesystem::remove(pen.book + "001.vxs");
    }
}

TEST_F(InstallerTest, CustomPackageGetsItsLabelAndNothingElseChanges) {
    // default label: label number written
    const std::vector<std::pair<std::uint16_t, std::uint16_t>> labels = {
        {999, 999}, {0, 1}, {1000, 1}, {300, 300}, {1, 1}};
    for (const auto& [defaultLabel, label] : labels) {
        SCOPED_TRACE(defaultLabel);
        const std::string bytes = BookFile{.name = vxbName("自制"),
                                           .labelField = 0x7777,
                                           .labelKey = 0xA5C3,
                                           .defaultLabel = defaultLabel,
                                           .size = 5000}
                                      .bytes();
        ASSERT_EQ(install(source(bytes), "002.vxr").result, InstallResult::Installed);
        const std::string copied = readFile(pen.book + "002.vxr");
        ASSERT_EQ(copied.size(), bytes.size());
        const auto byteAt = [&](size_t i) { return static_cast<unsigned char>(copied[i]); };
        EXPECT_EQ((byteAt(141) | byteAt(142) << 8) ^ 0xA5C3, label) << "field XOR key";
        EXPECT_EQ(copied.substr(0, 141), bytes.substr(0, 141));
        EXPECT_EQ(copied.substr(143), bytes.substr(143));
        std::filesystem::remove(pen.book + "002.vxr");
    }
}

TEST_F(InstallerTest, UnreadableHeaderlessOrTooLargeSourceIsRefusedUpFront) {
    const std::string book = BookFile{.name = vxbName("书")}.bytes();
    for (size_t size : {0, 1, 184}) {
        SCOPED_TRACE(size);
        const Copy copy = install(source(book.substr(0, size)));
        EXPECT_EQ(copy.checked, InstallResult::InvalidSource);
    }
    EXPECT_EQ(install(dir / "missing.vxb").checked, InstallResult::InvalidSource);
    std::filesystem::create_directory(dir / "folder.vxb");
    EXPECT_EQ(install(dir / "folder.vxb").checked, InstallResult::InvalidSource);
    ASSERT_EQ(mkfifo((dir / "fifo.vxb").c_str(), 0600), 0);
    EXPECT_EQ(install(dir / "fifo.vxb").checked, InstallResult::InvalidSource) << "without hanging";

    // A sparse source a gibibyte larger than the pen's free space.
    struct statvfs fs;
    ASSERT_EQ(statvfs(pen.book.c_str(), &fs), 0);
    const std::string huge = source(book);
    ASSERT_EQ(truncate(huge.c_str(), static_cast<off_t>(fs.f_bavail * fs.f_frsize) + (1LL << 30)),
              0);
    EXPECT_EQ(install(huge).checked, InstallResult::NoSpace);
    // 4 GiB: more than a file on the pen's FAT can hold, however much room there is.
    if (fs.f_bavail * fs.f_frsize > (1ULL << 32)) {
        ASSERT_EQ(truncate(huge.c_str(), 1LL << 32), 0);
        EXPECT_EQ(install(huge).checked, InstallResult::TooLarge);
    }
    EXPECT_TRUE(fileNamesIn(pen.book).empty());

    EXPECT_EQ(install(source(book.substr(0, 185))).result, InstallResult::Installed);
}

TEST_F(InstallerTest, CatalogueNeverListsTheBookBeingCopied) {
    const std::string bytes = BookFile{.name = vxbName("大书"), .size = 3 << 20}.bytes();
    size_t seenWhileCopying = 0;
    const Copy copy = install(source(bytes), "004.vxr", [&](std::int64_t chunk) {
        if (chunk != 1500) return;  // in the middle of the second block
        seenWhileCopying = fileNamesIn(pen.book).size();
        EXPECT_TRUE(ListBookFolder(pen.book).empty());
    });
    ASSERT_EQ(copy.result, InstallResult::Installed);
    EXPECT_EQ(seenWhileCopying, 1u) << "the half-written file is there, under another name";
    const auto rows = ListBookFolder(pen.book);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, "大书");
    EXPECT_EQ(rows[0].stat, "自制-004");
}

TEST_F(InstallerTest, SourceChangedWhileCopyingLeavesNothing) {
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> changes = {
        {"cut short",
         [](const std::string& path) { ASSERT_EQ(truncate(path.c_str(), 1 << 20), 0); }},
        {"rewritten in place",
         [](const std::string& path) {
             const int fd = open(path.c_str(), O_WRONLY);
             ASSERT_EQ(pwrite(fd, "new edition", 11, 2 << 20), 11);
             close(fd);
         }},
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        const std::string path = source(BookFile{.name = vxbName("书"), .size = 3 << 20}.bytes());
        const Copy copy = install(path, "005.vxr", [&](std::int64_t chunk) {
            if (chunk == 10) change(path);
        });
        EXPECT_EQ(copy.result, InstallResult::Failed);
        EXPECT_EQ(copy.flushes, 0);
        EXPECT_TRUE(fileNamesIn(pen.book).empty());
    }
}

TEST_F(InstallerTest, LeftoversOfKilledInstallsGoButARunningCopyStays) {
    pen.touch(".penshelf-0000dead.part", "half a book");
    pen.touch(".penshelf-00001ive.part", "being written");
    std::filesystem::create_symlink("/etc/passwd", pen.book + ".penshelf-0000link.part");
    // Another install, in another process, is writing the second one.
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t writer = fork();
    if (writer == 0) {
        close(done[1]);
        const int fd = open((pen.book + ".penshelf-00001ive.part").c_str(), O_WRONLY);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        const char ok = fd >= 0 && fcntl(fd, F_OFD_SETLK, &lock) == 0 ? 'y' : 'n';
        char ignored;
        if (write(ready[1], &ok, 1) != 1 || read(done[0], &ignored, 1) < 0) _exit(1);
        _exit(0);
    }
    char locked = 'n';
    ASSERT_EQ(read(ready[0], &locked, 1), 1);
    ASSERT_EQ(locked, 'y');

    EXPECT_EQ(install(source(BookFile{.name = vxbName("书")}.bytes()), "001.vxr").result,
              InstallResult::Installed);
    EXPECT_EQ(fileNamesIn(pen.book), (std::set<std::string>{"001.vxr", ".penshelf-00001ive.part",
                                                            ".penshelf-0000link.part"}));
    close(done[1]);
    waitpid(writer, nullptr, 0);
    EXPECT_TRUE(std::filesystem::exists("/etc/passwd"));
}

TEST_F(InstallerTest, NameTakenDuringTheCopyIsNeverReplaced) {
    const std::string path = source(BookFile{.name = vxbName("新书"), .size = 4096}.bytes());
    const Copy copy = install(path, "006.vxr", [&](std::int64_t chunk) {
        if (chunk == 0) pen.touch("006.vxr", "another program's book");
    });
    EXPECT_EQ(copy.result, InstallResult::Taken);
    EXPECT_EQ(readFile(pen.book + "006.vxr"), "another program's book");
    EXPECT_EQ(fileNamesIn(pen.book), std::set<std::string>{"006.vxr"});
}

TEST_F(InstallerTest, NoBookFolderOfItsOwnIsRefusedWithoutWritingAnywhere) {
    const std::string path = source(BookFile{.name = vxbName("书")}.bytes());
    std::filesystem::remove(pen.book);
    EXPECT_EQ(install(path).checked, InstallResult::NoBookFolder);
    EXPECT_FALSE(std::filesystem::exists(pen.book));

    // A BOOK that is a link to a folder on the computer.
    TempDir elsewhere;
    std::filesystem::create_directory_symlink(elsewhere.path(), pen.dir / "BOOK");
    EXPECT_EQ(install(path, "050.vxr").checked, InstallResult::NoBookFolder);
    EXPECT_TRUE(fileNamesIn(elsewhere.path()).empty());

    BookInstaller unmounted(path, "", "007.vxr", true);
    EXPECT_EQ(unmounted.check(), InstallResult::NoBookFolder);
    EXPECT_EQ(unmounted.install({}), InstallResult::NoBookFolder);
}

// ---------------------------------------------------------------- small volumes

TEST(InstallOnSmallVolume, DiskFillingUpWhileCopyingLeavesNothing) {
    MAKE_LOOP_VOLUME(volume, 6 * 1024);
    TempDir dir;
    const std::string path = dir / "book.vxb";
    writeFile(path, BookFile{.name = vxbName("书"), .size = 3 << 20}.bytes());

    BookInstaller installer(path, volume->book, "001.vxr", true);
    ASSERT_EQ(installer.check(), InstallResult::Installed);
    bool filled = false;
    const auto result = installer.install(
        {.chunkWritten =
             [&](std::int64_t) {
                 if (filled) return;
                 filled = true;
                 // Another program takes every free block.
                 const int fd = open((volume->root + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
                 const std::string block(64 * 1024, 'f');
                 while (write(fd, block.data(), block.size()) > 0) {
                 }
                 close(fd);
             },
         .flushing = {}});
    EXPECT_TRUE(filled);
    EXPECT_EQ(result, InstallResult::Failed);
    EXPECT_TRUE(fileNamesIn(volume->book).empty());
}

TEST(InstallOnSmallVolume, ReadOnlyPenFailsAndKeepsItsBooks) {
    MAKE_LOOP_VOLUME(volume, 2048);
    writeFile(volume->book + "001.vxr", BookFile{.name = vxbName("旧书")}.bytes());
    ASSERT_TRUE(volume->remountReadOnly());
    TempDir dir;
    const std::string path = dir / "book.vxb";
    writeFile(path, BookFile{.name = vxbName("书")}.bytes());

    BookInstaller installer(path, volume->book, "002.vxr", true);
    ASSERT_EQ(installer.check(), InstallResult::Installed);
    EXPECT_EQ(installer.install({}), InstallResult::Failed);
    EXPECT_EQ(fileNamesIn(volume->book), std::set<std::string>{"001.vxr"});
}

TEST(InstallWithoutWritePermission, ReadOnlyFolderFails) {
    if (geteuid() == 0) GTEST_SKIP() << "skipped: root writes into read-only folders";
    PenFolder pen;
    TempDir dir;
    const std::string path = dir / "book.vxb";
    writeFile(path, BookFile{.name = vxbName("书")}.bytes());
    std::filesystem::permissions(pen.book, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);

    BookInstaller installer(path, pen.book, "002.vxr", true);
    ASSERT_EQ(installer.check(), InstallResult::Installed);
    EXPECT_EQ(installer.install({}), InstallResult::Failed);
    EXPECT_TRUE(fileNamesIn(pen.book).empty());
}

}  // namespace
