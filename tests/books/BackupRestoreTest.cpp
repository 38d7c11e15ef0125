// Backing a pen up and restoring it: the files and the manifest in the backup folder, the files on
// the pen, and what a bad backup, an unreadable book or a cancel leave behind.

#include "books/Backup.h"
#include "books/PenCopy.h"
#include "books/Restore.h"
#include "books/Sha256.h"

#include "support/BookFile.h"
#include "support/LoopVolume.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <ctime>
#include <map>

using namespace penshelf;
using namespace penshelf::test;

namespace {

void put(const std::string& folder, const Files& files) {
    for (const auto& [name, bytes] : files) writeFile(folder + name, bytes);
}

const Files sampleBooks = {
    // More than one block of the copy, so that a block's end is checked too.
    {"001.vxr", BookFile{.name = vxbName("小猫钓鱼"), .size = (1 << 20) + 5000}.bytes()},
    // A name that the manifest must escape, and an extension in capitals.
    {"002.VXS", BookFile{.name = vxbName("恐龙\"世界\\"), .coverOid = 3, .size = 3000}.bytes()},
    {"003.vxr", BookFile{.name = "ATT001", .size = 700}.bytes()}};

// 2026-12-06 06:03:11 UTC.
constexpr std::time_t backupTime = 1796536991;

BackupReport backUp(const std::string& book, const std::string& folder,
                    const BackupCallbacks& callbacks = {}) {
    return backUpPen({.bookFolder = book,
                      .folder = folder,
                      .identityCode = "KLV8A3C5D21",
                      .product = "PEN",
                      .when = backupTime},
                     callbacks);
}

BackupManifest manifestIn(const std::string& folder) {
    const ManifestReading reading = readBackupManifest(readFile(folder + "/" + backupManifestName));
    EXPECT_EQ(reading.error, ManifestError::None) << reading.detail;
    return reading.manifest.value_or(BackupManifest{});
}

// Each book's outcome, "<entry in the backup>: <kind> <entry on the pen>; ...".
std::string outcomes(const RestoreReport& report) {
    static const char* kinds[] = {"restored", "already there", "skipped",           "missing",
                                  "changed",  "failed",        "skipped, it shares"};
    std::map<std::string, std::string> shown;
    for (const RestoreResult& result : report.books) {
        shown[result.book.entry] = std::string(kinds[static_cast<int>(result.kind)]) + " " +
                                   result.penEntry + result.shares;
    }
    std::string text;
    for (const auto& [entry, outcome] : shown) text += entry + ": " + outcome + "; ";
    return text;
}

RestoreReport restore(const std::string& folder, const std::string& book,
                      ConflictChoice choice = ConflictChoice::Skip) {
    const PlanReport planned = planRestore(folder, book);
    EXPECT_EQ(planned.status, PlanStatus::Ready) << planned.detail;
    return planned.plan ? runRestore(*planned.plan, choice) : RestoreReport{};
}

class BackupRestoreTest : public ::testing::Test {
  protected:
    BackupRestoreTest() {
        std::filesystem::create_directories(pen);
        std::filesystem::create_directories(otherPen);
    }
    TempDir dir;
    std::string pen = dir / "pen/BOOK/", otherPen = dir / "other/BOOK/";
    std::string folder = dir / "KLV8A3C5D21 2026-12-06";
};

TEST_F(BackupRestoreTest, BackupThenRestoreGivesTheSameFilesUnderTheSameNames) {
    Files books = sampleBooks;
    // A title that is no GB 18030: left out of the book list, never out of a backup.
    books["005.vxr"] = BookFile{.name = "VXB\x81\x7f", .size = 400}.bytes();
    put(pen, books);
    // What a backup killed outright leaves in its folder goes.
    writeFile(folder + "/.penshelf-0badf00d.part", "half a book");
    // Listed by the catalogue but no plain book name; and a link, never followed.
    writeFile(pen + "A/1.vxr", BookFile{.name = vxbName("子目录")}.bytes());
    writeFile(dir / "elsewhere.vxr", BookFile{.name = vxbName("外面")}.bytes());
    std::filesystem::create_symlink(dir / "elsewhere.vxr", pen + "004.vxr");

    const ScopedEnv zone("TZ", "UTC-8");
    const BackupReport report = backUp(pen, folder);
    EXPECT_EQ(report.status, BackupStatus::Done);
    ASSERT_EQ(report.failed.size(), 1u);
    EXPECT_EQ(report.failed[0].entry, "A/1.vxr");
    EXPECT_EQ(report.failed[0].why, BackupFailure::NotPlainName);

    Files backup = filesIn(folder);
    ASSERT_EQ(backup.erase(backupManifestName), 1u);
    EXPECT_EQ(backup, books) << "no temporary file left";
    const BackupManifest manifest = manifestIn(folder);
    EXPECT_EQ(std::tie(manifest.identityCode, manifest.product, manifest.date),
              std::tuple("KLV8A3C5D21", "PEN", "2026-12-06T14:03:11+08:00"));
    const std::vector<std::vector<std::string>> expected = {
        {"001.vxr", "001", "custom", "小猫钓鱼"},
        {"002.VXS", "002", "smart", "恐龙\"世界\\"},
        {"003.vxr", "003", "shared", "VXB小猫钓鱼(001)"},  // as the book table shows it
        {"005.vxr", "005", "custom", ""}};
    ASSERT_EQ(manifest.books.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const BackupBook& book = manifest.books[i];
        EXPECT_EQ((std::vector<std::string>{book.entry, book.number, book.kind, book.name}),
                  expected[i]);
        EXPECT_EQ(book.size, books.at(book.entry).size());
        EXPECT_EQ(book.sha256, sha256Hex(books.at(book.entry))) << book.entry;
    }

    // After the first book the pen goes (unmounted lazily) and another comes at its path.
    const PlanReport planned = planRestore(folder, otherPen);
    ASSERT_TRUE(planned.plan);
    const auto swapPens = [&](const BookCopyProgress& p) {
        if (p.book != 1 || std::filesystem::exists(dir / "gone")) return;
        std::filesystem::rename(dir / "other", dir / "gone");
        std::filesystem::create_directories(otherPen);
    };
    EXPECT_EQ(outcomes(runRestore(*planned.plan, ConflictChoice::Skip, {swapPens, {}})),
              "001.vxr: restored 001.vxr; 002.VXS: restored 002.VXS; 003.vxr: restored 003.vxr; "
              "005.vxr: restored 005.vxr; ");
    EXPECT_EQ(filesIn(dir / "gone/BOOK"), books) << "byte for byte, the label field untouched";
    EXPECT_TRUE(std::filesystem::is_empty(otherPen));

    EXPECT_EQ(backUp(pen, folder).status, BackupStatus::FolderNotEmpty);
    EXPECT_EQ(filesIn(folder).size(), 5u);
}

// A copy between pens goes through a folder in the user's cache, which it leaves as it found it.
// Damaged files in it are skipped.
TEST_F(BackupRestoreTest, CopyBetweenPensSkipsConflictsOrDamageOrRenumbersAndReplacesNothing) {
    put(pen, sampleBooks);
    ScopedEnv cache("XDG_CACHE_HOME", "cache");
    cache.set("HOME", "home");
    int error = 0;
    EXPECT_FALSE(PenCopyFolder::make(error)) << "no cache folder without an absolute home";
    cache.set("XDG_CACHE_HOME", dir / "cache");
    std::optional<PenCopyFolder> through = PenCopyFolder::make(error);
    ASSERT_TRUE(through) << std::strerror(error);
    const std::string folder = through->path();
    ASSERT_EQ(backUp(pen, folder).status, BackupStatus::Done);
    const std::string mine = BookFile{.name = vxbName("别的书"), .size = 900}.bytes();
    const std::string yours = BookFile{.name = vxbName("另一本"), .size = 800}.bytes();

    // The shared 003.vxr plays the backup's 001.vxr: renumbered, it names 004.
    std::string shares004 = sampleBooks.at("003.vxr");
    shares004.replace(3, 3, "004");

    struct Case {
        ConflictChoice choice;
        std::string outcome, again;  // of the restore, and of the same restore once more
        Files added;
    };
    // 001 and 002 are taken; 003 comes back under its own number, sharing what 001 became.
    for (const Case& c : {Case{ConflictChoice::Skip,
                               "001.vxr: skipped ; 003.vxr: skipped, it shares 001.vxr; ",
                               "001.vxr: skipped ; 003.vxr: skipped, it shares 001.vxr; ",
                               {}},
                          Case{ConflictChoice::Renumber,
                               "001.vxr: restored 004.vxr; 003.vxr: restored 003.vxr; ",
                               "001.vxr: already there 004.vxr; 003.vxr: already there 003.vxr; ",
                               {{"004.vxr", sampleBooks.at("001.vxr")}, {"003.vxr", shares004}}}}) {
        SCOPED_TRACE(c.outcome);
        std::filesystem::remove_all(otherPen);
        // Its own 001.vxr and 002.vxr, and the backup's 002.VXS as a FAT pen names it.
        const Files onPen = {
            {"001.vxr", mine}, {"002.vxr", yours}, {"002.vxs", sampleBooks.at("002.VXS")}};
        put(otherPen, onPen);
        const auto withBook002 = [](std::string text) {
            return text.insert(text.find("003"), "002.VXS: already there 002.VXS; ");
        };
        EXPECT_EQ(outcomes(restore(folder, otherPen, c.choice)), withBook002(c.outcome));
        EXPECT_EQ(outcomes(restore(folder, otherPen, c.choice)), withBook002(c.again));
        Files expected = onPen;
        expected.insert(c.added.begin(), c.added.end());
        EXPECT_EQ(filesIn(otherPen), expected);
    }

    // One byte changed; a link in place of a book, to a file with its very bytes. The shared
    // 003.vxr would play whatever the pen has as 001: it stays out too.
    std::string changed = sampleBooks.at("001.vxr");
    changed[4000] ^= 1;
    writeFile(folder + "/001.vxr", changed);
    writeFile(dir / "copy.vxs", sampleBooks.at("002.VXS"));
    std::filesystem::remove(folder + "/002.VXS");
    std::filesystem::create_symlink(dir / "copy.vxs", folder + "/002.VXS");
    std::filesystem::remove_all(otherPen);
    std::filesystem::create_directories(otherPen);
    EXPECT_EQ(outcomes(restore(folder, otherPen)),
              "001.vxr: changed ; 002.VXS: missing ; 003.vxr: skipped, it shares 001.vxr; ");
    EXPECT_TRUE(std::filesystem::is_empty(otherPen));

    through.reset();
    EXPECT_TRUE(std::filesystem::is_empty(dir / "cache/penshelf"));
}

TEST_F(BackupRestoreTest, TheManifestReaderIsStrictAndThePenStaysAsItWas) {
    const std::string book = R"({"entry": "001.vxr", "number": "001", "kind": "custom", "name": )"
                             R"("", "size": 5000, "sha256": ")" +
                             std::string(64, 'a') + R"("})";
    const std::string good = R"({"format": "penshelf-backup", "version": 1, "date": "2026-12-06", )"
                             R"("books": [)" +
                             book + "]}";
    // The text with the first from in it made to.
    const auto edit = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    const auto name = [&](const std::string& text) {
        return edit(good, R"("")", '"' + text + '"');
    };
    // As the writer before nlohmann-json wrote it, escapes and all.
    const std::string earlier =
        "{\n  \"format\": \"penshelf-backup\",\n  \"version\": 1,\n"
        "  \"identityCode\": null,\n  \"product\": null,\n  \"date\": "
        "\"2026-12-06\",\n  \"books\": [\n    " +
        edit(book, R"("")", R"("\"\\\t\u007f/")") + "\n  ]\n}\n";
    using enum ManifestError;
    // What the reader says of each text: its detail, or the book's name when it accepts.
    const std::vector<std::tuple<std::string, ManifestError, std::string>> cases = {
        {good + "]", NotJson, ""},
        {std::string(100000, '['), NotJson, ""},
        {"\xEF\xBB\xBF" + good, NotJson, ""},
        // Arrays nested as deep as 32 and 33, the root being at 0.
        {edit(good, "]}", "], \"x\": " + std::string(32, '[') + std::string(32, ']') + "}"), None,
         ""},
        {edit(good, "]}", "], \"x\": " + std::string(33, '[') + std::string(33, ']') + "}"),
         NotJson, ""},
        {edit(good, "{", R"({"date": "2026-12-07", )"), NotJson, ""},
        {edit(good, R"("name")", R"("name": "", "name")"), NotJson, ""},
        // No UTF-8 (nlohmann's lexer tells every kind; the reader must not relax it).
        {"\"\xff\xfe\"", NotJson, ""},
        {name("\xE5\xB0"), NotJson, ""},
        {name(R"(\uD83D)"), NotJson, ""},
        {name(R"(\uDE00)"), NotJson, ""},
        {name(R"(\uD83D\u0041)"), NotJson, ""},
        {name(R"(\u5C0F\ud83d\uDE00\u00e9)"), None, "小😀é"},
        {"[]", NotAManifest, "format"},
        {edit(good, "1,", R"("1",)"), NotAManifest, "version"},
        {edit(good, "{", R"({"identityCode": 5, )"), NotAManifest, "identityCode"},
        {edit(good, "5000", "-1"), NotAManifest, "001.vxr: size"},
        {edit(good, "5000", "5000.0"), NotAManifest, "001.vxr: size"},
        {edit(good, "5000", R"("5000")"), NotAManifest, "001.vxr: size"},
        {edit(good, "5000", "9007199254740992"), NotAManifest, "001.vxr: size"},
        {edit(good, "5000", "9007199254740991"), None, ""},
        {edit(good, R"("001",)", R"("002",)"), NotAManifest, "001.vxr: number"},
        {edit(good, R"("001",)", "1,"), NotAManifest, "001.vxr: number"},
        {edit(good, "custom", "other"), NotAManifest, "001.vxr: kind"},
        {edit(good, "1,", "2,"), UnknownVersion, "2"},
        {edit(good, "1,", "1.00,"), UnknownVersion, "1.00"},
        {edit(good, "1,", "-0,"), UnknownVersion, "-0"},
        {edit(good, "001.vxr", "../x"), BadEntry, "../x"},
        {edit(good, "001.vxr", std::string(40, 'x')), BadEntry, std::string(40, 'x')},
        {edit(good, "001.vxr", std::string(41, 'x')), BadEntry, std::string(40, 'x') + "…"},
        {edit(good, "001.vxr", R"(001.vxr\u0000)"), BadEntry, std::string("001.vxr\0", 8)},
        {edit(good, "]}", ", " + edit(book, "vxr", "VXR") + "]}"), BadEntry, "001.VXR"},
        {earlier, None, "\"\\\t\x7f/"},
        // The file's size, at the limit and one byte over.
        {good + std::string(maxManifestSize - good.size(), ' '), None, ""},
        {good + std::string(maxManifestSize + 1 - good.size(), ' '), Unreadable, ""}};
    for (const auto& [text, error, detail] : cases) {
        SCOPED_TRACE(text.substr(0, 160));
        writeFile(folder + "/" + backupManifestName, text);
        const PlanReport planned = planRestore(folder, otherPen);
        EXPECT_EQ(planned.status, error == None ? PlanStatus::Ready : PlanStatus::BadManifest);
        EXPECT_EQ(planned.manifestError, error);
        EXPECT_EQ(planned.plan ? planned.plan->manifest.books.at(0).name : planned.detail, detail);
    }
    // A manifest that is a link, even to a good one, is no manifest.
    writeFile(dir / "good.json", good);
    std::filesystem::remove(folder + "/" + backupManifestName);
    std::filesystem::create_symlink(dir / "good.json", folder + "/" + backupManifestName);
    EXPECT_EQ(planRestore(folder, otherPen).manifestError, ManifestError::Missing);
    EXPECT_TRUE(std::filesystem::is_empty(otherPen));
}

