// penshelf-cli pens, and how every pen command picks its pen; books, remove, eject and install on
// simulated pens. install: proposals, a taken number, several files in one run, and files that
// cannot take part (pens that cannot: ManyPensTest).
#include "cli/CliTestSupport.h"

#include "books/Volumes.h"
#include "cli/PenCommandEntries.h"
#include "device/PenRecord.h"
#include "device/simulated/SimulatedPlatform.h"
#include "texts/SharedTexts.h"

#include <QJsonArray>

#include <filesystem>
#include <set>

using namespace penshelf;
using namespace penshelf::test;
using ::testing::MatchesRegex;

namespace {

using PensCommand = SimulatedPens;

TEST_F(PensCommand, ListsEveryPenWithItsCodeFreeSpaceAndVolume) {
    const std::string first = addPen("a-pen", "PEN00000001");
    const std::string second = addPen("b-pen", "PEN00000002", /*withBookFolder=*/false);

    // The free space of BOOK/, as the window shows it (other tests write meanwhile).
    const CliRun text = runCli({"pens"});
    EXPECT_EQ(text.status, 0);
    EXPECT_THAT(text.out, MatchesRegex("sim1s1\tPEN00000001\t[0-9]+\\.[0-9]+ (Byte|KB|MB|GB)\t" +
                                       first + "\nsim2s1\tPEN00000002\t---\t" + second + "\n"));
    EXPECT_EQ(text.err, "") << "discovery's log lines stay out without --verbose";

    const QJsonArray list = jsonOfSuccess({"pens", "--json"})["pens"].toArray();
    ASSERT_EQ(list.size(), 2);
    const QJsonObject pen = list[0].toObject();
    EXPECT_EQ(
        jsonFields(pen, {"bsdName", "identityCode", "displayName", "volume", "bookFolder"}),
        "sim1s1|PEN00000001|" + std::string(penDisplayName) + "|" + first + "|" + first + "BOOK/");
    EXPECT_NE(jsonText(pen["freeSpace"]), "---") << "the disk's free space";
    EXPECT_GT(pen["freeBytes"].toDouble(), 0);
    const QJsonObject bare = list[1].toObject();
    EXPECT_EQ(jsonText(bare["freeSpace"]), "---");
    EXPECT_TRUE(bare["freeBytes"].isNull());
}

TEST_F(PensCommand, TheOnlyPenIsMeantAndSeveralNeedPen) {
    // Without pens there is nothing to list, and nothing to work on.
    const CliRun none = runCli({"pens", "--json"});
    EXPECT_EQ(none.status, 0);
    EXPECT_TRUE(none.json()["pens"].toArray().isEmpty());
    EXPECT_EQ(none.err, "penshelf-cli pens: no pen is attached\n");
    EXPECT_THAT(runCli({"books"}), Exits(1, texts::connectPenPrompt));
    EXPECT_THAT(runCli({"eject", "--all-pens"}), Exits(1, texts::connectPenPrompt));

    addPen("a-pen", "PEN00000001");
    EXPECT_EQ(jsonText(jsonOfSuccess({"books", "--json"})["pen"]), "sim1s1");

    addPen("b-pen", "PEN00000002");
    const CliRun several = runCli({"books", "--json"});
    EXPECT_THAT(several, Exits(1, "--pen"));
    const QJsonObject error = several.json()["error"].toObject();
    EXPECT_EQ(error["status"].toInt(), 1);
    EXPECT_THAT(jsonText(error["message"]), HasSubstr("sim1s1, sim2s1"));

    EXPECT_EQ(jsonText(jsonOfSuccess({"books", "--pen", "sim2s1", "--json"})["pen"]), "sim2s1");
    EXPECT_EQ(runCli({"books", "--pen=sim1s1"}).status, 0);

    EXPECT_THAT(runCli({"eject", "--pen", "sdz1"}), Exits(1, "sdz1"));

    // A pen by identity code or folder name; a value that names several lists them.
    addPen("c-pen", "PEN00000002");
    EXPECT_EQ(jsonText(runCli({"books", "--pen", "c-pen", "--json"}).json()["pen"]), "sim3s1");
    EXPECT_EQ(jsonText(runCli({"books", "--pen", "PEN00000001", "--json"}).json()["pen"]),
              "sim1s1");
    EXPECT_THAT(runCli({"books", "--pen", "PEN00000002"}),
                Exits(1,
                      "PEN00000002 names several pens: sim2s1 (PEN00000002), sim3s1 "
                      "(PEN00000002); name one by its BSD name"));

    // A mistyped folder of pens is an error, not zero pens.
    const std::string missing = pens / "no-such-folder";
    const ScopedEnv env("PENSHELF_SIMULATE", missing);
    const CliRun run = runCli({"pens"});
    EXPECT_THAT(run, Prints(1, ""));
    EXPECT_EQ(run.err, "penshelf-cli pens: PENSHELF_SIMULATE names no folder: " + missing + "\n");
    EXPECT_FALSE(std::filesystem::exists(missing)) << "the folder is not made";
}

TEST_F(PensCommand, HelpAndBadCommandLines) {
    const CliRun help = runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("--all-pens"));
    EXPECT_EQ(runCli({"help"}).out, help.out);
    for (const char* name :
         {"pens", "books", "install", "remove", "eject", "backup", "copy", "soap"}) {
        EXPECT_THAT(help.out, HasSubstr(std::string("\n  ") + name + " ")) << name;
        const CliRun command = runCli({name, "--help"});
        EXPECT_EQ(command.status, 0) << name;
        const bool manyPens = std::set<std::string>{"install", "eject", "backup"}.contains(name);
        EXPECT_EQ(command.out.find("--all-pens") != std::string::npos, manyPens) << name;
        if (name != std::string("pens") && name != std::string("soap")) {
            EXPECT_THAT(command.out, HasSubstr("identity code")) << name;
        }
        EXPECT_THAT(command.out,
                    testing::StartsWith(std::string("usage: penshelf-cli ") + name + " "));
        EXPECT_EQ(runCli({"help", name}).out, command.out);
    }

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"shelve"},
             {"books", "--colour"},
             {"books", "--pen"},   // without its value
             {"eject", "sim1s1"},  // eject takes --pen, no operand
             {"remove", "--yes"},  // remove needs its book
         }) {
        EXPECT_THAT(runCli(args), Prints(1, "")) << testing::PrintToString(args);
    }
    const CliRun install = runCli({"install", "--json"});
    EXPECT_EQ(install.status, 1) << "install needs a file";
    EXPECT_EQ(install.json()["error"].toObject()["status"].toInt(), 1);
}

