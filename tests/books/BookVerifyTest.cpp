// Reading every book of a pen to its end: what a verification says of each.

#include "books/BookVerify.h"

#include "support/BookFile.h"
#include "support/LoopVolume.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

using namespace penshelf;
using namespace penshelf::test;
using State = VerifiedBook::State;

namespace {

std::string sha256sum(const std::string& file) {
    return commandOutput("sha256sum " + file).value_or("").substr(0, 64);
}

// An ext4 volume on a loop device whose end has been moved into its one large book, at block
// cutBlock: reading past a block device's end fails with EIO, as a worn pen's flash does (an image
// file cut short reads as zeros). Small books are kept in their inodes (inline data), before the
// cut. Every book has been read once before the cut, as a pen in use has been.
struct CutShortVolume {
    CutShortVolume(const std::map<std::string, std::string>& books, const std::string& large,
                   int cutBlock) {
        for (const auto& [entry, bytes] : books) writeFile(dir / ("files/BOOK/" + entry), bytes);
        std::filesystem::create_directory(root);
        loop = commandOutput("truncate -s 24M " + image + " && mkfs.ext4 -q -F -b 4096 -I 1024 " +
                             "-O inline_data,^has_journal -d " + (dir / "files") + " " + image +
                             " && losetup -f --show " + image)
                   .value_or("");
        made = !loop.empty() &&
               commandOutput("at=$(debugfs -R 'bmap /BOOK/" + large + " " +
                             std::to_string(cutBlock) + "' " + image + ") && mount -o ro " + loop +
                             " " + root + " && cat " + root + "/BOOK/* >/dev/null" +
                             " && truncate -s $((at * 4096)) " + image + " && losetup -c " + loop);
    }
    ~CutShortVolume() { runQuietly("umount " + root + "; losetup -d " + loop); }

    TempDir dir;
    std::string image = dir / "pen.img", root = dir / "pen", loop;
    bool made = false;
};

TEST(BookVerify, anUnreadableBookIsDamageWithItsErrorAndWhere) {
    if (geteuid() != 0) GTEST_SKIP() << "a loop device needs root";
    // The disk ends 8 MiB into 001.vxr (at 4 KiB block 2048), after a block or more of it was
    // hashed: a boundary of every page-cache folio, so the failed read starts exactly there.
    const CutShortVolume volume(
        {{"001.vxr", BookFile{.name = vxbName("大书"), .size = 9 << 20}.bytes()},
         {"002.vxr", BookFile{.name = vxbName("小猪"), .size = 600}.bytes()}},
        "001.vxr", 2048);
    ASSERT_TRUE(volume.made) << "mkfs.ext4, debugfs, losetup, mount";

    const VerifyReport report = verifyBooks(volume.root + "/BOOK/");
    EXPECT_TRUE(report.foundDamage());
    ASSERT_EQ(report.books.size(), 2u);
    const VerifiedBook& cut = report.books[0];
    EXPECT_EQ(std::tie(cut.state, cut.error, cut.errorOffset, cut.sha256),
              std::tuple(State::Unreadable, EIO, std::uint64_t{8} << 20, ""));
    // The next book is read and hashed on its own.
    EXPECT_EQ(report.books[1].state, State::Readable);
    EXPECT_EQ(report.books[1].sha256, sha256sum(volume.root + "/BOOK/002.vxr"));
}

TEST(BookVerify, everyBookFileIsReadToItsEndAndJudgedByItsHeader) {
    TempDir dir;
    const std::string book = dir / "BOOK/";
    // Not a book folder: missing, or a link to one.
    EXPECT_FALSE(verifyBooks(book).bookFolderFound);
    writeFile(dir / "elsewhere/001.vxr", BookFile{.name = vxbName("x")}.bytes());
    std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "linked");
    EXPECT_FALSE(verifyBooks(dir / "linked/").bookFolderFound);

    // Crosses several reading blocks, and ends inside one.
    writeFile(book + "001.vxr",
              BookFile{.name = vxbName("三只小猪"), .size = (9 << 20) + 7}.bytes());
    writeFile(book + "002.vxs", BookFile{.name = "ATT001"}.bytes());
    writeFile(book + "003.vxr", BookFile{.name = "XYZ not a book"}.bytes());
    writeFile(book + "004.vxr", BookFile{.name = vxbName("短")}.bytes().substr(0, 100));
    std::filesystem::create_symlink(book + "001.vxr", book + "005.vxr");
    writeFile(book + "readme.txt", "not a book package file");
    // Reading writes nothing, not even an access time (a pen's file system records the date a file
    // was read).
    const timespec old[2] = {{1000, 0}, {UTIME_OMIT, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (book + "001.vxr").c_str(), old, 0), 0);

    std::vector<VerifyProgress> progress;
    const VerifyReport report = verifyBooks(
        book,
        {.progress = [&](const VerifyProgress& p) { progress.push_back(p); }, .cancelled = {}});
    EXPECT_TRUE(report.bookFolderFound);
    EXPECT_FALSE(report.foundDamage());
    struct stat st;
    ASSERT_EQ(stat((book + "001.vxr").c_str(), &st), 0);
    EXPECT_EQ(st.st_atim.tv_sec, 1000);

    std::vector<std::pair<std::string, State>> states;
    std::uint64_t total = 0;
    for (const VerifiedBook& verified : report.books) {
        states.emplace_back(verified.entry, verified.state);
        EXPECT_EQ(verified.size, std::filesystem::file_size(book + verified.entry));
        EXPECT_EQ(verified.sha256, sha256sum(book + verified.entry)) << verified.entry;
        total += verified.size;
    }
    EXPECT_EQ(states, (std::vector<std::pair<std::string, State>>{{"001.vxr", State::Readable},
                                                                  {"002.vxs", State::Readable},
                                                                  {"003.vxr", State::NotABook},
                                                                  {"004.vxr", State::NotABook}}));

    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(std::tie(progress.back().books, progress.back().done, progress.back().total),
              std::tuple(4u, total, total));
    EXPECT_TRUE(std::any_of(progress.begin(), progress.end(), [](const VerifyProgress& p) {
        return p.book == 0 && p.done > 0 && p.done < (9u << 20);  // within the large book too
    }));

    // A cancel stops the reading within the large book.
    std::uint64_t done = 0;
    const VerifyReport cancelled =
        verifyBooks(book, {.progress = [&](const VerifyProgress& p) { done = p.done; },
                           .cancelled = [&] { return done > 0; }});
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_TRUE(cancelled.books.empty());  // the book being read is not reported half-read
    EXPECT_LT(done, 9u << 20);
}

}  // namespace
