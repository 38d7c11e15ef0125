// The main window's 点读笔 menu on simulated pens. Backing up and restoring with the real backup
// window: what it shows and a cancel while the copy runs. 检查点读笔…: the check window over a pen
// whose file system is a FAT image, and the repair's question.

#include "app/BackupWindow.h"
#include "app/CheckWindow.h"
#include "app/PenChooser.h"
#include "app/WindowTexts.h"

#include "support/FatImage.h"
#include "support/MainWindowProbe.h"
#include "support/ScopedEnv.h"

#include <QCheckBox>
#include <QDate>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include <gmock/gmock.h>
#include <unistd.h>

using namespace penshelf;
using namespace penshelf::test;
using ::testing::AllOf;
using ::testing::HasSubstr;

namespace {

class PenMenuTest : public WindowTest<> {
  protected:
    PenMenuTest() {
        start({.chooseBackupFolder =
                   [this](const QString& name, auto chosen) {
                       proposedName = name;
                       chosen(QString::fromStdString(folder));
                   },
               .chooseRestoreFolder =
                   [this](auto chosen) { chosen(QString::fromStdString(folder)); }});
    }

    // Triggers action, answers the conflict question with answer, presses Cancel once the window
    // shows the book cancelAt (from 1) under way, and closes the window at the end. Returns what it
    // showed then: its message and, on the next line, the summary if shown.
    QString runToTheEnd(QAction* action, const QString& answer = {}, int cancelAt = 0) {
        QString ended;
        bool closed = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* chooser = qobject_cast<PenChooser*>(QApplication::activeModalWidget())) {
                // The first pen offered, with a backup kept if asked.
                const auto* pens = part<QListWidget>(chooser, "listPens");
                for (int i = 0; i < pens->count(); ++i) offered << pens->item(i)->text();
                part<QCheckBox>(chooser, "chkKeepBackup")->setChecked(keepBackup);
                return chooser->accept();
            }
            if (auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                for (QAbstractButton* button : alert->buttons()) {
                    if (button->text() == answer) button->click();
                }
                return;
            }
            BackupWindow* window = app->window()->findChild<BackupWindow*>();
            if (!window || !window->isVisible()) return;
            const QString info = part<QLabel>(window, "dtInfo")->text();
            if (window->running()) {
                drawnWhileRunning = drawnWhileRunning || info.startsWith("正在备份：");
                const QString total = part<QLabel>(window, "dtTotal")->text();
                if (cancelAt > 0 && total.startsWith(QString("第 %1 本").arg(cancelAt))) {
                    QTest::mouseClick(part<QPushButton>(window, "btnCancel"), Qt::LeftButton);
                }
                return;
            }
            const auto* summary = part<QPlainTextEdit>(window, "dtSummary");
            ended = info + "\n" + (summary->isVisible() ? summary->toPlainText() : "");
            closed = true;
            QTest::mouseClick(part<QPushButton>(window, "btnClose"), Qt::LeftButton);
        });
        poll.start(5);
        action->trigger();
        EXPECT_TRUE(spinUntil([&] { return closed; }, std::chrono::seconds(60)));
        return ended;
    }

    static std::string summaryOf(const CheckWindow& window) {
        return part<QPlainTextEdit>(&window, "dtSummary")->toPlainText().toStdString();
    }

    std::string folder = dir / "backup";
    QString proposedName;
    bool drawnWhileRunning = false;  // the window answered while a copy ran
    QStringList offered;             // the pens a chooser offered
    bool keepBackup = false;
};

