#include "books/FreeSpace.h"
#include "device/linux/MountTable.h"
#include "device/simulated/FolderVolumes.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace penshelf;
using namespace penshelf::test;

namespace {

const char* const sampleMountinfo =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "35 22 0:31 / /proc rw,nosuid - proc proc rw\n"
    "120 22 8:17 /BOOK /srv/books rw shared:60 - vfat /dev/sdb1 rw\n"
    "121 22 8:17 / /media/user/MY\\040PEN rw,nosuid,nodev shared:61 master:2 - vfat /dev/sdb1 "
    "rw,uid=1000\n"
    "122 22 8:17 / /mnt/second rw - vfat /dev/sdb1 rw\n"
    "130 22 8:26 / /media/user/tab\\011and\\134slash rw - vfat /dev/sdb10 rw\n"
    "140 22 8:33 / /media/root rw - vfat /dev/sdc1 rw\n"
    "garbage line\n"
    "150 22 8:49 / /media/trunc rw -\n";

TEST(MountTable, FindsTheFirstWholeMountOfTheDeviceInTheGivenFile) {
    EXPECT_EQ(mountPointIn(sampleMountinfo, "/dev/sdb1"), "/media/user/MY PEN/")
        << "the bind of a subfolder is skipped, the first root mount wins";
    EXPECT_EQ(mountPointIn(sampleMountinfo, "/dev/sdb10"), "/media/user/tab\tand\\slash/");
    EXPECT_EQ(mountPointIn(sampleMountinfo, "/dev/sda1"), "/") << "the root keeps one slash";
    EXPECT_EQ(mountPointIn(sampleMountinfo, "/dev/sdd1"), "");
    EXPECT_EQ(mountPointIn(sampleMountinfo, "/dev/sdb"), "");
    EXPECT_EQ(mountPointIn("", "/dev/sdb1"), "");

    TempDir dir;
    writeFile(dir / "mountinfo", sampleMountinfo);
    const MountTable table(dir / "mountinfo");
    EXPECT_EQ(table.GetVolumePath("sdc1"), "/media/root/");
    EXPECT_EQ(table.GetVolumePath(""), "");
    EXPECT_EQ(MountTable(dir / "missing").GetVolumePath("sdc1"), "");

    // Read-only as the super options say, whatever the mount options: "ro",
    // or ext4's "emergency_ro" after an error, which statvfs does not show.
    const std::string at = " " + dir.str() + " rw - ext4 /dev/";
    writeFile(dir / "mountinfo", "1 1 7:0 /" + at + "loop0 rw,errors=remount-ro,emergency_ro\n" +
                                     "2 1 7:1 /" + at + "loop1 ro\n" + "3 1 7:2 /" + at +
                                     "loop2 rw,errors=remount-ro\n");
    EXPECT_TRUE(table.isReadOnly("loop0") && table.isReadOnly("loop1"));
    EXPECT_FALSE(table.isReadOnly("loop2") || table.isReadOnly("loop3"));
}

TEST(FreeSpace, FormatsAtEveryUnitBoundary) {
    EXPECT_EQ(formatFreeSpace(0), "---");
    EXPECT_EQ(formatFreeSpace(1023), "1023.000000 Byte");
    EXPECT_EQ(formatFreeSpace(1024), "1.00 KB");
    EXPECT_EQ(formatFreeSpace(1048575), "1024.00 KB") << "rounds up but stays below MB";
    EXPECT_EQ(formatFreeSpace(1048576), "1.00 MB");
    EXPECT_EQ(formatFreeSpace(1073741824), "1.00 GB");
    EXPECT_EQ(formatFreeSpace(UINT64_MAX), "17179869184.00 GB");
}

}  // namespace
