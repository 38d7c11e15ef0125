// Putting a package onto a pen: the proposed number, the checks of a typed number, and the copy
// with what it leaves on the pen when it works and when it does not.

#include "books/BookHeader.h"
#include "books/BookNumber.h"
#include "books/Catalogue.h"
#include "books/BookRemoval.h"
#include "books/InstallPlan.h"
#include "books/InstallTemporary.h"
#include "books/Installer.h"
#include "books/ManyPensInstall.h"
#include "books/NoReplaceRename.h"
#include "books/Text.h"
#include "texts/InstallMessages.h"

#include "support/BookFile.h"
#include "support/LoopVolume.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <numeric>
#include <set>
#include <thread>

using namespace penshelf;
using namespace penshelf::test;

namespace {

using O = InstallOutcome;

struct PenFolder {
    PenFolder() { std::filesystem::create_directories(book); }
    void touch(const std::string& name, const std::string& bytes = "x") const {
        writeFile(book + name, bytes);
    }
    TempDir dir;
    std::string book = dir / "BOOK/";
};

TEST(BookNumbers, ProposalsAndChecksOfOneFolder) {
    // Names count without regard to case, as on the pen's FAT volume, and whatever they are: a
    // folder, a dangling link.
    PenFolder pen;
    for (const char* name : {"001.VXR", "002.vxr", "003.vxr", "001.Vxs"}) pen.touch(name);
    std::filesystem::create_directory(pen.book + "004.vxr");
    std::filesystem::create_symlink("nowhere", pen.book + "005.vxr");

    using Proposal = std::tuple<std::uint16_t, const char*, const char*>;  // title, ext, number
    for (const auto& [defaultTitle, ext, number] :
         {// A default title of 1 to 998 wins, taken or not.
          Proposal{5, ".vxr", "005"}, Proposal{998, ".vxr", "998"}, Proposal{1, ".vxs", "001"},
          // Otherwise the lowest number free for its own extension.
          Proposal{0, ".vxr", "006"}, Proposal{999, ".vxr", "006"}, Proposal{1000, ".vxr", "006"},
          Proposal{0, ".vxs", "002"}}) {
        EXPECT_EQ(proposeBookNumber(pen.book, defaultTitle, ext), number) << defaultTitle << ext;
    }
    EXPECT_EQ(proposeBookNumber(pen.dir / "NOBOOK/", 0, ".vxr"), "001") << "no folder";
    EXPECT_EQ(proposeBookNumber("", 0, ".vxr"), "001") << "no volume";

    // Digits are checked first, then the length, then the folder.
    using Check = std::tuple<const char*, const char*, NumberCheck>;  // number, ext, result
    using enum NumberCheck;
    for (const auto& [number, ext, expected] :
         {Check{" 12", ".vxr", NotDigits},  // no trimming
          Check{"１２３", ".vxr", NotDigits}, Check{"12", ".vxr", NotThreeDigits},
          Check{"", ".vxr", NotThreeDigits}, Check{"0005", ".vxr", NotThreeDigits},  // not a number
          Check{"001", ".vxr", Taken}, Check{"004", ".vxr", Taken}, Check{"005", ".vxr", Taken},
          Check{"001", ".vxs", Taken}, Check{"002", ".vxs", Valid},  // beside 002.vxr
          Check{"000", ".vxr", Valid}, Check{"999", ".vxr", Valid}}) {
        EXPECT_EQ(checkBookNumber(pen.book, number, ext), expected) << number << ext;
    }

    // A full folder proposes 998, never 000 or 999, and has no free number.
    for (int i = 1; i <= 997; ++i) pen.touch(formatBookNumber(i) + ".vxs");
    EXPECT_EQ(lowestFreeNumber(TakenNames(pen.book), ".vxs"), "998");
    pen.touch("998.vxs");
    EXPECT_EQ(lowestFreeNumber(TakenNames(pen.book), ".vxs"), std::nullopt);
    EXPECT_EQ(proposeBookNumber(pen.book, 0, ".vxs"), "998");
}

// exFAT through FUSE, the nearest to a pen's FAT here: case-insensitive, no hard links, and EINVAL
// to RENAME_NOREPLACE onto a free name. The fallback, which the installs here never take, moves the
// file or leaves both as they were.
TEST(NoReplaceRename, OnAVolumeWithoutItAnInstallStillNeverReplaces) {
    PenFolder pen;
    pen.touch("temp", "new");
    pen.touch("001.vxr", "old");
    const UniqueFd fallback = openBookFolder(pen.book);
    EXPECT_EQ(linkThenUnlink(fallback.get(), "temp", "001.vxr"), EEXIST);
    EXPECT_EQ(filesIn(pen.book), (Files{{"001.vxr", "old"}, {"temp", "new"}}));
    EXPECT_EQ(linkThenUnlink(fallback.get(), "temp", "002.vxr"), 0);
    EXPECT_EQ(filesIn(pen.book), (Files{{"001.vxr", "old"}, {"002.vxr", "new"}}));

    TempDir dir;
    const std::string image = dir / "pen.img", root = dir / "pen", book = root + "/BOOK/";
    std::filesystem::create_directory(root);
    const std::string device = commandOutput("truncate -s 8M " + image + " && mkfs.exfat " + image +
                                             " >/dev/null && losetup -f --show " + image)
                                   .value_or("");
    const bool mounted = !device.empty() && runQuietly("mount.exfat-fuse " + device + " " + root);
    const std::shared_ptr<void> unmount(
        nullptr, [&](void*) { runQuietly("umount " + root + "; losetup -d " + device); });
    if (!mounted) GTEST_SKIP() << "needs root, mkfs.exfat (exfatprogs) and exfat-fuse";
    std::filesystem::create_directory(book);
    const UniqueFd folder = openBookFolder(book);
    writeFile(book + "temp", "x");
    ASSERT_NE(renameat2(folder.get(), "temp", folder.get(), "001.vxr", RENAME_NOREPLACE), 0);
    ASSERT_EQ(errno, EINVAL) << "the volume refuses RENAME_NOREPLACE";
    const std::string path = writeFile(dir / "book.vxb", BookFile{.name = vxbName("书")}.bytes());
    for (const char* target : {"002.vxr", "002.VXR"}) {
        BookInstaller installer(path, book, target, false);
        ASSERT_EQ(installer.check(), InstallResult::Installed);
        EXPECT_EQ(installer.install({}), std::string(target) == "002.vxr" ? InstallResult::Installed
                                                                          : InstallResult::Taken);
    }
    EXPECT_EQ(filesIn(book), (Files{{"002.vxr", readFile(path)}, {"temp", "x"}}));
}

// Titles (GB 18030) and codes (UTF-8) read from a pen, at each range's edges.
TEST(Text, Gb18030AndUtf8AreCheckedAtEveryByteRangesEdge) {
    // The first and the last of each range, and what they stand for.
    const std::string gb =
        "abc\x81\x40\x81\xFE\xFE\xFE\x81\x30\x81\x30\x84\x31\xA4\x39"
        "\x90\x30\x81\x30\xE3\x32\x9A\x35";
    const std::string text = "abc丂侢\uE4C5\u0080\uFFFF\U00010000\U0010FFFF";
    EXPECT_EQ(decodeGb18030(gb), text);
    EXPECT_EQ(encodeGb18030(text), gb);
    // Bytes outside the ranges, and a character cut off at the end.
    for (const char* bytes :
         {"\x80", "a\xFF", "\x81\x3F", "\x81\x7F", "\x81\xFF", "\x81\x30\x81\x2F",
          "\x81\x30\x81\x3A", "\xE3\x32\x9A\x36", "\x81", "a\x81\x30", "\x81\x30\x81"}) {
        EXPECT_EQ(decodeGb18030(bytes), std::nullopt) << testing::PrintToString(bytes);
    }

    for (const char* valid :
         {"", "\x7F", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xEE\x80\x80",
          "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF", "a\xC3\xA9z"}) {
        EXPECT_TRUE(isValidUtf8(valid)) << testing::PrintToString(valid);
    }
    // Overlong forms, surrogates, beyond U+10FFFF, a stray or missing continuation.
    for (const char* invalid :
         {"\x80", "\xBF", "\xC0\x80", "\xC1\xBF", "\xC2\x7F", "\xC2\xC0", "\xE0\x9F\xBF",
          "\xED\xA0\x80", "\xE1\x80\x7F", "\xE1\x80\xC0", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80",
          "\xF5\x80\x80\x80", "\xF1\x80\x80\x7F", "\xF8\x88\x80\x80\x80", "\xFF", "a\xC2",
          "\xE1\x80", "\xF1\x80\x80"}) {
        EXPECT_FALSE(isValidUtf8(invalid)) << testing::PrintToString(invalid);
    }
    EXPECT_FALSE(isValidUtf8(std::string_view("\xE1\x80\x80", 2))) << "cut off mid-character";
    EXPECT_EQ(utf8Characters("a\x80\xC3\xA9\xE1\x80"),
              (std::vector<std::string_view>{"a", "\x80", "\xC3\xA9", "\xE1", "\x80"}));
}

// What one install reported and left behind.
struct Copy {
    InstallResult checked = InstallResult::Failed, result = InstallResult::Failed;
    std::int64_t chunkCount = 0;
    std::vector<std::int64_t> chunks;
    int flushes = 0;
    bool namedBeforeFlush = false;
    size_t entriesMidway = 0;  // in BOOK/, halfway through the copy
    size_t listedMidway = 0;   // by the catalogue, then
};

class InstallerTest : public ::testing::Test {
  protected:
    std::string source(const std::string& bytes) { return writeFile(dir / "book.vxb", bytes); }