TEST_F(PenMenuTest, BackupThenRestoreOntoAnotherPenWithANumberTaken) {
    // The pen menu works only with a mounted pen selected.
    QMenu* menu = app->window()->menuBar()->findChild<QMenu*>();
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->actions().mid(2, 2), (QList<QAction*>{ui->actBackup, ui->actRestore}))
        << "after 检查点读笔… and a separator";
    EXPECT_FALSE(ui->actBackup->isEnabled() || ui->actRestore->isEnabled()) << "no pen";
    attachPen("sdb1", "KLV8A3C5D21", {{"001.vxr", vxbName("小猫")}, {"002.vxs", vxbName("恐龙")}});
    EXPECT_TRUE(ui->actBackup->isEnabled() && ui->actRestore->isEnabled());

    EXPECT_EQ(runToTheEnd(ui->actBackup),
              QString("备份完成：2 本点读包已备份到“%1”。\n已备份（2）：\n    001.vxr 小猫\n"
                      "    002.vxs 恐龙")
                  .arg(folder.c_str()));
    EXPECT_EQ(proposedName, "KLV8A3C5D21 " + QDate::currentDate().toString("yyyy-MM-dd"));

    attachPen("sdc1", "KLV00000002", {{"001.vxr", vxbName("别的书")}});
    ui->listZiro->setCurrentIndex(1);
    emit ui->listZiro->activated(1);
    EXPECT_EQ(runToTheEnd(ui->actRestore, "使用空闲编号"),
              "恢复结束。\n已恢复（2）：\n    002.vxs 恐龙\n    001.vxr 小猫 → 002.vxr");
    EXPECT_EQ(tableRows(*app), (Texts{"别的书 | 自制-001", "小猫 | 自制-002", "恐龙 | 智能-002"}))
        << "the list shows the restored books";

    folder = dir / "no backup";
    std::filesystem::create_directories(folder);
    EXPECT_EQ(runToTheEnd(ui->actRestore),
              "此文件夹中没有备份清单 penshelf-backup.json，不是点读包备份！\n");

    platform.folderVolumes().unmount("sdb1");
    platform.folderVolumes().unmount("sdc1");
    ui->btnRefresh->click();
    EXPECT_FALSE(ui->actBackup->isEnabled() || ui->actRestore->isEnabled()) << "not mounted";
}

TEST_F(PenMenuTest, CancelWhileCopyingStopsBeforeTheNextBook) {
    const std::string book = attachPen("sdb1", "KLV8A3C5D21");
    for (const char* entry : {"001.vxr", "002.vxr", "003.vxr", "004.vxr", "005.vxr"}) {
        writeFile(book + entry, BookFile{.name = vxbName(entry)}.bytes());
        ASSERT_EQ(truncate((book + entry).c_str(), 64 << 20), 0);  // sparse: slow to copy, no disk
    }
    ui->btnRefresh->click();
    const QString ended = runToTheEnd(ui->actBackup, {}, /*cancelAt=*/3);
    EXPECT_TRUE(drawnWhileRunning);
    ASSERT_TRUE(ended.startsWith("备份已取消：")) << ended.toStdString();

    const FileNames kept = fileNamesIn(folder);  // the rest: the backup's own test
    EXPECT_FALSE(kept.count("004.vxr") || kept.count("005.vxr")) << "after the cancel";
}

