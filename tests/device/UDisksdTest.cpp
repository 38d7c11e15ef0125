// UDisks2 against the real udisksd, which with_udisksd.sh starts on a private system bus, over loop
// devices: a FAT pen checked and repaired (the kernel here cannot mount FAT, so it is not mounted
// again), an ext4 one unmounted for its check and mounted again, left alone while busy, and ejected
// although a loop device has no drive to power off. Needs root.

#include "device/linux/UDisks2.h"

#include "books/UniqueFd.h"

#include "support/FatImage.h"
#include "support/Spin.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <sstream>
#include <thread>

using namespace penshelf;
using namespace penshelf::test;
using Outcome = FileSystemCheck::Outcome;

namespace {

class UDisksdTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "skipped: loop devices and udisksd need root";
        ASSERT_TRUE(std::getenv("PENSHELF_REAL_UDISKSD"))
            << "run this suite through with_udisksd.sh, which starts udisksd";
    }
    ~UDisksdTest() override {
        if (!loop.empty()) runQuietly("umount " + loop + "; losetup -d " + loop);
    }

    // image on a loop device, once UDisks2 knows its file system of type.
    void attach(const std::string& type) {
        loop = commandOutput("losetup -f --show " + image).value_or("");
        ASSERT_EQ(loop.rfind("/dev/loop", 0), 0u) << loop;
        for (int tries = 0; tries < 100; ++tries) {
            if (runQuietly("udisksctl info -b " + loop + " 2>&1 | grep -q 'IdType: *" + type +
                           "$'")) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        FAIL() << "UDisks2 never saw " << type << " on " << loop;
    }
    FileSystemCheck check(FileSystemAction action) {
        std::optional<std::optional<FileSystemCheck>> result;
        udisks.checkFileSystem(loop, action, [&](const auto& done) { result = done; });
        EXPECT_TRUE(spinUntil([&] { return result.has_value(); }, std::chrono::minutes(1)) &&
                    *result)
            << "UDisks2 did not check";
        return result.value_or(std::nullopt).value_or(FileSystemCheck{});
    }
    std::string mountPoint() const {
        return commandOutput("findmnt -n -o TARGET " + loop).value_or("");
    }

    TempDir dir;
    const std::string image = dir / "pen.img";
    std::string loop;
    std::ostringstream log;
    UDisks2 udisks{log};
};

TEST_F(UDisksdTest, ADirtyFatIsFoundDamagedThenRepairedKeepingItsFiles) {
    writeFile(dir / "001.vxr", "a book");
    ASSERT_TRUE(makeFatImage(image) &&
                runQuietly("mcopy -i " + image + " " + dir / "001.vxr ::BOOK/001.vxr"));
    damageFatImage(image, FatDamage::DirtyFlag);
    attach("vfat");

    const FileSystemCheck checked = check(FileSystemAction::Check);
    EXPECT_EQ(checked.outcome, Outcome::Damaged) << checked.reason;
    // Kernels without vfat, as here, cannot mount it again: the outcome stands.
    EXPECT_EQ(checked.remounted, !mountPoint().empty());

    const FileSystemCheck repaired = check(FileSystemAction::Repair);
    EXPECT_EQ(repaired.outcome, Outcome::Clean) << repaired.reason;
    EXPECT_NE(repaired.repairSaid, "");
    runQuietly("umount " + loop);
    EXPECT_TRUE(fatImageIsClean(image));
    EXPECT_EQ(commandOutput("mtype -i " + image + " ::BOOK/001.vxr"), "a book");
}

TEST_F(UDisksdTest, Ext4IsLeftAloneWhileBusyCheckedAndMountedAgainThenEjected) {
    ASSERT_TRUE(runQuietly("(truncate -s 8M " + image + " && mkfs.ext4 -q -F " + image + ")"));
    attach("ext4");
    std::optional<MountResult> mounted;
    udisks.mount(loop, [&](const MountResult& done) { mounted = done; });
    ASSERT_TRUE(spinUntil([&] { return mounted.has_value(); }));
    ASSERT_EQ(mounted->outcome, MountResult::Outcome::Mounted) << mounted->reason;
    const std::string volume = mountPoint();
    ASSERT_NE(volume, "");

    UniqueFd held(open((volume + "/held").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644));
    const FileSystemCheck busy = check(FileSystemAction::Check);
    EXPECT_EQ(busy.outcome, Outcome::Busy) << busy.reason;
    EXPECT_EQ(mountPoint(), volume);
    held.reset();

    const FileSystemCheck checked = check(FileSystemAction::Check);
    EXPECT_EQ(checked.outcome, Outcome::Clean) << checked.reason;
    EXPECT_TRUE(checked.remounted);
    EXPECT_NE(mountPoint(), "");

    const auto stillMounted = [&] { return !mountPoint().empty(); };
    EXPECT_EQ(udisks.eject(loop, stillMounted), std::optional<bool>(true)) << log.str();
    EXPECT_EQ(mountPoint(), "");
}

}  // namespace
