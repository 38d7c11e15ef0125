// penshelf-cli install: proposals, a taken number, several files in one run,
// and pens that cannot take a book.
#include "cli/CliTestSupport.h"

#include "texts/Texts.h"

#include <QJsonArray>

#include <sys/statvfs.h>
#include <unistd.h>

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
    const BookFile smart{.name = vxbName("第二本"), .coverOid = 5, .size = 2048};
    const std::string first = addSource("first.vxb", {.name = vxbName("第一本"), .size = 5000});
    const std::string second = addSource("second.vxb", smart);
    // Its default title 1 is proposed although 001.vxr is taken by then.
    const std::string third =
        addSource("third.vxb", {.name = vxbName("第三本"), .defaultTitle = 1});
    const std::string fourth = addSource("fourth.vxb", {.name = vxbName("第四本")});

    const CliRun run = runCli({"install", first, second, third, fourth, "--json"});
    EXPECT_EQ(run.status, 1) << "the worst outcome: a number taken";
    const std::string taken =
        std::string(texts::numberTaken) + " (number 001 is taken; choose another with --number)";
    EXPECT_NE(run.err.find(third + ": " + taken + "\n"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(texts::installing), std::string::npos)
        << "no progress where no terminal watches";

    const QJsonObject document = run.json();
    EXPECT_EQ(jsonText(document["pen"]), "sim1s1");
    const QJsonArray installs = document["installs"].toArray();
    ASSERT_EQ(installs.size(), 4);
    const auto entryOf = [&](int i) { return jsonText(installs[i].toObject()["entry"]); };
    EXPECT_EQ(entryOf(0), "001.vxr");
    EXPECT_EQ(entryOf(1), "001.vxs") << "a smart package counts only smart numbers";
    EXPECT_EQ(entryOf(3), "002.vxr") << "the failure before did not stop it";
    const QJsonObject refused = installs[2].toObject();
    EXPECT_FALSE(refused["installed"].toBool());
    EXPECT_EQ(refused["status"].toInt(), 1);
    EXPECT_EQ(jsonText(refused["number"]), "001");
    EXPECT_EQ(jsonText(refused["message"]), taken);

    EXPECT_EQ(readFile(book + "001.vxs"), smart.bytes());
    EXPECT_EQ(runCli({"books"}).out,
              "001\tcustom\t第一本\t001.vxr\n001\tsmart\t第二本\t001.vxs\n"
              "002\tcustom\t第四本\t002.vxr\n");
}

TEST_F(InstallCommand, AGivenNumberIsUsedForOneFileOnly) {
    const std::string source = addSource("book.vxb", {.name = vxbName("书")});
    const CliRun installed = runCli({"install", source, "--number=999"});
    EXPECT_EQ(installed.status, 0) << installed.err;
    EXPECT_EQ(installed.out, "installed " + source + " as 999.vxr\n");
    EXPECT_TRUE(std::filesystem::exists(book + "999.vxr"));
    const CliRun again = runCli({"install", source, "--number", "999"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("number 999 is taken"), std::string::npos) << again.err;

    const CliRun twoFiles = runCli({"install", source, source, "--number", "005"});
    EXPECT_EQ(twoFiles.status, 1) << "one number cannot name two books";
    EXPECT_EQ(fileNamesIn(book), std::set<std::string>{"999.vxr"});
}

TEST_F(InstallCommand, RefusesFilesThatAreNoBookPackages) {
    const std::string text = addSource("notes.txt", {.name = vxbName("书")});
    const std::string shortFile = sources / "short.vxb";
    writeFile(shortFile, "VXB too short for a header");

    const CliRun run = runCli({"install", text, shortFile, sources / "missing.vxb"});
    EXPECT_EQ(run.status, 1);
    for (const std::string& said :
         {text + ": not a .vxb book package", shortFile + ": " + texts::bookFileInvalid,
          sources / "missing.vxb: no such file"}) {
        EXPECT_NE(run.err.find(said + "\n"), std::string::npos) << run.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(book));
}

TEST_F(InstallCommand, APenThatCannotTakeABookIsAFailureAndTheRestGoesOn) {
    // A sparse package a gibibyte larger than the free space of the pen's volume.
    struct statvfs fs;
    ASSERT_EQ(statvfs(book.c_str(), &fs), 0);
    const std::string big = addSource("big.vxb", {.name = vxbName("大书")});
    ASSERT_EQ(truncate(big.c_str(), static_cast<off_t>(fs.f_bavail * fs.f_frsize) + (1LL << 30)),
              0);
    const std::string small = addSource("small.vxb", {.name = vxbName("小书")});

    const CliRun run = runCli({"install", big, small, "--pen", "sim1s1"});
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find(big + ": " + texts::penSpaceTooSmall), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "installed " + small + " as 001.vxr\n");
    EXPECT_EQ(fileNamesIn(book), std::set<std::string>{"001.vxr"});

    addPen("b-pen", "PEN00000002", /*withBookFolder=*/false);
    const CliRun noFolder =
        runCli({"install", small, "--pen", "sim2s1", "--number", "050", "--json"});
    EXPECT_EQ(noFolder.status, 2);
    EXPECT_NE(noFolder.err.find("no BOOK folder"), std::string::npos) << noFolder.err;
    EXPECT_EQ(noFolder.json()["installs"].toArray()[0].toObject()["status"].toInt(), 2);
}

}  // namespace