    Copy install(const std::string& sourcePath, const std::string& target = "007.vxr",
                 std::function<void(std::int64_t)> duringChunk = {}) {
        BookInstaller installer(sourcePath, pen.book, target, target.ends_with(".vxr"));
        Copy copy;
        copy.checked = installer.check();
        copy.chunkCount = installer.chunkCount();
        if (copy.checked != InstallResult::Installed) return copy;
        const auto chunkWritten = [&](std::int64_t chunk) {
            copy.chunks.push_back(chunk);
            if (chunk == copy.chunkCount / 2) {
                copy.entriesMidway = fileNamesIn(pen.book).size();
                copy.listedMidway = listBookFolder(pen.book).size();
            }
            if (duringChunk) duringChunk(chunk);
        };
        const auto flushing = [&] {
            ++copy.flushes;
            copy.namedBeforeFlush = existsInFolder(pen.book, target);
        };
        copy.result = installer.install({.chunkWritten = chunkWritten, .flushing = flushing});
        return copy;
    }

    TempDir dir;
    PenFolder pen;
};

TEST_F(InstallerTest, CopiesEveryChunkGivesACustomPackageItsLabelFieldAndLeavesNoPartBook) {
    // Size; chunks, the last one short or empty at a multiple of 1024; target; key; default label;
    // and the label field on the pen: key XOR label number for a custom package.
    using Row =
        std::tuple<size_t, std::int64_t, const char*, std::uint16_t, std::uint16_t, std::string>;
    const Row rows[] = {
        // A smart package is copied as it is, label field included (34 12 in the source).
        {185, 1, "001.vxs", 0xFFFF, 300, "\x34\x12"},
        {1024, 2, "001.vxs", 0xFFFF, 300, "\x34\x12"},
        {1025, 2, "001.vxs", 0xFFFF, 300, "\x34\x12"},
        {(3 << 20) + 5, 3 * 1024 + 1, "001.vxs", 0xFFFF, 300, "\x34\x12"},
        // The label number is the default label, or 1 when that is 0 or above 999.
        {5000, 5, "002.vxr", 0xA5C3, 999, "\x24\xA6"},
        {600, 1, "002.vxr", 0xFFFF, 256, "\xFF\xFE"},
        {600, 1, "002.vxr", 0x1234, 0, "\x35\x12"},
        {600, 1, "002.vxr", 0xA5C3, 1000, "\xC2\xA5"}};
    for (const auto& [size, chunks, target, key, defaultLabel, labelField] : rows) {
        SCOPED_TRACE(testing::Message() << size << " " << target << " " << defaultLabel);
        const std::string bytes = BookFile{.name = vxbName("书"),
                                           .labelField = 0x1234,
                                           .labelKey = key,
                                           .defaultLabel = defaultLabel,
                                           .size = size}
                                      .bytes();
        const Copy copy = install(source(bytes), target);
        ASSERT_EQ(copy.result, InstallResult::Installed);
        EXPECT_EQ(copy.chunkCount, chunks);
        std::vector<std::int64_t> all(static_cast<size_t>(chunks));
        std::iota(all.begin(), all.end(), 0);
        EXPECT_EQ(copy.chunks, all) << "each chunk once, in order";
        EXPECT_EQ(
            std::tie(copy.flushes, copy.namedBeforeFlush, copy.entriesMidway, copy.listedMidway),
            std::tuple(1, false, 1u, 0u));

        std::string expected = bytes;
        expected.replace(BookHeader::labelFieldOffset, 2, labelField);
        EXPECT_TRUE(readFile(pen.book + target) == expected) << "no other byte changes";
        EXPECT_EQ(fileNamesIn(pen.book), std::set<std::string>{target}) << "no temporary left";
        std::filesystem::remove(pen.book + target);
    }

    // The source changes or another program takes the name during the copy: nothing of the book
    // stays, and nothing is replaced.
    using Change = std::function<void(const std::string&)>;
    const std::vector<std::tuple<const char*, Change, InstallResult, Files>> changes = {
        {"cut short",
         [](const std::string& path) { ASSERT_EQ(truncate(path.c_str(), 1 << 20), 0); },
         InstallResult::Failed,
         {}},
        {"rewritten in place",
         [](const std::string& path) {
             std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).seekp(2 << 20)
                 << "new edition";
         },
         InstallResult::Failed,
         {}},
        {"name taken",
         [&](const std::string&) { pen.touch("005.vxr", "another program's"); },
         InstallResult::Taken,
         {{"005.vxr", "another program's"}}}};
    for (const auto& [what, change, result, left] : changes) {
        SCOPED_TRACE(what);
        const std::string path = source(BookFile{.name = vxbName("书"), .size = 3 << 20}.bytes());
        const Copy copy = install(path, "005.vxr", [&](std::int64_t chunk) {
            if (chunk == 10) change(path);
        });
        EXPECT_EQ(copy.result, result);
        EXPECT_EQ(copy.flushes, result == InstallResult::Taken);
        EXPECT_EQ(filesIn(pen.book), left);
    }
}

