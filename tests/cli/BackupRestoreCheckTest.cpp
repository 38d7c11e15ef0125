// penshelf-cli backup, restore and check on simulated pens: the files in the folder and on the pens
// (for check, a FAT image), what each command prints, and its exit status.
#include "cli/CliTestSupport.h"

#include "books/BackupManifest.h"
#include "cli/PenCommandEntries.h"
#include "device/simulated/SimulatedPlatform.h"
#include "support/FatImage.h"

#include <QJsonArray>

#include <filesystem>
#include <set>
#include <tuple>

using namespace penshelf;
using namespace penshelf::test;

namespace {

class BackupRestoreCommands : public SimulatedPens {
  protected:
    void SetUp() override {
        first = addPen("a-pen", "PEN00000001") + "BOOK/";
        second = addPen("b-pen", "PEN00000002") + "BOOK/";
        // DEL and a C1 control (CSI) in the name: --json must not write them raw either.
        writeFile(first + "001.vxr",
                  BookFile{.name = vxbName("小猫\x7f\xc2\x9b"), .size = 3000}.bytes());
        writeFile(first + "002.vxs", smart);
    }
    const std::string smart = BookFile{.name = vxbName("恐龙"), .coverOid = 4}.bytes();
    std::string first, second;
    std::string folder = sources / "pen one";
};

TEST_F(BackupRestoreCommands, BackupThenRestoreOntoAnotherPen) {
    // Into a folder whose parents are missing too.
    folder = sources / "backups/pen one";
    const CliRun backup = runCli({"backup", folder, "--pen", "sim1s1", "--json"});
    EXPECT_EQ(backup.status, 0) << backup.err;
    const QJsonObject document = backup.json();
    EXPECT_EQ(jsonText(document["outcome"]), "done");
    const QJsonArray books = document["books"].toArray();
    ASSERT_EQ(books.size(), 2);
    EXPECT_EQ(jsonFields(books[0].toObject(), {"entry", "name"}), "001.vxr|小猫\x7f\xc2\x9b");
    EXPECT_THAT(backup.out, HasSubstr("小猫\\u007f\\u009b"));
    EXPECT_EQ(jsonText(books[1].toObject()["name"]), "恐龙");

    EXPECT_THAT(runCli({"restore", folder, "--pen", "sim2s1"}),
                Prints(0, "restored 001.vxr\nrestored 002.vxs\n"));
}

TEST_F(BackupRestoreCommands, ANumberTakenByAnotherBookNeedsAChoice) {
    writeFile(first + "003.vxr", BookFile{.name = "ATT001"}.bytes());  // shares 001.vxr
    ASSERT_EQ(runCli({"backup", folder, "--pen", "sim1s1"}).status, 0);
    writeFile(second + "001.vxr", BookFile{.name = vxbName("别的书")}.bytes());

    EXPECT_THAT(runCli({"restore", folder, "--pen", "sim2s1"}),
                Exits(1, "001.vxr; choose --on-conflict"));
    EXPECT_EQ(fileNamesIn(second).size(), 1u) << "nothing was written";
    EXPECT_EQ(runCli({"restore", folder, "--pen", "sim2s1", "--on-conflict", "rename"}).status, 1);
    EXPECT_THAT(runCli({"restore", folder, "--pen", "sim2s1", "--on-conflict", "skip"}),
                Prints(0,
                       "skipped 001.vxr: its number is taken\nrestored 002.vxs\n"
                       "skipped 003.vxr: the book it shares, 001.vxr, is not restored\n"));

    const QJsonObject renumbered =
        jsonOfSuccess({"restore", folder, "--pen", "sim2s1", "--on-conflict=renumber", "--json"});
    const QJsonArray restored = renumbered["restored"].toArray();
    ASSERT_EQ(restored.size(), 2);
    EXPECT_EQ(jsonText(restored[0].toObject()["penEntry"]), "002.vxr");
    // Once there, a renumbered book is left alone.
    EXPECT_THAT(
        runCli({"restore", folder, "--pen", "sim2s1", "--on-conflict=renumber"}),
        Prints(0,
               "already there 001.vxr as 002.vxr\nalready there 002.vxs\nalready there 003.vxr\n"));
}

TEST_F(BackupRestoreCommands, RefusalsAndDamageAreToldWithTheirStatus) {
    ASSERT_EQ(runCli({"backup", folder, "--pen", "sim1s1"}).status, 0);
    std::string changed = smart;
    changed[300] ^= 1;
    writeFile(folder + "/002.vxs", changed);
    const CliRun damaged = runCli({"restore", folder, "--pen", "sim2s1"});
    EXPECT_THAT(damaged, Prints(2, "restored 001.vxr\n"));
    EXPECT_THAT(damaged.err, HasSubstr("002.vxs: changed since the backup; skipped"));

    // Folders that cannot take a backup or are no backup are the user's to mend; a read-only pen is
    // refused for every write. Both pens untouched.
    std::filesystem::remove(first + "002.vxs");
    writeFile(pens / "a-pen/simulated-device.ini", "read-only = yes\n");
    writeFile(sources / "full/notes.txt", "mine");
    writeFile(sources / "format/" + backupManifestName, "{}");
    writeFile(sources / "json/" + backupManifestName, "{\"format\":");
    const std::string source = addSource("book.vxb", {.name = vxbName("书")});
    const std::string readOnly =
        ": the pen is mounted read-only (its file system may be damaged: "
        "try penshelf-cli check); nothing was written\n";
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
        {{"backup", sources / "full", "--pen", "sim2s1"}, 1, "holds files already"},
        {{"backup", sources / "full/notes.txt/x", "--pen", "sim2s1"}, 1, "txt/x: Not a directory"},
        {{"restore", sources / "none", "--pen", "sim2s1"}, 1, "no folder " + sources / "none\n"},
        {{"restore", sources / "format", "--pen", "sim2s1"},
         1,
         "format: the manifest penshelf-backup.json is not one of PenShelf's (format)\n"},
        {{"restore", sources / "json", "--pen", "sim2s1"},
         1,
         "json: the manifest penshelf-backup.json is damaged: not JSON\n"},
        {{"install", source, "--pen", "sim1s1"}, 2, readOnly},
        {{"remove", "001.vxr", "--yes", "--pen", "sim1s1"}, 2, readOnly},
        {{"restore", folder, "--pen", "sim1s1"}, 2, readOnly},
        {{"copy", "--from", "sim2s1", "--to", "sim1s1"}, 2, readOnly},
        {{"copy", "--from", "sim1s1", "--to", "a-pen"}, 1, "--from and --to name the same pen"}};
    for (const auto& [args, status, said] : cases) {
        EXPECT_THAT(runCli(args), Exits(status, said));
        EXPECT_EQ(fileNamesIn(first), std::set<std::string>{"001.vxr"}) << said;
        EXPECT_EQ(fileNamesIn(second), std::set<std::string>{"001.vxr"}) << said;
    }
}

