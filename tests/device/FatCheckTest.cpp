// fsck.fat on FAT images damaged as a pen pulled out mid-write is: what a check finds, what it
// leaves alone, and what a repair leaves behind.

#include "device/FatCheck.h"

#include "books/Volumes.h"
#include "device/linux/LinuxPlatform.h"

#include "support/BookFile.h"
#include "support/FatImage.h"
#include "support/ScopedEnv.h"
#include "support/Spin.h"

#include <gmock/gmock.h>

namespace penshelf {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Damage = test::FatDamage;
using Outcome = FileSystemCheck::Outcome;

const std::map<std::string, std::string> books = {
    {"001.vxr", test::BookFile{.name = test::vxbName("小熊过河"), .size = 300000}.bytes()},
    {"002.vxr", test::BookFile{.name = test::vxbName("数学"), .size = 5000}.bytes()}};

// What fsck.fat says of each damage.
const std::map<Damage, const char*> damages = {
    {Damage::DirtyFlag, "Dirty bit is set"},
    {Damage::FatsDiffer, "FATs differ"},
    {Damage::EntryToFreeCluster, "/BOOK/002.VXR\n  Contains a free cluster"},
    {Damage::LostChain, "Reclaimed 2 unused clusters"}};

class FatCheckTest : public ::testing::Test {
  protected:
    // What a check started by start(done) hands to done, from the event loop.
    static FileSystemCheck await(
        const std::function<void(std::function<void(const FileSystemCheck&)>)>& start) {
        std::optional<FileSystemCheck> result;
        start([&](const FileSystemCheck& check) { result = check; });
        EXPECT_FALSE(result) << "done came before the event loop turned";
        EXPECT_TRUE(test::spinUntil([&] { return result.has_value(); }, std::chrono::minutes(1)));
        return result.value_or(FileSystemCheck{});
    }
    FileSystemCheck run(const std::string& path, FileSystemAction action,
                        const std::string& program = findFsckFat()) {
        return await([&](auto done) { runFatCheckWith(program, path, action, nullptr, done); });
    }
};

TEST_F(FatCheckTest, aCheckThatCannotRunSaysWhy) {
    test::TempDir empty;
    const test::ScopedEnv path("PATH", empty.str());
    EXPECT_EQ(findFsckFat({empty.str()}), "");
    // A user's PATH lacks /usr/sbin and /sbin, where dosfstools puts it.
    EXPECT_THAT(findFsckFat(), testing::AnyOf("/usr/sbin/fsck.fat", "/sbin/fsck.fat"));
    for (const std::string& program : {findFsckFat({empty.str()}), empty / "fsck.fat"}) {
        const FileSystemCheck check = run(empty / "pen.img", FileSystemAction::Repair, program);
        EXPECT_EQ(check.outcome, Outcome::ToolMissing) << program;
        EXPECT_THAT(check.reason, HasSubstr("dosfstools"));
    }
    const FileSystemCheck check = run(empty / "pen.img", FileSystemAction::Check);
    EXPECT_EQ(check.outcome, Outcome::Failed);
    EXPECT_THAT(check.reason, HasSubstr("No such file or directory"));
}

// A check writes nothing; a repair keeps the books it can.
TEST_F(FatCheckTest, aCheckFindsEachDamageThenARepairMendsIt) {
    for (const auto type : {test::FatType::Fat32, test::FatType::Fat16}) {
        for (const auto& [damage, said] : damages) {
            test::FatImage image(type, books);
            ASSERT_TRUE(image.made()) << "mkfs.fat and mtools (make deps)";
            image.damage(damage);
            const std::string before = test::readFile(image.path());
            const FileSystemCheck check = run(image.path(), FileSystemAction::Check);
            EXPECT_EQ(check.outcome, Outcome::Damaged) << said;
            EXPECT_THAT(check.found, HasSubstr(said));
            EXPECT_THAT(check.found, Not(HasSubstr("fsck.fat 4")));  // the banner is no finding
            EXPECT_TRUE(test::readFile(image.path()) == before) << said;

            const FileSystemCheck repair = run(image.path(), FileSystemAction::Repair);
            EXPECT_EQ(repair.outcome, Outcome::Clean) << said << "\n" << repair.found;
            EXPECT_THAT(repair.repairSaid, HasSubstr(said));
            EXPECT_TRUE(test::fatImageIsClean(image.path()));
            EXPECT_THAT(image.books(), ::testing::ElementsAre("001.vxr", "002.vxr"));
            for (const auto& [entry, bytes] : books) {
                if (damage == Damage::EntryToFreeCluster && entry == "002.vxr") continue;
                EXPECT_TRUE(image.readBook(entry) == bytes) << said << ": " << entry;
            }
        }
        const test::FatImage fresh(type, books);
        EXPECT_EQ(run(fresh.path(), FileSystemAction::Check).outcome, Outcome::Clean);
    }
}

// Where no UDisks2 answers, root unmounts the pen and checks its partition, leaving it to be
// plugged in again; a pen in use is left as it is.
TEST_F(FatCheckTest, withoutUDisks2RootChecksThePartitionAndLeavesABusyPenAlone) {
    if (geteuid() != 0) GTEST_SKIP() << "loop devices need root";
    test::TempDir dir;
    const test::ScopedEnv noBus("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + dir / "no-bus");
    const std::unique_ptr<Platform> platform = makeLinuxPlatform();
    const auto checkOf = [&](const std::string& bsdName, FileSystemAction action) {
        return await([&](auto done) { platform->checkFileSystem(bsdName, action, done); });
    };

    test::FatImage image(test::FatType::Fat32, books);
    ASSERT_TRUE(image.made());
    image.damage(Damage::DirtyFlag);
    const std::string loop = test::commandOutput("losetup -f --show " + image.path()).value_or("");
    ASSERT_FALSE(loop.empty());
    const std::string device = loop.substr(loop.rfind('/') + 1);
    const FileSystemCheck damaged = checkOf(device, FileSystemAction::Check);
    const FileSystemCheck repaired = checkOf(device, FileSystemAction::Repair);
    test::runQuietly("losetup -d /dev/" + device);
    EXPECT_EQ(damaged.outcome, Outcome::Damaged) << damaged.reason;
    EXPECT_TRUE(damaged.replug && !damaged.remounted);
    EXPECT_EQ(repaired.outcome, Outcome::Clean) << repaired.reason;
    EXPECT_TRUE(test::fatImageIsClean(image.path()));

    MAKE_LOOP_VOLUME(volume, 4096);
    const std::string busyDevice = volume->device();
    {
        std::ofstream held(volume->book + "001.vxr");
        const FileSystemCheck busy = checkOf(busyDevice, FileSystemAction::Check);
        EXPECT_EQ(busy.outcome, Outcome::Busy) << busy.reason;
    }
    EXPECT_EQ(platform->volumes().GetVolumePath(busyDevice), volume->root + "/");
}

}  // namespace
}  // namespace penshelf