// Each refusal of a plan, in the order the checks run, with what the window and the command line
// tell the user and the command line's exit status.
TEST_F(InstallerTest, PlanRefusesWithTheMessageEachProgramShows) {
    const std::string book = BookFile{.name = vxbName("书"), .defaultTitle = 5}.bytes();
    pen.touch("001.VXR");
    const auto free = static_cast<std::int64_t>(std::filesystem::space(pen.book).available);
    writeFile(dir / "notes.txt", book);
    writeFile(dir / "short.vxb", book.substr(0, 184));
    writeFile(dir / "book.vxb", book);
    // Sparse: a gibibyte more than the pen's free space, and 4 GiB.
    ASSERT_EQ(truncate(writeFile(dir / "huge.vxb", book).c_str(), free + (1LL << 30)), 0);
    ASSERT_EQ(truncate(writeFile(dir / "big.vxb", book).c_str(), 1LL << 32), 0);
    std::filesystem::create_directory(dir / "folder.vxb");
    ASSERT_EQ(mkfifo((dir / "fifo.vxb").c_str(), 0600), 0);
    // A BOOK linked to a folder on the computer, the working folder too: "" is no folder.
    TempDir elsewhere;
    std::filesystem::create_directory_symlink(elsewhere.path(), dir / "linked");
    writeFile(elsewhere / "005.vxr", "x");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());

    const std::string noFolder =
        "the pen has no BOOK folder of its own (missing, or a link to "
        "elsewhere); nothing was written";
    struct Row {
        const char* file;
        const char* number;  // "" for the proposal
        O outcome;
        std::string window, commandLine = {};  // the window's when empty
        std::string folder = {};  // pen.book when empty; "-" none; "ro" pen.book, read-only
    };
    const Row rows[] = {
        {"notes.txt", "", O::NotPackage, texts::bookFileInvalid, "not a .vxb book package"},
        {"missing.vxb", "", O::SourceMissing, texts::bookFileInvalid, "no such file"},
        {"notes.txt/x.vxb", "", O::SourceUnreadable, texts::bookFileInvalid,
         "cannot read the file: Not a directory"},
        // The number first, even of a file that will not do.
        {"short.vxb", "1a2", O::NumberNotDigits, texts::numberNotDigits},
        {"short.vxb", "01", O::NumberNotThreeDigits, texts::numberNotThreeDigits},
        {"short.vxb", "001", O::NumberTaken, texts::numberTaken,
         "number 001 is taken; choose another with --number"},
        {"book.vxb", "", O::ReadOnly, texts::penReadOnly, texts::penReadOnlyCommandLine, "ro"},
        {"short.vxb", "", O::InvalidSource, texts::bookFileInvalid},
        {"folder.vxb", "", O::InvalidSource, texts::bookFileInvalid},
        {"fifo.vxb", "", O::InvalidSource, texts::bookFileInvalid},  // without hanging
        {"book.vxb", "", O::NoBookFolder, texts::installFailed, noFolder, dir / "NOBOOK/"},
        {"book.vxb", "", O::NoBookFolder, texts::installFailed, noFolder, dir / "linked/"},
        {"book.vxb", "", O::NoBookFolder, texts::installFailed, noFolder, "-"},
        {"huge.vxb", "", O::NoSpace, texts::penSpaceTooSmall},
        {"big.vxb", "", O::TooLarge, texts::bookFileTooLarge}};
    for (const Row& row : rows) {
        if (row.outcome == O::TooLarge && free <= (1LL << 32)) continue;
        SCOPED_TRACE(row.file + (" " + row.folder));
        const InstallPackage package = readInstallPackage(dir / row.file);
        const std::string folder = row.folder == "-"                          ? ""
                                   : row.folder.empty() || row.folder == "ro" ? pen.book
                                                                              : row.folder;
        const auto number = *row.number ? std::optional<std::string>(row.number) : std::nullopt;
        const O outcome = package.outcome != O::Installed
                              ? package.outcome
                              : planInstall(package, folder, number, [&] {
                                    return row.folder == "ro";
                                }).outcome();
        EXPECT_EQ(outcome, row.outcome);
        const texts::Message message = texts::messageFor(outcome);
        EXPECT_EQ(message.window, row.window);
        EXPECT_EQ(texts::fillIn(message.cli, {row.number, std::strerror(package.error)}),
                  row.commandLine.empty() ? row.window : row.commandLine);
        EXPECT_EQ(isUsersMistake(outcome), row.folder.empty() && outcome != O::NoSpace);
    }
    EXPECT_EQ(texts::messageFor(O::Failed).cli, std::string(texts::installFailed));
    EXPECT_EQ(texts::fillIn("“%1” %2", {"%2%1", "x"}), "“%2%1” x") << "values are not read again";
    EXPECT_EQ(fileNamesIn(pen.book), std::set<std::string>{"001.VXR"}) << "nothing written";
    std::filesystem::current_path(previous);
    EXPECT_EQ(fileNamesIn(elsewhere.path()), std::set<std::string>{"005.vxr"});
    EXPECT_FALSE(std::filesystem::exists(dir / "NOBOOK"));

    // Planned: the proposal, with the package's kind.
    InstallPlan plan = planInstall(readInstallPackage(dir / "book.vxb"), pen.book);
    EXPECT_EQ(std::tuple(plan.entry(), plan.custom(), plan.size()),
              std::tuple("005.vxr", true, static_cast<std::int64_t>(book.size())));
    EXPECT_EQ(plan.install({}), O::Installed);
    EXPECT_EQ(fileNamesIn(pen.book), (std::set<std::string>{"001.VXR", "005.vxr"}));
}