class BookCommands : public SimulatedPens {
  protected:
    void SetUp() override {
        volume = addPen("a-pen", "PEN00000001");
        book = volume + "BOOK/";
        // Written out of order: books sorts them, whatever order the folder gives.
        writeFile(book + "004.vxr", BookFile{.name = "ATT002"}.bytes());  // shares 002.vxr
        writeFile(book + "003.vxs", BookFile{.name = vxbName("恐龙"), .coverOid = 9}.bytes());
        writeFile(book + "002.vxr", BookFile{.name = vxbName("小猫")}.bytes());
        writeFile(book + "003.vxr", BookFile{.name = vxbName("小狗")}.bytes());
        writeFile(book + "005.vxb", BookFile{.name = vxbName("不是点读包")}.bytes());
        writeFile(book + "readme.txt", "not a book");
    }

    std::string volume, book;
};

TEST_F(BookCommands, BooksListsByNumberThenEntryAndRemoveTakesListedBooksOnlyWithYes) {
    EXPECT_THAT(runCli({"books"}), Prints(0,
                                          "002\tcustom\t小猫\t002.vxr\n"
                                          "003\tcustom\t小狗\t003.vxr\n"
                                          "003\tsmart\t恐龙\t003.vxs\n"
                                          "004\tshared\tVXB小猫(002)\t004.vxr\n"));

    const QJsonObject document = runCli({"books", "--json"}).json();
    EXPECT_EQ(jsonText(document["bookFolder"]), book);
    const QJsonArray rows = document["books"].toArray();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[2].toObject(), (QJsonObject{{"number", "003"},
                                               {"kind", "smart"},
                                               {"name", "恐龙"},
                                               {"entry", "003.vxs"},
                                               {"path", QString::fromStdString(book + "003.vxs")},
                                               {"stat", "智能-003"},
                                               {"flag", "S"}}))
        << QJsonDocument(rows[2].toObject()).toJson().toStdString();

    EXPECT_THAT(runCli({"remove", "002.vxr"}),
                Exits(1, std::string(texts::removeWarning) + " Add --yes"));

    for (const char* notListed : {"009.vxr", "005.vxb", "readme.txt", "../SYS/product.ini"}) {
        EXPECT_THAT(runCli({"remove", notListed, "--yes"}), Exits(1, "no book package"));
    }
    EXPECT_EQ(fileNamesIn(book).size(), 6u) << "nothing removed";
    EXPECT_TRUE(std::filesystem::exists(volume + "SYS/product.ini"));

    const QJsonObject shared = jsonOfSuccess({"remove", "004.vxr", "--yes", "--json"});
    EXPECT_EQ(jsonFields(shared["removed"].toObject(), {"kind", "path"}),
              "shared|" + book + "004.vxr");

    EXPECT_THAT(runCli({"remove", "--yes", "003.vxs"}), Prints(0, "removed 003.vxs (恐龙)\n"));
    EXPECT_EQ(runCli({"books"}).out, "002\tcustom\t小猫\t002.vxr\n003\tcustom\t小狗\t003.vxr\n");
}