TEST_F(PenMenuTest, MenuChecksRepairsAfterTheQuestionAndSummarisesAndARepairWaitsForABackup) {
    int asked = 0;
    start({.askRepair = [&] {
        ++asked;
        return RepairChoice::RepairNow;
    }});
    // A plugged-in pen with one book whose file system image has the dirty flag.
    const std::string image =
        plugIn("pen-A", "KLV8A3C5D21", {{"001.vxr", vxbName("小猫")}}) + "/pen.img";
    makeFatImage(image);
    damageFatImage(image, FatDamage::DirtyFlag);
    writeFile(dir / "pens/pen-A/simulated-device.ini", "image = pen.img\n");
    platform.rescan();
    ASSERT_TRUE(spinUntil([&] { return ui->listZiro->count() == 1 && ui->snZiro->isEnabled(); }));
    // The window runs modal: what it shows is read while it runs.
    QTimer::singleShot(0, [&] {
        auto* check = qobject_cast<CheckWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(check, nullptr);
        EXPECT_TRUE(part<QLabel>(check, "ttNotice")->text().contains(QStringLiteral("暂时卸载")));
        ASSERT_TRUE(spinUntil([&] { return !check->running(); }));
        EXPECT_THAT(summaryOf(*check), HasSubstr(texts::fileSystemDamaged));
        EXPECT_TRUE(part<QPushButton>(check, "btnRepair")->isVisible());
        // Enter presses the focused button: 关闭 at first, 修复… once the user has tabbed back to
        // it.
        EXPECT_EQ(check->focusWidget(), part<QPushButton>(check, "btnClose"));
        QTest::keyClick(check->focusWidget(), Qt::Key_Backtab);
        QTest::keyClick(check->focusWidget(), Qt::Key_Return);
        ASSERT_TRUE(spinUntil([&] { return !check->running(); }));
        EXPECT_THAT(summaryOf(*check),
                    AllOf(HasSubstr(std::string(" clusters\n") + texts::afterRepairClean),
                          HasSubstr(texts::booksUnchanged)));
        EXPECT_EQ(part<QLabel>(check, "dtInfo")->text(), texts::penRepaired);
        EXPECT_FALSE(part<QPushButton>(check, "btnRepair")->isVisible()) << "once repaired";
        QTest::keyClick(check->focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(check->isVisible()) << "Enter on 关闭 closes";
        check->close();
    });
    part<QAction>(app->window(), "actCheck")->trigger();

    EXPECT_EQ(asked, 1) << "the repair was asked for once, and granted";
    EXPECT_EQ(tableRows(*app), Texts{"小猫 | 自制-001"});

    // Damaged again: a repair waits for a whole backup, and does nothing without consent.
    damageFatImage(image, FatDamage::DirtyFlag);
    RepairChoice answer = RepairChoice::Cancel;
    std::function<void(bool)> backupDone;
    CheckWindow check(
        platform, platform.pens().at("pen-A").bsdName,
        {.askRepair = [&] { return answer; },
         .backUp = [&](std::function<void(bool)> done) { backupDone = std::move(done); }},
        app->window());
    check.start();
    ASSERT_TRUE(spinUntil([&] { return !check.running(); }));
    const std::string damaged = readFile(image);

    check.askAndRepair();  // cancelled
    answer = RepairChoice::BackUpFirst;
    check.askAndRepair();
    ASSERT_TRUE(backupDone);
    backupDone(false);  // the backup did not end whole
    spinFor(std::chrono::milliseconds(100));
    EXPECT_EQ(readFile(image), damaged);
    EXPECT_EQ(part<QLabel>(&check, "dtInfo")->text(), texts::backupNotWhole);

    check.askAndRepair();
    backupDone(true);
    ASSERT_TRUE(spinUntil([&] { return !check.running() && check.report().repair; }));
    EXPECT_TRUE(check.report().healthy());
    EXPECT_THAT(summaryOf(check), HasSubstr(texts::backedUpBeforeRepair));
}

TEST_F(PenMenuTest, CopyOntoAnotherPenWithAConflictAndASharedPackageLeavesNoCacheBehind) {
    const ScopedEnv cache("XDG_CACHE_HOME", dir / "cache");
    QAction* copy = part<QAction>(app->window(), "actCopyPens");
    const std::string source =
        attachPen("sdb1", "KLV8A3C5D21", {{"001.vxr", vxbName("小猫")}, {"003.vxr", "ATT001"}});
    EXPECT_FALSE(copy->isEnabled());
    EXPECT_EQ(copy->toolTip(), texts::copyNeedsTwoPens);
    const std::string target = attachPen("sdc1", "KLV00000002", {{"001.vxr", vxbName("别的书")}});
    ASSERT_TRUE(copy->isEnabled());

    const QString books = "    001.vxr 小猫 → 002.vxr\n    003.vxr VXB小猫(001)";
    EXPECT_EQ(runToTheEnd(copy, "使用空闲编号"), "复制结束。\n已复制（2）：\n" + books);
    ASSERT_EQ(offered.size(), 1);
    EXPECT_TRUE(offered[0].startsWith("KLV00000002　剩余空间 "));
    EXPECT_EQ(readFile(target + "002.vxr"), readFile(source + "001.vxr"));
    std::string shares002 = readFile(source + "003.vxr");
    EXPECT_EQ(readFile(target + "003.vxr"), shares002.replace(3, 3, "002")) << "points at its book";
    EXPECT_TRUE(fileNamesIn(dir / "cache/penshelf").empty());

    // Again, keeping the backup: every book is there already.
    keepBackup = true;
    EXPECT_EQ(runToTheEnd(copy), "复制结束。\n已在笔内（2）：\n" + books);
    EXPECT_TRUE(fileNamesIn(folder).count("penshelf-backup.json"));
    EXPECT_TRUE(fileNamesIn(dir / "cache/penshelf").empty());
}

}  // namespace