// The temporary files of installs killed outright go with the next install into their folder, but
// a running copy's stays; the command line's cleanup on a signal removes that of every copy
// running, in whichever thread.
TEST_F(InstallerTest, TemporariesOfKilledInstallsGoAndAnInterruptionRemovesEveryRunningOne) {
    pen.touch(".penshelf-0000dead.part", "half a book");
    pen.touch(".penshelf-00001ive.part", "being written");
    std::filesystem::create_symlink("/etc/passwd", pen.book + ".penshelf-0000link.part");
    // Another install is writing the second one: it holds its writer's lock, which belongs to its
    // open file, in this process or another.
    const int running = open((pen.book + ".penshelf-00001ive.part").c_str(), O_WRONLY);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(fcntl(running, F_OFD_SETLK, &lock), 0);

    EXPECT_EQ(install(source(BookFile{.name = vxbName("书")}.bytes()), "001.vxr").result,
              InstallResult::Installed);
    EXPECT_EQ(fileNamesIn(pen.book), (std::set<std::string>{"001.vxr", ".penshelf-00001ive.part",
                                                            ".penshelf-0000link.part"}));
    close(running);
    EXPECT_TRUE(std::filesystem::exists("/etc/passwd"));

    const PenFolder pens[2];
    std::atomic<int> underWay{0};
    std::atomic<bool> removed{false};
    const auto interrupt = [&](std::size_t which, std::size_t, std::int64_t chunk) {
        if (chunk != 0) return;
        ++underWay;
        while (underWay < 2) std::this_thread::yield();
        if (which == 0) {
            removeInterruptedInstall();
            removed = true;
        }
        while (!removed) std::this_thread::yield();
    };
    const InstallPackage book =
        readInstallPackage(source(BookFile{.name = "", .size = 3 << 20}.bytes()));
    const auto steps = installOnPens({book}, {{pens[0].book}, {pens[1].book}}, std::nullopt, 2,
                                     {.chunkWritten = interrupt});
    for (std::size_t which : {0, 1}) {
        EXPECT_EQ(steps[which].outcome, InstallOutcome::Failed) << "its file was gone";
        EXPECT_TRUE(fileNamesIn(pens[which].book).empty());
    }
}

