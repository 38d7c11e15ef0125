// penshelf-cli on several simulated pens at once: install onto every pen with the per-pen number
// rule, copy between pens, backup into a folder per pen.
#include "cli/CliTestSupport.h"

#include "support/LoopVolume.h"
#include "texts/InstallMessages.h"

#include <QJsonArray>

#include <filesystem>
#include <set>

using namespace penshelf;
using namespace penshelf::test;

namespace {

using ManyPens = SimulatedPens;

TEST_F(ManyPens, OneBookOntoThreePensWhereOneIsFullAndOneHasTheNumberTaken) {
    MAKE_LOOP_VOLUME(full, 512);
    const std::string first = addPen("a-pen", "PEN00000001") + "BOOK/";
    const std::string second = addPen("b-pen", "PEN00000002") + "BOOK/";
    writeFile(second + "001.vxr", BookFile{.name = vxbName("别的书")}.bytes());
    writeFile(full->root + "/SYS/product.ini", "[product]\nid=PEN00000003\n");
    std::filesystem::create_directory_symlink(full->root, pens / "c-pen");
    const std::string book =
        addSource("book.vxb", {.name = vxbName("小猫"), .defaultTitle = 1, .size = 600000});

    const CliRun run = runCli({"install", book, "--all-pens", "--json"});
    EXPECT_THAT(run, Exits(2, "sim3s1: " + book + ": " + texts::penSpaceTooSmall + "\n"));
    const QJsonArray results = run.json()["pens"].toArray();
    ASSERT_EQ(results.size(), 3);
    const auto install = [&](int pen) {
        return results[pen].toObject()["installs"].toArray()[0].toObject();
    };
    EXPECT_EQ(jsonFields(results[1].toObject(), {"pen", "identityCode"}), "sim2s1|PEN00000002");
    EXPECT_EQ(jsonFields(install(0), {"entry", "renumbered"}), "001.vxr|false");
    EXPECT_EQ(jsonFields(install(1), {"entry", "renumbered"}), "002.vxr|true")
        << "the lowest free number there";
    EXPECT_EQ(install(2)["status"].toInt(), 2);
    EXPECT_EQ(fileNamesIn(first), std::set<std::string>{"001.vxr"});
    EXPECT_EQ(readFile(second + "002.vxr"), readFile(first + "001.vxr"));
    EXPECT_TRUE(fileNamesIn(full->book).empty()) << "nothing partial on the full pen";

    // Pens named by identity code and by folder: the text form says which pen gave another number.
    const CliRun text = runCli({"install", book, "--pen", "PEN00000002", "--pen", "c-pen"});
    EXPECT_THAT(text, Exits(2, "sim3s1: " + book + ": " + texts::penSpaceTooSmall));
    EXPECT_EQ(text.out,
              "sim2s1: installed " + book + " as 003.vxr (its number is taken on this pen)\n");
}

TEST_F(ManyPens, ANumberGivenIsKeptOnEveryPenAndEachPenRefusesAlone) {
    const std::string first = addPen("a-pen", "PEN00000001") + "BOOK/";
    const std::string second = addPen("b-pen", "PEN00000002") + "BOOK/";
    const std::string readOnly = addPen("c-pen", "PEN00000003") + "BOOK/";
    writeFile(pens / "c-pen/simulated-device.ini", "read-only = yes\n");
    addPen("d-pen", "PEN00000004", /*withBookFolder=*/false);
    const std::string other = BookFile{.name = vxbName("别的书")}.bytes();
    writeFile(second + "001.vxr", other);
    const std::string book = addSource("book.vxb", {.name = vxbName("小猫")});

    const CliRun taken =
        runCli({"install", book, "--pen", "sim1s1", "--pen=b-pen", "--number=001"});
    EXPECT_THAT(taken, Exits(1, "sim2s1: " + book + ": number 001 is taken"));
    EXPECT_EQ(taken.out, "sim1s1: installed " + book + " as 001.vxr\n");
    EXPECT_EQ(readFile(second + "001.vxr"), other);

    const CliRun all = runCli({"install", book, "--all-pens", "--number", "005", "--jobs", "1"});
    EXPECT_THAT(all,
                Exits(2, std::string("sim3s1: ") + book + ": " + texts::penReadOnlyCommandLine));
    EXPECT_EQ(fileNamesIn(first), (std::set<std::string>{"001.vxr", "005.vxr"}));
    EXPECT_EQ(fileNamesIn(second), (std::set<std::string>{"001.vxr", "005.vxr"}));
    EXPECT_TRUE(fileNamesIn(readOnly).empty());
    EXPECT_THAT(all.err, HasSubstr("sim4s1: " + book + ": the pen has no BOOK folder"));

    // Without a BOOK folder of its own one pen fails each file; each refusal's words are the
    // install plan's own test.
    const CliRun noFolder = runCli({"install", book, "--pen", "d-pen", "--json"});
    EXPECT_THAT(noFolder, Exits(2, book + ": the pen has no BOOK folder"));
    EXPECT_EQ(noFolder.json()["installs"].toArray()[0].toObject()["status"].toInt(), 2);
}

TEST_F(ManyPens, CopyBetweenPensKeepsSharedPackagesOnTheirBookAndLeavesNoCache) {
    const std::string from = addPen("a-pen", "PEN00000001") + "BOOK/";
    const std::string to = addPen("b-pen", "PEN00000002") + "BOOK/";
    writeFile(from + "001.vxr", BookFile{.name = vxbName("小猫"), .size = 3000}.bytes());
    writeFile(from + "003.vxr", BookFile{.name = "ATT001"}.bytes());  // shares 001.vxr
    writeFile(from + "002.vxs", BookFile{.name = vxbName("恐龙"), .coverOid = 4}.bytes());
    const std::string other = BookFile{.name = vxbName("别的书")}.bytes();
    writeFile(to + "001.vxr", other);
    const TempDir cache;
    const ScopedEnv xdg("XDG_CACHE_HOME", cache.str());
    const std::string kept = sources / "kept";

    // Without a choice nothing is written; a kept backup stays, the cache's never does.
    EXPECT_THAT(runCli({"copy", "--from", "a-pen", "--to", "sim2s1", "--keep-backup", kept}),
                Exits(1, "001.vxr; choose --on-conflict"));
    EXPECT_EQ(fileNamesIn(to), std::set<std::string>{"001.vxr"});
    EXPECT_EQ(fileNamesIn(kept).size(), 4u) << "three books and the manifest";
    EXPECT_THAT(runCli({"copy", "--from", "a-pen", "--to", "sim2s1"}), Exits(1, "001.vxr"));
    EXPECT_TRUE(fileNamesIn(cache / "penshelf").empty());
    EXPECT_EQ(runCli({"copy", "--from", "a-pen"}).status, 1);

    const CliRun copy =
        runCli({"copy", "--from", "PEN00000001", "--to", "b-pen", "--on-conflict", "renumber"});
    EXPECT_THAT(copy, Prints(0,
                             "restored 002.vxs\nrestored 001.vxr as 002.vxr\n"
                             "restored 003.vxr\n"
                             "copied from sim1s1 (PEN00000001) onto sim2s1 (PEN00000002)\n"))
        << copy.err;
    EXPECT_TRUE(fileNamesIn(cache / "penshelf").empty());
    std::string shared = readFile(from + "003.vxr");
    shared.replace(3, 3, "002");  // it plays the book under its new number
    EXPECT_EQ(filesIn(to), (Files{{"001.vxr", other},
                                  {"002.vxr", readFile(from + "001.vxr")},
                                  {"002.vxs", readFile(from + "002.vxs")},
                                  {"003.vxr", shared}}));

    const QJsonObject again =
        runCli({"copy", "--from", "sim1s1", "--to", "sim2s1", "--json"}).json();
    EXPECT_EQ(jsonFields(again, {"from", "to"}), "sim1s1|sim2s1");
    EXPECT_EQ(again["alreadyThere"].toArray().size(), 3);
}

TEST_F(ManyPens, BackupOfSeveralPensNamesEachFolderByACodeOnlyWhereItIsUsableAndUnique) {
    writeFile(addPen("a-pen", "PEN00000001") + "BOOK/001.vxr",
              BookFile{.name = vxbName("小猫")}.bytes());
    addPen("b-pen", "PEN00000001");
    // product.ini holds 11 bytes of code; a shorter one ends in zero bytes.
    const auto code = [](std::string text) { return text.append(11 - text.size(), '\0'); };
    addPen("c-pen", code(".."));
    addPen("d-pen", "PEN00000004");
    addPen("e-pen", code("sim1s1"));       // another pen's kernel name
    addPen("f-pen", code("\xC2\x80PEN"));  // U+0080, a control character
    addPen("g-pen", code("PEN\xC5\x80"));  // U+0140, a letter
    const std::string folder = sources / "backups";

    const CliRun run = runCli({"backup", folder, "--all-pens"});
    EXPECT_THAT(run, Prints(0, "sim1s1: backed up 001.vxr (小猫)\n")) << run.err;
    EXPECT_EQ(fileNamesIn(folder),
              (std::set<std::string>{"sim1s1", "sim2s1", "sim3s1", "PEN00000004", "sim5s1",
                                     "sim6s1", "PEN\xC5\x80"}));
    EXPECT_EQ(fileNamesIn(folder + "/sim1s1"),
              (std::set<std::string>{"001.vxr", "penshelf-backup.json"}));

    // A folder taken already refuses that pen alone.
    std::filesystem::remove_all(folder + "/PEN00000004");
    const QJsonObject again =
        runCli({"backup", folder, "--pen", "d-pen", "--pen", "c-pen", "--json"}).json();
    const QJsonArray results = again["pens"].toArray();
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(jsonFields(results[0].toObject(), {"outcome", "status"}), "refused|1");
    EXPECT_EQ(jsonFields(results[1].toObject(), {"outcome", "identityCode"}), "done|PEN00000004");
}

}  // namespace
