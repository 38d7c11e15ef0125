// penshelf-cli books, remove and eject on simulated pens.
#include "cli/CliTestSupport.h"

#include "books/Catalogue.h"
#include "cli/PenCommands.h"
#include "device/simulated/SimulatedPlatform.h"
#include "texts/Texts.h"

#include <QJsonArray>

#include <filesystem>
#include <set>
#include <sstream>

using namespace penshelf;
using namespace penshelf::test;

namespace {

class BookCommands : public SimulatedPens {
  protected:
    void SetUp() override {
        SimulatedPens::SetUp();
        volume = addPen("a-pen", "PEN00000001");
        book = volume + "BOOK/";
        writeFile(book + "002.vxr", BookFile{.name = vxbName("小猫")}.bytes());
        writeFile(book + "003.vxs", BookFile{.name = vxbName("恐龙"), .coverOid = 9}.bytes());
        writeFile(book + "004.vxr", BookFile{.name = "ATT002"}.bytes());  // shares 002.vxr
        writeFile(book + "005.vxb", BookFile{.name = vxbName("不是点读包")}.bytes());
        writeFile(book + "readme.txt", "not a book");
    }

    std::string volume;
    std::string book;
};

TEST_F(BookCommands, BooksListsTheCatalogueInItsOrder) {
    const CliRun text = runCli({"books"});
    EXPECT_EQ(text.status, 0);

    std::string expected;
    for (const ListData& row : ListBookFolder(book)) {
        const std::string entry = std::filesystem::path(row.file).filename().string();
        if (entry == "002.vxr") expected += "002\tcustom\t小猫\t002.vxr\n";
        if (entry == "003.vxs") expected += "003\tsmart\t恐龙\t003.vxs\n";
        if (entry == "004.vxr") expected += "004\tshared\tVXB小猫(002)\t004.vxr\n";
    }
    EXPECT_EQ(text.out, expected) << "three rows, in the order the window lists them";

    const CliRun json = runCli({"books", "--json"});
    const QJsonObject document = json.json();
    EXPECT_EQ(jsonText(document["bookFolder"]), book);
    const QJsonArray rows = document["books"].toArray();
    ASSERT_EQ(rows.size(), 3);
    for (const QJsonValue& value : rows) {
        const QJsonObject row = value.toObject();
        if (jsonText(row["entry"]) != "003.vxs") continue;
        EXPECT_EQ(jsonText(row["number"]), "003");
        EXPECT_EQ(jsonText(row["kind"]), "smart");
        EXPECT_EQ(jsonText(row["name"]), "恐龙");
        EXPECT_EQ(jsonText(row["path"]), book + "003.vxs");
        EXPECT_EQ(jsonText(row["stat"]), "智能-003");
        EXPECT_EQ(jsonText(row["flag"]), "S");
    }
}

TEST_F(BookCommands, RemoveTakesOnlyListedBooksAndOnlyWithYes) {
    const CliRun unsure = runCli({"remove", "002.vxr"});
    EXPECT_EQ(unsure.status, 1);
    EXPECT_NE(unsure.err.find(texts::removeWarning), std::string::npos) << unsure.err;
    EXPECT_NE(unsure.err.find("--yes"), std::string::npos) << unsure.err;
    EXPECT_TRUE(std::filesystem::exists(book + "002.vxr"));

    for (const char* notListed : {"009.vxr", "005.vxb", "readme.txt", "../SYS/product.ini"}) {
        const CliRun run = runCli({"remove", notListed, "--yes"});
        EXPECT_EQ(run.status, 1) << notListed;
        EXPECT_NE(run.err.find("no book package"), std::string::npos) << run.err;
    }
    EXPECT_TRUE(std::filesystem::exists(book + "005.vxb"));
    EXPECT_TRUE(std::filesystem::exists(book + "readme.txt"));
    EXPECT_TRUE(std::filesystem::exists(volume + "SYS/product.ini"));
}

TEST_F(BookCommands, RemovingASharedPackageKeepsTheOneItShares) {
    const CliRun removed = runCli({"remove", "004.vxr", "--yes", "--json"});
    EXPECT_EQ(removed.status, 0) << removed.err;
    const QJsonObject row = removed.json()["removed"].toObject();
    EXPECT_EQ(jsonText(row["kind"]), "shared");
    EXPECT_EQ(jsonText(row["path"]), book + "004.vxr");
    EXPECT_FALSE(std::filesystem::exists(book + "004.vxr"));
    EXPECT_TRUE(std::filesystem::exists(book + "002.vxr"));

    const CliRun smart = runCli({"remove", "--yes", "003.vxs"});
    EXPECT_EQ(smart.status, 0);
    EXPECT_EQ(smart.out, "removed 003.vxs (恐龙)\n");
    EXPECT_EQ(runCli({"books"}).out, "002\tcustom\t小猫\t002.vxr\n");
}

TEST_F(BookCommands, HostileNamesStayOnTheirLineAndComeBackToRemove) {
    std::filesystem::remove_all(book);
    writeFile(book + "\t01.vxr", BookFile{.name = vxbName("坏\n\x1b[2J名\\")}.bytes());
    writeFile(book +
                  "\xff"
                  "02.vxr",
              BookFile{.name = vxbName("无效")}.bytes());
    addPen("b-pen", "PEN\x1b]0;\n\xc2\x9bZ");  // 11 bytes

    // One line per book, whatever order the folder gives.
    std::set<std::string> lines;
    std::istringstream listed(runCli({"books", "--pen", "sim1s1"}).out);
    for (std::string line; std::getline(listed, line);) lines.insert(line);
    EXPECT_EQ(lines, (std::set<std::string>{
                         "\\t01\tcustom\t坏\\n\\x1b[2J名\\\\\t\\t01.vxr",
                         "\\xff02\tcustom\t无效\t\\xff02.vxr",
                     }));
    const std::string pensOut = runCli({"pens"}).out;
    EXPECT_NE(pensOut.find("\nsim2s1\tPEN\\x1b]0;\\n\\xc2\\x9bZ\t"), std::string::npos) << pensOut;

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

// A simulated pen whose eject command fails; gone: it was pulled out meanwhile.
class FailingEject : public SimulatedPlatform {
  public:
    FailingEject(std::string folder, bool gone)
        : SimulatedPlatform(std::move(folder)), gone_(gone) {}
    bool eject(const std::string& bsdName) override {
        if (gone_) folderVolumes().unmount(bsdName);
        return false;
    }

  private:
    bool gone_;
};

CliRun ejectOn(Platform& platform, const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    CliRun run;
    run.status = cli::runPenCommand(cli::kEject, args, out, err, &platform);
    run.out = out.str();
    run.err = err.str();
    return run;
}

TEST_F(BookCommands, EjectKeepsAStillMountedPenAndSaysSo) {
    const CliRun ejected = runCli({"eject"});
    EXPECT_EQ(ejected.status, 0);
    EXPECT_EQ(ejected.out, "ejected sim1s1\n");
    EXPECT_EQ(jsonText(runCli({"eject", "--json"}).json()["outcome"]), "ejected");

    {
        FailingEject stuck(pens.str(), /*gone=*/false);
        const CliRun failed = ejectOn(stuck, {"--json"});
        EXPECT_EQ(failed.status, 2);
        EXPECT_NE(failed.err.find(texts::ejectFailed), std::string::npos) << failed.err;
        const QJsonObject error = failed.json()["error"].toObject();
        EXPECT_EQ(error["status"].toInt(), 2);
        EXPECT_EQ(jsonText(error["message"]), texts::ejectFailed);
    }
    {
        FailingEject pulledOut(pens.str(), /*gone=*/true);
        const CliRun gone = ejectOn(pulledOut, {"--pen", "sim1s1", "--json"});
        EXPECT_EQ(gone.status, 0) << "a pen no longer mounted is safe to pull out";
        EXPECT_EQ(jsonText(gone.json()["outcome"]), "gone");
    }
}

}  // namespace
