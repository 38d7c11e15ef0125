// penshelf-cli pens, and how every pen command picks its pen.
#include "cli/CliTestSupport.h"

#include "device/PenRecord.h"
#include "support/ScopedEnv.h"
#include "texts/Texts.h"

#include <QJsonArray>

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

    const CliRun json = runCli({"pens", "--json"});
    EXPECT_EQ(json.status, 0);
    const QJsonArray list = json.json()["pens"].toArray();
    ASSERT_EQ(list.size(), 2);
    const QJsonObject pen = list[0].toObject();
    EXPECT_EQ(jsonText(pen["bsdName"]), "sim1s1");
    EXPECT_EQ(jsonText(pen["identityCode"]), "PEN00000001");
    EXPECT_EQ(jsonText(pen["displayName"]), penDisplayName);
    EXPECT_EQ(jsonText(pen["volume"]), first);
    EXPECT_EQ(jsonText(pen["bookFolder"]), first + "BOOK/");
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
    const CliRun books = runCli({"books"});
    EXPECT_EQ(books.status, 1);
    EXPECT_THAT(books.err, HasSubstr(texts::connectPenPrompt));

    addPen("a-pen", "PEN00000001");
    const CliRun only = runCli({"books", "--json"});
    EXPECT_EQ(only.status, 0);
    EXPECT_EQ(jsonText(only.json()["pen"]), "sim1s1");

    addPen("b-pen", "PEN00000002");
    const CliRun several = runCli({"books", "--json"});
    EXPECT_EQ(several.status, 1);
    EXPECT_THAT(several.err, HasSubstr("--pen"));
    const QJsonObject error = several.json()["error"].toObject();
    EXPECT_EQ(error["status"].toInt(), 1);
    EXPECT_THAT(jsonText(error["message"]), HasSubstr("sim1s1, sim2s1"));

    const CliRun chosen = runCli({"books", "--pen", "sim2s1", "--json"});
    EXPECT_EQ(chosen.status, 0);
    EXPECT_EQ(jsonText(chosen.json()["pen"]), "sim2s1");
    EXPECT_EQ(runCli({"books", "--pen=sim1s1"}).status, 0);

    const CliRun unknown = runCli({"eject", "--pen", "sdz1"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_THAT(unknown.err, HasSubstr("sdz1"));
}

TEST_F(PensCommand, AMistypedFolderOfPensIsAnErrorNotZeroPens) {
    const std::string missing = pens / "no-such-folder";
    const ScopedEnv env("PENSHELF_SIMULATE", missing);
    const CliRun run = runCli({"pens"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "penshelf-cli pens: PENSHELF_SIMULATE names no folder: " + missing + "\n");
    EXPECT_FALSE(std::filesystem::exists(missing)) << "the folder is not made";
}

TEST_F(PensCommand, HelpAndBadCommandLines) {
    const CliRun help = runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(runCli({"help"}).out, help.out);
    for (const char* name : {"pens", "books", "install", "remove", "eject", "soap"}) {
        EXPECT_THAT(help.out, HasSubstr(std::string("\n  ") + name + " ")) << name;
        const CliRun command = runCli({name, "--help"});
        EXPECT_EQ(command.status, 0) << name;
        EXPECT_EQ(command.out.rfind(std::string("usage: penshelf-cli ") + name + " ", 0), 0u)
            << command.out;
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
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 1) << testing::PrintToString(args);
        EXPECT_EQ(run.out, "") << testing::PrintToString(args);
    }
    const CliRun install = runCli({"install", "--json"});
    EXPECT_EQ(install.status, 1) << "install needs a file";
    EXPECT_EQ(install.json()["error"].toObject()["status"].toInt(), 1);
}

}  // namespace
