// penshelf-cli check on simulated pens whose file system is a FAT image.
#include "cli/CliTestSupport.h"

#include "support/FatImage.h"

#include <QJsonArray>

using namespace penshelf;
using namespace penshelf::test;

namespace {

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

    std::string volume;
    std::string image;
};

TEST_F(CheckCommand, FindsDamageReadingOnlyThenRepairsItAndReadsTheBooksAgain) {
    damageFatImage(image, FatDamage::DirtyFlag);
    useImage("pen.img");

    const CliRun check = runCli({"check"});
    EXPECT_EQ(check.status, 2) << check.err;
    EXPECT_THAT(check.out, HasSubstr("001.vxr\treadable"));
    EXPECT_THAT(check.out, HasSubstr("002.vxr\tnot a book package"));
    EXPECT_THAT(check.out, HasSubstr("file system: damaged"));
    EXPECT_THAT(check.err, HasSubstr("check --repair"));

    const CliRun repair = runCli({"check", "--repair", "--json"});
    EXPECT_EQ(repair.status, 0) << repair.err;
    const QJsonObject report = repair.json();
    EXPECT_TRUE(report["healthy"].toBool());
    EXPECT_EQ(jsonText(report["fileSystem"].toObject()["outcome"]), "damaged");
    EXPECT_EQ(jsonText(report["repair"].toObject()["outcome"]), "clean");
    EXPECT_EQ(report["booksAfter"].toArray().size(), 2);
    EXPECT_TRUE(report["changes"].toArray().isEmpty());

    const CliRun again = runCli({"check"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_THAT(again.err, HasSubstr("the pen is healthy"));
}

TEST_F(CheckCommand, SaysWhatCouldNotBeCheckedAndExitsTwo) {
    const struct {
        const char* ini;
        const char* said;
    } cases[] = {
        {nullptr, "the file system was not checked: this simulated pen has no file system image"},
        {"elsewhere.img", "is no regular file in the pen's folder"},
        {"../a-pen/pen.img", "is no regular file in the pen's folder"},
    };
    std::filesystem::create_symlink(image, volume + "elsewhere.img");
    for (const auto& c : cases) {
        if (c.ini) useImage(c.ini);
        const CliRun run = runCli({"check"});
        EXPECT_EQ(run.status, 2) << c.said;
        EXPECT_THAT(run.err, HasSubstr(c.said));
        EXPECT_THAT(run.err, Not(HasSubstr("healthy")));
    }
    EXPECT_EQ(runCli({"check", "extra"}).status, 1);
}

}  // namespace
