// penshelf-cli install: proposals, a taken number, several files in one run,
// and files and pens that cannot take part.
#include "cli/CliTestSupport.h"

#include "texts/Texts.h"

#include <QJsonArray>

#include <filesystem>
#include <set>

using namespace penshelf;
using namespace penshelf::test;

namespace {

class InstallCommand : public SimulatedPens {
  protected:
    void SetUp() override { book = addPen("a-pen", "PEN00000001") + "BOOK/"; }
    std::string book;
};

TEST_F(InstallCommand, InstallsEachFileWithTheWindowsProposalAndGoesOnAfterAFailure) {
    // Both custom packages propose their default title 1, which the first one
    // takes; a smart package counts only smart numbers.
    const std::string first =
        addSource("first.vxb", {.name = vxbName("第一本"), .defaultTitle = 1, .size = 5000});
    const std::string second =
        addSource("second.vxb", {.name = vxbName("第二本"), .defaultTitle = 1});
    const std::string third =
        addSource("third.vxb", {.name = vxbName("第三本"), .coverOid = 5, .size = 2048});

    const CliRun run = runCli({"install", first, second, third, "--json"});
    EXPECT_EQ(run.status, 1) << "the worst outcome: a number taken";
    const std::string taken =
        std::string(texts::numberTaken) + " (number 001 is taken; choose another with --number)";
    EXPECT_THAT(run.err, HasSubstr(second + ": " + taken + "\n"));

    const QJsonObject document = run.json();
    EXPECT_EQ(jsonText(document["pen"]), "sim1s1");
    const QJsonArray installs = document["installs"].toArray();
    ASSERT_EQ(installs.size(), 3);
    const QJsonObject refused = installs[1].toObject();
    EXPECT_FALSE(refused["installed"].toBool());
    EXPECT_EQ(refused["status"].toInt(), 1);
    EXPECT_EQ(jsonText(refused["number"]), "001");
    EXPECT_EQ(jsonText(refused["message"]), taken);
    EXPECT_EQ(jsonText(installs[2].toObject()["entry"]), "001.vxs")
        << "the failure before did not stop it";
    EXPECT_EQ(runCli({"books"}).out, "001\tcustom\t第一本\t001.vxr\n001\tsmart\t第三本\t001.vxs\n");
}

TEST_F(InstallCommand, AGivenNumberIsUsedForOneFileOnly) {
    const std::string source = addSource("book.vxb", {.name = vxbName("书")});
    const CliRun installed = runCli({"install", source, "--number=999"});
    EXPECT_EQ(installed.status, 0) << installed.err;
    EXPECT_EQ(installed.out, "installed " + source + " as 999.vxr\n");
    const CliRun twoFiles = runCli({"install", source, source, "--number", "005"});
    EXPECT_EQ(twoFiles.status, 1) << "one number cannot name two books";
    EXPECT_EQ(fileNamesIn(book), std::set<std::string>{"999.vxr"});
}

// Files that are no book packages are the user's mistake; a pen without a
// BOOK folder of its own is the pen's failure.
TEST_F(InstallCommand, RefusalsAreToldPerFileWithTheirStatus) {
    const std::string text = addSource("notes.txt", {.name = vxbName("书")});
    const CliRun run = runCli({"install", text, sources / "missing.vxb"});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr(text + ": not a .vxb book package\n"));
    EXPECT_THAT(run.err, HasSubstr(sources / "missing.vxb: no such file\n"));
    EXPECT_TRUE(std::filesystem::is_empty(book));

    addPen("b-pen", "PEN00000002", /*withBookFolder=*/false);
    const std::string source = addSource("book.vxb", {.name = vxbName("书")});
    const CliRun noFolder = runCli({"install", source, "--pen", "sim2s1", "--json"});
    EXPECT_EQ(noFolder.status, 2);
    EXPECT_THAT(noFolder.err, HasSubstr("no BOOK folder"));
    EXPECT_EQ(noFolder.json()["installs"].toArray()[0].toObject()["status"].toInt(), 2);
}

}  // namespace