// A read-only pen stands for every folder the install cannot write into: a temporary that cannot be
// made fails the install the same way.
TEST(InstallOnSmallVolume, FullOrReadOnlyPenFailsAndKeepsItsBooks) {
    TempDir dir;
    const std::string path =
        writeFile(dir / "book.vxb", BookFile{.name = vxbName("书"), .size = 3 << 20}.bytes());
    {
        MAKE_LOOP_VOLUME(volume, 6 * 1024);
        const auto free = std::filesystem::space(volume->book).available;
        const std::string exact = writeFile(dir / "exact.vxb", readFile(path));
        for (const auto& [bytesBeyondFree, fits] :
             {std::pair{0, InstallResult::Installed}, {1, InstallResult::NoSpace}}) {
            ASSERT_EQ(truncate(exact.c_str(), off_t(free) + bytesBeyondFree), 0);
            EXPECT_EQ(BookInstaller(exact, volume->book, "002.vxr", true).check(), fits);
        }
        BookInstaller installer(path, volume->book, "001.vxr", true);
        ASSERT_EQ(installer.check(), InstallResult::Installed);
        // Another program takes every free block as the copy starts.
        const auto fill = [&](std::int64_t chunk) {
            if (chunk == 0) runQuietly("dd if=/dev/zero of=" + volume->root + "/filler bs=64K");
        };
        EXPECT_EQ(installer.install({.chunkWritten = fill, .flushing = {}}), InstallResult::Failed);
        EXPECT_GT(std::filesystem::file_size(volume->root + "/filler"), 0u);
        EXPECT_TRUE(fileNamesIn(volume->book).empty());
    }
    MAKE_LOOP_VOLUME(volume, 4096, "errors=remount-ro");
    writeFile(volume->book + "001.vxr", BookFile{.name = vxbName("旧书")}.bytes());
    writeFile(path, BookFile{.name = vxbName("书"), .size = (1 << 20) + 5000}.bytes());
    BookInstaller installer(path, volume->book, "002.vxr", true);
    // Mounted read-only: refused before the copy.
    ASSERT_TRUE(volume->remount("ro"));
    EXPECT_EQ(installer.check(), InstallResult::ReadOnly);
    EXPECT_EQ(removeBookFile(volume->book, volume->book + "001.vxr"), RemovalResult::ReadOnly);
    // The kernel meets an error on the pen during the copy: the mount table and statvfs may go on
    // saying "rw", the writes fail with EROFS.
    ASSERT_TRUE(volume->remount("rw"));
    ASSERT_EQ(installer.check(), InstallResult::Installed);
    const auto damage = [&](std::int64_t chunk) {
        if (chunk == 0) {
            ASSERT_TRUE(volume->forceError());
        }
    };
    EXPECT_EQ(installer.install({.chunkWritten = damage, .flushing = {}}), InstallResult::ReadOnly);
    EXPECT_EQ(removeBookFile(volume->book, volume->book + "001.vxr"), RemovalResult::ReadOnly);
    EXPECT_EQ(installer.install({}), InstallResult::ReadOnly) << "nothing can be created";
    EXPECT_TRUE(std::filesystem::exists(volume->book + "001.vxr"));
    EXPECT_FALSE(std::filesystem::exists(volume->book + "002.vxr"));
}