TEST_F(BookCommands, HostileNamesStayOnTheirLineAndComeBackToRemove) {
    std::filesystem::remove_all(book);
    writeFile(book + "\xff" + "02.vxr", BookFile{.name = vxbName("无效")}.bytes());
    writeFile(book + "\t01.vxr", BookFile{.name = vxbName("坏\n\x1b[2J名\\")}.bytes());
    addPen("b-pen", "PEN\x1b]0;\n\xc2\x9bZ");  // 11 bytes

    EXPECT_EQ(runCli({"books", "--pen", "sim1s1"}).out,
              "\\t01\tcustom\t坏\\n\\x1b[2J名\\\\\t\\t01.vxr\n"
              "\\xff02\tcustom\t无效\t\\xff02.vxr\n");
    EXPECT_THAT(runCli({"pens"}).out, HasSubstr("\nsim2s1\tPEN\\x1b]0;\\n\\xc2\\x9bZ\t"));
    EXPECT_THAT(runCli({"pens", "--json"}).out, HasSubstr("PEN\\u001b]0;\\n\\u009bZ\""));
    const std::string escapedCode = "PEN\\x1b]0;\\n\\xc2\\x9bZ";  // as pens wrote it
    EXPECT_EQ(jsonText(runCli({"books", "--pen", escapedCode, "--json"}).json()["pen"]), "sim2s1");

    // Each entry as --json gives it removes that very file.
    const QJsonArray rows =
        runCli({"books", "--pen", "sim1s1", "--json"}).json()["books"].toArray();
    ASSERT_EQ(rows.size(), 2);
    for (const QJsonValue& row : rows) {
        const std::string entry = jsonText(row.toObject()["entry"]);
        EXPECT_EQ(runCli({"remove", entry, "--pen", "sim1s1", "--yes"}).status, 0) << entry;
    }
    EXPECT_TRUE(std::filesystem::is_empty(book));
}

// A simulated pen whose eject command fails (only busy's, when given); gone: it was pulled out
// meanwhile.
class FailingEject : public SimulatedPlatform {
  public:
    FailingEject(std::string folder, bool gone, std::string busy = {})
        : SimulatedPlatform(std::move(folder)), gone_(gone), busy_(std::move(busy)) {}
    bool eject(const std::string& bsdName) override {
        if (!busy_.empty() && bsdName != busy_) return SimulatedPlatform::eject(bsdName);
        if (gone_) folderVolumes().unmount(bsdName);
        return false;
    }