TEST_F(BackupRestoreTest, AnUnreadableOrCancelledBookLeavesNoPartialFileAndATrueManifest) {
    Files books;
    for (const char* entry : {"001.vxr", "002.vxr", "003.vxr"}) {
        books[entry] = BookFile{.name = vxbName(entry), .size = (3 << 20) + 17}.bytes();
    }
    put(pen, books);
    // The second book is cut short as it is read, as by a pen pulled out; the third is cancelled.
    bool inThirdBook = false;
    const auto progress = [&](const BookCopyProgress& p) {
        if (p.book == 1 && p.bookDone == (1u << 20)) {
            EXPECT_EQ(truncate((pen + "002.vxr").c_str(), 1 << 20), 0);
        }
        inThirdBook = p.book == 2 && p.bookDone > 0;
    };
    const BackupReport report =
        backUp(pen, folder, {.progress = progress, .cancelled = [&] { return inThirdBook; }});
    EXPECT_EQ(report.status, BackupStatus::Cancelled);
    ASSERT_EQ(report.failed.size(), 1u);
    EXPECT_EQ(report.failed[0].why, BackupFailure::ReadFailed);
    // The first book whole, a manifest of it alone, and nothing else.
    EXPECT_EQ(filesIn(folder).size(), 2u);
    EXPECT_EQ(readFile(folder + "/001.vxr"), books.at("001.vxr"));
    const BackupManifest manifest = manifestIn(folder);
    ASSERT_EQ(manifest.books.size(), 1u);
    EXPECT_EQ(manifest.books[0].entry, "001.vxr");
    EXPECT_EQ(manifest.books[0].sha256, sha256Hex(books.at("001.vxr")));
}

