// The main window as real widgets: pen list, book table, enabling rules; the pens simulated as
// folders that come and go.

#include "support/MainWindowProbe.h"

using namespace penshelf;
using namespace penshelf::test;

namespace {

class MainWindowTest : public WindowTest<> {
  protected:
    MainWindowTest() { start(); }
    const std::string noPen = "请连接点读系列产品！ | 0 [] [] 000001 rows 0";
};

TEST_F(MainWindowTest, FromNoPenToOnePenAndBackKeepingItsCodeAndFolderThenTwoToldApart) {
    EXPECT_EQ(penLook(), noPen);
    EXPECT_TRUE(ui->tabContent->isChecked());
    EXPECT_FALSE(ui->boxBook->isHidden());
    EXPECT_TRUE(ui->webView->isHidden());

    attachPen("sdb1", "A1B2C3D4E5F",
              {{"001.vxr", vxbName("小兔子乖乖")}, {"002.vxs", vxbName("三只小猪")}});

    EXPECT_EQ(penLook(), "小栗莓点读笔 PEN 1.00 | 0 [A1B2C3D4E5F] [free] 111101 rows 2");
    EXPECT_EQ(app->selectedBookFolder(), dir / "sdb1/BOOK/");
    EXPECT_EQ(tableRows(*app), (Texts{"三只小猪 | 智能-002", "小兔子乖乖 | 自制-001"}));

    clickRow(1);
    EXPECT_TRUE(ui->btnRemove->isEnabled());
    QTest::keyClick(ui->listBook, Qt::Key_Tab);
    EXPECT_EQ(app->window()->focusWidget(), ui->btnInstall) << "Tab leaves the table";
    // A book copied onto the pen behind the program's back shows after Refresh.
    writeFile(dir / "sdb1/BOOK/003.vxs", BookFile{.name = vxbName("Three")}.bytes());
    ui->btnRefresh->setFocus();
    QTest::keyClick(ui->btnRefresh, Qt::Key_Return);  // a focused button takes Enter as Space
    EXPECT_EQ(penLook(), "小栗莓点读笔 PEN 1.00 | 0 [A1B2C3D4E5F] [free] 111101 rows 3");
    EXPECT_TRUE(ui->listBook->selectionModel()->selectedRows().isEmpty());

    // The last pen gone: its code and folder are kept.
    clickRow(0);
    app->removePen("sdb1");
    EXPECT_EQ(penLook(), noPen);
    EXPECT_EQ(app->selectedPenCode(), "A1B2C3D4E5F");
    EXPECT_EQ(app->selectedBookFolder(), dir / "sdb1/BOOK/");

    // Equal entries are told apart by position.
    attachPen("sdc1", "FIRST", {{"001.vxr", vxbName("First pen's book")}});
    attachPen("sdd1", "SECOND", {{"007.vxr", vxbName("Second pen's book")}});
    const std::string pen = "小栗莓点读笔 PEN 1.00 | ";
    EXPECT_EQ(penLook(), pen + pen + "0 [FIRST] [free] 111101 rows 1");
    for (const int role : {Qt::ToolTipRole, Qt::AccessibleDescriptionRole}) {
        EXPECT_EQ(ui->listZiro->itemData(0, role), "FIRST") << "to the eye and to a screen reader";
        EXPECT_EQ(ui->listZiro->itemData(1, role), "SECOND");
    }

    QTest::keyClick(ui->listZiro, Qt::Key_Down);
    EXPECT_EQ(tableRows(*app), Texts{"Second pen's book | 自制-007"});

    // A newly identified pen rebuilds the list and selects the first pen again.
    attachPen("sda1", "ZERO");
    EXPECT_EQ(penLook(), pen + pen + pen + "0 [ZERO] [free] 111101 rows 0");

    // The same disk name again replaces its record.
    attachPen("sda1", "NEWCODE");
    EXPECT_EQ(penLook(), pen + pen + pen + "0 [NEWCODE] [free] 111101 rows 0");
    // A code that is not UTF-8 is no code.
    attachPen("sda1", "\xFF\xFE\x80");
    EXPECT_EQ(app->selectedPenCode(), std::nullopt);
    EXPECT_TRUE(ui->snZiro->text().isEmpty());
}

TEST_F(MainWindowTest, AReadOnlyPenSaysSoAndOffersNoWriteTillItIsWritableAgain) {
    attachPen("sdb1", "CODE", {{"001.vxr", vxbName("一")}});
    clickRow(0);
    // Install, Remove and Restore: whether each takes a click, and its tooltip.
    using Look = std::vector<std::pair<bool, QString>>;
    const auto writes = [&] {
        return Look{{ui->btnInstall->isEnabled(), ui->btnInstall->toolTip()},
                    {ui->btnRemove->isEnabled(), ui->btnRemove->toolTip()},
                    {ui->actRestore->isEnabled(), ui->actRestore->toolTip()}};
    };
    const Look writable = writes();
    EXPECT_EQ(writable, (Look{{true, ""}, {true, ""}, {true, ui->actRestore->toolTip()}}));
    EXPECT_TRUE(ui->penReadOnly->isHidden());

    writeFile(dir / "sdb1/simulated-device.ini", "read-only = yes  ; a damaged pen\n");
    ASSERT_TRUE(spinUntil([&] { return !ui->penReadOnly->isHidden(); }));
    EXPECT_EQ(ui->penReadOnly->text(),
              "此点读笔处于只读状态，文件系统可能已损坏，不能安装、删除或恢复点读包。"
              "请用“点读笔”菜单中的“检查点读笔…”检查。");
    EXPECT_EQ(part<QAction>(app->window(), "actCheck")->text(), "检查点读笔…");
    EXPECT_EQ(writes(), Look(3, {false, "点读笔处于只读状态，无法写入"}));
    EXPECT_TRUE(ui->actBackup->isEnabled()) << "reading still works";
    QTest::keyClick(ui->listBook, Qt::Key_F5);  // refreshes, as 刷新
    EXPECT_FALSE(ui->penReadOnly->isHidden() || ui->btnInstall->isEnabled());

    std::filesystem::remove(dir / "sdb1/simulated-device.ini");
    ASSERT_TRUE(spinUntil([&] { return ui->penReadOnly->isHidden(); }));
    clickRow(0);
    EXPECT_EQ(writes(), writable);
}

using SimulatedPensTest = WindowTest<>;

TEST_F(SimulatedPensTest, OnlyPensAreListedAtStartOrOnAttachAndAPulledOneStays) {
    plugIn("pen-A", "KLV8A3C5D21", {{"001.vxr", vxbName("小学英语")}});
    // A device that answers as a pen but names another vendor is no pen.
    writeFile(plugIn("clone", "YYYYYYYYYYY") + "/" + SimulatedPlatform::deviceFile,
              "usb = 0c45:3201\nscsi-vendor = Pagor\n");
    start();
    EXPECT_EQ(penLook(), "小栗莓点读笔 Simulated Pen 1.00 | 0 [KLV8A3C5D21] [free] 111101 rows 1");
    EXPECT_EQ(tableRows(*app), Texts{"小学英语 | 自制-001"});
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