  private:
    bool gone_;
    std::string busy_;
};

TEST_F(BookCommands, EjectKeepsAStillMountedPenAndSaysSo) {
    EXPECT_THAT(runCli({"eject"}), Prints(0, "ejected sim1s1\n"));
    EXPECT_EQ(jsonText(runCli({"eject", "--json"}).json()["outcome"]), "ejected");

    FailingEject stays(pens.str(), /*gone=*/false), gone(pens.str(), /*gone=*/true);
    const CliRun failed = runOn(stays, cli::ejectAction, {"--json"});
    EXPECT_THAT(failed, Exits(2, texts::ejectFailed));
    EXPECT_EQ(jsonFields(failed.json()["error"].toObject(), {"status", "message"}),
              "2|" + std::string(texts::ejectFailed));

    const CliRun pulled = runOn(gone, cli::ejectAction, {"--pen", "sim1s1", "--json"});
    EXPECT_EQ(pulled.status, 0) << "a pen no longer mounted is safe to pull out";
    EXPECT_EQ(jsonText(pulled.json()["outcome"]), "gone");

    // Of several pens, a busy one stays and the others still go.
    addPen("b-pen", "PEN00000002");
    addPen("c-pen", "PEN00000003");
    FailingEject oneBusy(pens.str(), /*gone=*/false, "sim2s1");
    const CliRun all = runOn(oneBusy, cli::ejectAction, {"--all-pens"});
    EXPECT_THAT(all, Prints(2, "ejected sim1s1\nejected sim3s1\n"));
    EXPECT_EQ(all.err, "penshelf-cli eject: sim2s1: " + std::string(texts::ejectFailed) + "\n");
    EXPECT_EQ(oneBusy.volumes().GetVolumePath("sim3s1"), "");
}

using InstallCommand = SimulatedPens;

TEST_F(InstallCommand, InstallsEachFileWithTheWindowsProposalOrTheNumberGiven) {
    const std::string book = addPen("a-pen", "PEN00000001") + "BOOK/";
    // Both custom packages propose their default title 1, which the first one takes; a smart
    // package counts only smart numbers.
    const std::string first =
        addSource("first.vxb", {.name = vxbName("第一本"), .defaultTitle = 1, .size = 5000});
    const std::string second =
        addSource("second.vxb", {.name = vxbName("第二本"), .defaultTitle = 1});
    const std::string third =
        addSource("third.vxb", {.name = vxbName("第三本"), .coverOid = 5, .size = 2048});

    const std::string text = addSource("notes.txt", {.name = vxbName("笔记")});
    const CliRun run = runCli({"install", first, second, text, third, "--json"});
    // The worst outcome: a number taken, a file that is no package.
    EXPECT_THAT(run, Exits(1, text + ": not a .vxb book package\n"));
    const std::string taken = "number 001 is taken; choose another with --number";
    EXPECT_THAT(run.err, HasSubstr(second + ": " + taken + "\n"));

    const QJsonObject document = run.json();
    EXPECT_EQ(jsonText(document["pen"]), "sim1s1");
    const QJsonArray installs = document["installs"].toArray();
    ASSERT_EQ(installs.size(), 4);
    EXPECT_EQ(jsonFields(installs[1].toObject(), {"installed", "status", "number", "message"}),
              "false|1|001|" + taken);
    EXPECT_EQ(jsonText(installs[3].toObject()["entry"]), "001.vxs")
        << "the failure before did not stop it";
    EXPECT_EQ(runCli({"books"}).out, "001\tcustom\t第一本\t001.vxr\n001\tsmart\t第三本\t001.vxs\n");

    // A number given is used for one file only.
    EXPECT_THAT(runCli({"install", second, "--number=999"}),
                Prints(0, "installed " + second + " as 999.vxr\n"));
    EXPECT_EQ(runCli({"install", second, second, "--number", "005"}).status, 1);
    EXPECT_EQ(fileNamesIn(book), (std::set<std::string>{"001.vxr", "001.vxs", "999.vxr"}));
}

}  // namespace