// One file on one pen as installOnPens reports it: outcome, entry, renumbered.
using Step = std::tuple<InstallOutcome, std::string, bool>;
std::vector<Step> stepsOf(const std::vector<PenInstallStep>& steps) {
    std::vector<Step> out;
    for (const PenInstallStep& s : steps) out.emplace_back(s.outcome, s.entry, s.renumbered);
    return out;
}

// A smart package: copied byte for byte.
std::string smartBook(const TempDir& dir, const std::string& file, size_t size) {
    return writeFile(
        dir / file,
        BookFile{.name = vxbName("书"), .coverOid = 9, .defaultTitle = 5, .size = size}.bytes());
}

// One book onto four pens at once. The number the window shows goes onto each pen where it is free,
// else the pen's lowest free number of the book's kind; a full pen refuses alone, and a pen pulled
// out mid-copy fails alone, holding nothing of the book when plugged in again. An exact number
// (--number) is refused where it is taken.
TEST(InstallOnPens, EachPenGetsTheShownNumberOrItsLowestFreeAndFailsAlone) {
    MAKE_LOOP_VOLUME(full, 2048);
    // No periodic commit puts the temporary file's name on the disk before the pen is pulled.
    const auto pulled = LoopVolume::make(8192, why, "commit=300");
    ASSERT_TRUE(pulled && runQuietly("sync")) << why;
    TempDir dir;
    const std::string path = smartBook(dir, "book.vxb", 3 << 20);
    const std::string device = "/dev/" + pulled->device(), saved = dir / "pulled.img";
    PenFolder roomy, taken, fresh;
    for (const char* name : {"001.vxs", "003.vxs", "005.vxs"}) taken.touch(name);
    const auto pullOut = [&](std::size_t pen, std::size_t, std::int64_t chunk) {
        // The disk keeps what it held then, in saved; every read and write of it fails from now.
        if (pen == 3 && chunk == 0) {
            ASSERT_TRUE(runQuietly("cp --sparse=always " + pulled->image + " " + saved +
                                   " && truncate -s 0 " + pulled->image + " && losetup -c " +
                                   device + " && umount -l " + pulled->root));
        }
    };
    const InstallPackage package = readInstallPackage(path);
    EXPECT_EQ(
        stepsOf(installOnPens({package}, {{roomy.book}, {taken.book}, {full->book}, {pulled->book}},
                              "005", 4, {.chunkWritten = pullOut})),
        (std::vector<Step>{{O::Installed, "005.vxs", false},
                           {O::Installed, "002.vxs", true},
                           {O::NoSpace, "005.vxs", false},
                           {O::Failed, "005.vxs", false}}));
    EXPECT_EQ(filesIn(roomy.book), (Files{{"005.vxs", readFile(path)}}));
    EXPECT_TRUE(fileNamesIn(full->book).empty());
    std::filesystem::create_directory(dir / "again");
    ASSERT_TRUE(runQuietly("mount -o loop " + saved + " " + dir / "again"));
    EXPECT_TRUE(fileNamesIn(dir / "again/BOOK").empty());
    runQuietly("umount " + dir / "again");

    EXPECT_EQ(stepsOf(installOnPens({package}, {{taken.book, {}, true}, {fresh.book, {}, true}},
                                    "005", 2)),
              (std::vector<Step>{{O::NumberTaken, "", false}, {O::Installed, "005.vxs", false}}));
    EXPECT_EQ(
        filesIn(taken.book),
        (Files{{"001.vxs", "x"}, {"002.vxs", readFile(path)}, {"003.vxs", "x"}, {"005.vxs", "x"}}));
}

