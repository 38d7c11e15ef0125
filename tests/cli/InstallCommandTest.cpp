// penshelf-cli install: proposals, the window's checks and messages, several
// files in one run, and pens that cannot take a book.
#include "cli/CliTestSupport.h"

#include "books/BookHeader.h"
#include "texts/Texts.h"

#include <QJsonArray>

#include <sys/statvfs.h>
#include <unistd.h>

#include <filesystem>

using namespace penshelf;
using namespace penshelf::test;

namespace {

class InstallCommand : public SimulatedPens {
  protected:
    void SetUp() override {
        SimulatedPens::SetUp();
        book = addPen("a-pen", "PEN00000001") + "BOOK/";
    }
    std::string book;
};

TEST_F(InstallCommand, InstallsEachFileWithTheWindowsProposalAndGoesOnAfterAFailure) {
    const BookFile custom{
        .name = vxbName("第一本"), .labelKey = 0x1234, .defaultLabel = 7, .size = 5000};
    const BookFile smart{.name = vxbName("第二本"), .coverOid = 5, .size = 2048};
    const std::string first = addSource("first.vxb", custom);
    const std::string second = addSource("second.vxb", smart);
    // Its default title 1 is proposed although 001.vxr is taken by then.
    const std::string third =
        addSource("third.vxb", {.name = vxbName("第三本"), .defaultTitle = 1});
    const std::string fourth = addSource("fourth.vxb", {.name = vxbName("第四本")});

    const CliRun run = runCli({"install", first, second, third, fourth, "--json"});
    EXPECT_EQ(run.status, 1) << "the worst outcome: a number taken";
    EXPECT_NE(run.err.find(third + ": " + texts::numberTaken), std::string::npos) << run.err;
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
    EXPECT_EQ(jsonText(refused["message"]), texts::numberTaken);

    // The copies: the smart one byte for byte, the custom one with its label field.
    EXPECT_EQ(readFile(book + "001.vxs"), smart.bytes());
    std::string expected = custom.bytes();
    const auto label = labelFieldBytes(0x1234, 7);
    expected[BookHeader::labelFieldOffset] = static_cast<char>(label[0]);
    expected[BookHeader::labelFieldOffset + 1] = static_cast<char>(label[1]);
    EXPECT_EQ(readFile(book + "001.vxr"), expected);

    const CliRun books = runCli({"books"});
    EXPECT_NE(books.out.find("001\tcustom\t第一本\t001.vxr\n"), std::string::npos) << books.out;
    EXPECT_NE(books.out.find("001\tsmart\t第二本\t001.vxs\n"), std::string::npos);
    EXPECT_NE(books.out.find("002\tcustom\t第四本\t002.vxr\n"), std::string::npos);
}

TEST_F(InstallCommand, AGivenNumberIsCheckedAsTheWindowChecksIt) {
    const std::string source = addSource("book.vxb", {.name = vxbName("书")});
    struct Case {
        const char* number;
        const char* message;
    };
    // One of each message; the checks themselves are tested with the engine.
    for (const Case& refused :
         {Case{"0000", texts::numberNotThreeDigits}, Case{"１２３", texts::numberNotDigits}}) {
        const CliRun run = runCli({"install", source, "--number", refused.number});
        EXPECT_EQ(run.status, 1) << refused.number;
        EXPECT_NE(run.err.find(refused.message), std::string::npos) << run.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(book));

    const CliRun installed = runCli({"install", source, "--number=999"});
    EXPECT_EQ(installed.status, 0) << installed.err;
    EXPECT_EQ(installed.out, "installed " + source + " as 999.vxr\n");
    EXPECT_TRUE(std::filesystem::exists(book + "999.vxr"));

    const CliRun again = runCli({"install", source, "--number", "999"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find(texts::numberTaken), std::string::npos);

    const CliRun twoFiles = runCli({"install", source, source, "--number", "005"});
    EXPECT_EQ(twoFiles.status, 1) << "one number cannot name two books";
    EXPECT_FALSE(std::filesystem::exists(book + "005.vxr"));
}

TEST_F(InstallCommand, RefusesFilesThatAreNoBookPackages) {
    const std::string text = addSource("notes.txt", {.name = vxbName("书")});
    const std::string shortFile = sources / "short.vxb";
    writeFile(shortFile, "VXB too short for a header");

    const CliRun notVxb = runCli({"install", text});
    EXPECT_EQ(notVxb.status, 1);
    const CliRun invalid = runCli({"install", shortFile, (sources / "missing.vxb")});
    EXPECT_EQ(invalid.status, 1);
    EXPECT_NE(invalid.err.find(shortFile + ": " + texts::bookFileInvalid), std::string::npos)
        << invalid.err;
    EXPECT_NE(invalid.err.find(sources / "missing.vxb: no such file"), std::string::npos)
        << invalid.err;
    EXPECT_TRUE(std::filesystem::is_empty(book));
}

TEST_F(InstallCommand, APenWithoutABookFolderOfItsOwnIsAFailure) {
    // One pen has no BOOK/ folder; the other's BOOK is a link to a folder
    // on the computer, where nothing may be written.
    addPen("b-pen", "PEN00000002", /*withBookFolder=*/false);
    const std::string linked = addPen("c-pen", "PEN00000003", /*withBookFolder=*/false);
    TempDir elsewhere;
    std::filesystem::create_directory_symlink(elsewhere.path(), linked + "BOOK");
    const std::string source = addSource("book.vxb", {.name = vxbName("书")});
    for (const char* pen : {"sim2s1", "sim3s1"}) {
        const CliRun run = runCli({"install", source, "--pen", pen, "--number", "050", "--json"});
        EXPECT_EQ(run.status, 2) << pen;
        EXPECT_NE(run.err.find("no BOOK folder"), std::string::npos) << run.err;
        EXPECT_EQ(run.json()["installs"].toArray()[0].toObject()["status"].toInt(), 2);
    }
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));
}

TEST_F(InstallCommand, APackageLargerThanThePensFreeSpaceIsAFailureAndTheRestGoesOn) {
    // A sparse package a gibibyte larger than the free space of the pen's volume.
    struct statvfs fs;
    ASSERT_EQ(statvfs(book.c_str(), &fs), 0);
    const std::string big = addSource("big.vxb", {.name = vxbName("大书")});
    ASSERT_EQ(truncate(big.c_str(), static_cast<off_t>(fs.f_bavail * fs.f_frsize) + (1LL << 30)),
              0);
    const std::string small = addSource("small.vxb", {.name = vxbName("小书")});

    const CliRun run = runCli({"install", big, small});
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find(big + ": " + texts::penSpaceTooSmall), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "installed " + small + " as 001.vxr\n");
    EXPECT_EQ(runCli({"books"}).out, "001\tcustom\t小书\t001.vxr\n");
}

}  // namespace