TEST_F(BackupRestoreTest, SizesNoPenHoldsAreRefusedUnreadAndRoomBeforeAnythingIsWritten) {
    MAKE_LOOP_VOLUME(volume, 8192);
    put(pen, {{"001.vxr", BookFile{.name = vxbName("小书")}.bytes()},
              {"002.vxr", BookFile{.name = vxbName("大书"), .size = 3 << 20}.bytes()}});
    ASSERT_EQ(backUp(pen, folder).status, BackupStatus::Done);
    // The books fit the volume, not the room left on it.
    writeFile(volume->root + "/filler", std::string(5 << 20, '.'));
    const RestoreReport report = restore(folder, volume->book);
    EXPECT_EQ(report.status, RestoreStatus::NoSpace);
    EXPECT_GT(report.needed, report.available);
    EXPECT_TRUE(report.books.empty());
    EXPECT_TRUE(std::filesystem::is_empty(volume->book)) << "not even the small book";

    // Sparse books whose sizes the manifest confirms: 1 TiB, more than any pen holds in a file, and
    // 8 MiB, beyond the whole volume.
    BackupManifest manifest = manifestIn(folder);
    for (const auto& [entry, size] : {std::pair{"003.vxr", 1ull << 40}, {"004.vxr", 8ull << 20}}) {
        writeFile(folder + "/" + entry, BookFile{.name = vxbName(entry)}.bytes());
        ASSERT_EQ(truncate((folder + "/" + entry).c_str(), static_cast<off_t>(size)), 0);
        manifest.books.push_back(
            {entry, std::string(entry, 3), "custom", "", size, std::string(64, 'a')});
    }
    writeFile(folder + "/" + backupManifestName, writeBackupManifest(manifest));
    bool hugeRead = false;
    const auto progress = [&](const BookCopyProgress& p) {
        hugeRead |= p.current->size > 1u << 30 && p.bookDone > 0;
    };
    const RestoreCallbacks watch{.progress = progress, .cancelled = [&] { return hugeRead; }};
    const PlanReport beyond = planRestore(folder, volume->book, watch);
    EXPECT_EQ(beyond.status, PlanStatus::TooLarge);
    EXPECT_GT(beyond.needed, beyond.capacity);
    const PlanReport fits = planRestore(folder, otherPen, watch);
    ASSERT_TRUE(fits.plan);
    const RestoreReport huge = runRestore(*fits.plan, ConflictChoice::Skip);
    EXPECT_EQ(outcomes(huge),
              "001.vxr: restored 001.vxr; 002.vxr: restored 002.vxr; "
              "003.vxr: failed ; 004.vxr: changed ; ");
    EXPECT_EQ(huge.books[0].failure, InstallResult::TooLarge);
    EXPECT_FALSE(hugeRead);
}

}  // namespace