class CheckCommand : public SimulatedPens {
  protected:
    void SetUp() override {
        volume = addPen("a-pen", "PEN00000001");
        writeFile(volume + "BOOK/001.vxr", BookFile{.name = vxbName("小猫")}.bytes());
        writeFile(volume + "BOOK/002.vxr", "cut short");
        image = volume + "pen.img";
        makeFatImage(image);
    }
    void useImage(const std::string& name) {
        writeFile(volume + "simulated-device.ini", "image = " + name + "\n");
    }

    std::string volume, image;
};

TEST_F(CheckCommand, SaysWhatCouldNotBeCheckedThenFindsDamageAndRepairsIt) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {nullptr, "the file system was not checked: this simulated pen has no file system image"},
        {"elsewhere.img", "is no regular file in the pen's folder"},
        {"../a-pen/pen.img", "is no regular file in the pen's folder"}};
    std::filesystem::create_symlink(image, volume + "elsewhere.img");
    for (const auto& [ini, said] : cases) {
        if (ini) useImage(ini);
        const CliRun run = runCli({"check"});
        EXPECT_THAT(run, Exits(2, said));
        EXPECT_THAT(run.err, Not(HasSubstr("healthy")));
    }
    EXPECT_EQ(runCli({"check", "extra"}).status, 1);

    damageFatImage(image, FatDamage::DirtyFlag);
    useImage("pen.img");

    const CliRun check = runCli({"check"});
    EXPECT_THAT(check, Exits(2, "check --repair"));
    EXPECT_THAT(check.out, HasSubstr("001.vxr\treadable"));
    EXPECT_THAT(check.out, HasSubstr("002.vxr\tnot a book package"));
    EXPECT_THAT(check.out, HasSubstr("file system: damaged"));

    const QJsonObject report = jsonOfSuccess({"check", "--repair", "--json"});
    EXPECT_TRUE(report["healthy"].toBool());
    EXPECT_EQ(jsonText(report["fileSystem"].toObject()["outcome"]), "damaged");
    EXPECT_EQ(jsonText(report["repair"].toObject()["outcome"]), "clean");
    EXPECT_EQ(report["booksAfter"].toArray().size(), 2);
    EXPECT_TRUE(report["changes"].toArray().isEmpty());

    EXPECT_THAT(runCli({"check"}), Exits(0, "the pen is healthy"));
}

// A pen whose file system check says what the test gives it, and whose repair cuts one book short
// and loses another, as fsck.fat may.
class RepairingPen : public SimulatedPlatform {
  public:
    RepairingPen(const std::string& folder, FileSystemCheck::Outcome found)
        : SimulatedPlatform(folder), found_(found) {}
    void checkFileSystem(const std::string&, FileSystemAction action,
                         std::function<void(const FileSystemCheck&)> done) override {
        if (action == FileSystemAction::Repair) {
            const std::string book = pens().begin()->second.path + "/BOOK/";
            std::filesystem::resize_file(book + "001.vxr", 100);
            std::filesystem::remove(book + "002.vxr");
        }
        const bool repaired = action == FileSystemAction::Repair;
        done({repaired ? FileSystemCheck::Outcome::Clean : found_, {}, {}, {}, true, false});
    }

  private:
    FileSystemCheck::Outcome found_;
};

TEST_F(CheckCommand, ARepairNamesTheBooksItChangedAndABusyPenIsLeftUnchecked) {
    RepairingPen inUse(pens.str(), FileSystemCheck::Outcome::Busy);
    RepairingPen damaged(pens.str(), FileSystemCheck::Outcome::Damaged);
    EXPECT_THAT(runOn(inUse, cli::checkAction, {"--repair"}),
                Exits(2, "another program is using the pen"));
    EXPECT_TRUE(std::filesystem::exists(volume + "BOOK/002.vxr")) << "no repair without damage";

    const CliRun repaired = runOn(damaged, cli::checkAction, {"--repair"});
    EXPECT_EQ(repaired.status, 0) << repaired.err;
    EXPECT_THAT(repaired.out, HasSubstr("changed 001.vxr\ngone 002.vxr\n"));
}

}  // namespace
