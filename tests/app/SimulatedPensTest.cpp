// The application on simulated pens: folders that come and go as pens do.

#include "support/MainWindowProbe.h"

using namespace penshelf;
using namespace penshelf::test;

namespace {

using SimulatedPensTest = WindowTest<>;

TEST_F(SimulatedPensTest, OnlyPensAreListedAtStartOrOnAttachAndAPulledOneStays) {
    plugIn("pen-A", "KLV8A3C5D21", {{"001.vxr", vxbName("小学英语")}});
    // A device that answers as a pen but names another vendor is no pen.
    writeFile(plugIn("clone", "YYYYYYYYYYY") + "/" + SimulatedPlatform::deviceFile,
              "usb = 0c45:3201\nscsi-vendor = Pagor\n");
    start();
    ASSERT_EQ(ui->listZiro->count(), 1);
    EXPECT_EQ(ui->listZiro->itemText(0), "小栗莓点读笔 Simulated Pen 1.00");
    EXPECT_EQ(ui->snZiro->text(), "KLV8A3C5D21");
    EXPECT_EQ(tableRows(*app), std::vector<std::string>{"小学英语 | 自制-001"});
    EXPECT_EQ(waits, 0) << "a pen there at the start is examined at once";

    // The folder watch reports a new pen as an attach, examined after the wait.
    const std::string folder = plugIn("pen-B", "KLV9B7E2F08");
    ASSERT_TRUE(spinUntil([&] { return ui->listZiro->count() == 2; }));
    EXPECT_EQ(waits, 1);

    std::filesystem::remove_all(folder);
    ASSERT_TRUE(spinUntil([&] { return log.str().find("Device removed.") != std::string::npos; }));
    EXPECT_EQ(ui->listZiro->count(), 2) << "a pulled pen stays listed until it is ejected";
}

}  // namespace