// 取消: pens done keep their books, the copies running give up leaving nothing, files not started
// are not begun.
TEST(InstallOnPens, CancelKeepsFinishedPensAndLeavesNoPartOfABook) {
    TempDir dir;
    const InstallPackage book = readInstallPackage(smartBook(dir, "book.vxb", 3 << 20));
    const InstallPackage small = readInstallPackage(smartBook(dir, "small.vxb", 700));
    PenFolder done, stopping, waiting;
    std::atomic<bool> cancel{false};
    std::atomic<int> doneFiles{0};
    const auto chunkWritten = [&](std::size_t pen, std::size_t, std::int64_t chunk) {
        if (pen == 0 || chunk != 0) return;
        while (doneFiles < 2) std::this_thread::yield();
        if (pen == 1) cancel = true;
        while (!cancel) std::this_thread::yield();
    };
    const auto steps =
        installOnPens({book, small}, {{done.book}, {stopping.book}, {waiting.book}}, "001", 3,
                      {.chunkWritten = chunkWritten,
                       .finished = [&](const PenInstallStep& step) { doneFiles += step.pen == 0; },
                       .cancel = &cancel});
    const Step stopped{O::Cancelled, "001.vxs", false}, notBegun{O::Cancelled, "", false};
    const Step first{O::Installed, "001.vxs", false}, second{O::Installed, "002.vxs", true};
    EXPECT_EQ(stepsOf(steps), (std::vector{first, second, stopped, notBegun, stopped, notBegun}));
    EXPECT_EQ(fileNamesIn(done.book), (std::set<std::string>{"001.vxs", "002.vxs"}));
    EXPECT_TRUE(fileNamesIn(stopping.book).empty() && fileNamesIn(waiting.book).empty());
}

}  // namespace
