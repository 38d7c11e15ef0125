// Backing up and restoring from the main window's 点读笔 menu, with the real
// backup window on simulated pens: what the window shows and a cancel while
// the copy runs.

#include "app/BackupWindow.h"

#include "support/MainWindowProbe.h"

#include <QApplication>
#include <QDate>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>

#include <unistd.h>

using namespace penshelf;
using namespace penshelf::test;

namespace {

class BackupWindowTest : public WindowTest<> {
  protected:
    BackupWindowTest() {
        start({.chooseBackupFolder =
                   [this](const QString& name, auto chosen) {
                       proposedName = name;
                       chosen(QString::fromStdString(folder));
                   },
               .chooseRestoreFolder =
                   [this](auto chosen) { chosen(QString::fromStdString(folder)); }});
    }

    // Triggers action, answers the conflict question with answer, presses
    // Cancel once the window shows the book cancelAt (from 1) under way, and
    // closes the window at the end. Returns what it showed then: its message
    // and, on the next line, the summary if shown.
    QString runToTheEnd(QAction* action, const QString& answer = {}, int cancelAt = 0) {
        QString ended;
        bool closed = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                for (QAbstractButton* button : alert->buttons()) {
                    if (button->text() == answer) button->click();
                }
                return;
            }
            BackupWindow* window = app->window()->findChild<BackupWindow*>();
            if (!window || !window->isVisible()) return;
            if (window->running()) {
                drawnWhileRunning =
                    drawnWhileRunning || window->dtInfo->text().startsWith("正在备份：");
                if (cancelAt > 0 &&
                    window->dtTotal->text().startsWith(QString("第 %1 本").arg(cancelAt))) {
                    QTest::mouseClick(window->btnCancel, Qt::LeftButton);
                }
                return;
            }
            ended = window->dtInfo->text() + "\n" +
                    (window->dtSummary->isVisible() ? window->dtSummary->toPlainText() : "");
            closed = true;
            QTest::mouseClick(window->btnClose, Qt::LeftButton);
        });
        poll.start(5);
        action->trigger();
        EXPECT_TRUE(spinUntil([&] { return closed; }, std::chrono::seconds(60)));
        return ended;
    }

    std::string folder = dir / "backup";
    QString proposedName;
    bool drawnWhileRunning = false;  // the window answered while a copy ran
};

TEST_F(BackupWindowTest, BackupThenRestoreOntoAnotherPenWithANumberTaken) {
    // The pen menu works only with a mounted pen selected.
    QMenu* menu = app->window()->menuBar()->findChild<QMenu*>();
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->actions().mid(2), (QList<QAction*>{ui->actBackup, ui->actRestore}))
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
    app->OnComboboxChanged();
    EXPECT_EQ(runToTheEnd(ui->actRestore, "使用空闲编号"),
              "恢复结束。\n已恢复（2）：\n    002.vxs 恐龙\n    001.vxr 小猫 → 002.vxr");
    EXPECT_EQ(tableRows(*app),
              (std::vector<std::string>{"别的书 | 自制-001", "小猫 | 自制-002", "恐龙 | 智能-002"}))
        << "the list shows the restored books";

    folder = dir / "no backup";
    std::filesystem::create_directories(folder);
    EXPECT_EQ(runToTheEnd(ui->actRestore),
              "此文件夹中没有备份清单 penshelf-backup.json，不是点读包备份！\n");

    platform.folderVolumes().unmount("sdb1");
    platform.folderVolumes().unmount("sdc1");
    app->RefreshList();
    EXPECT_FALSE(ui->actBackup->isEnabled() || ui->actRestore->isEnabled()) << "not mounted";
}

TEST_F(BackupWindowTest, CancelWhileCopyingStopsBeforeTheNextBook) {
    const std::string book = attachPen("sdb1", "KLV8A3C5D21");
    for (const char* entry : {"001.vxr", "002.vxr", "003.vxr", "004.vxr", "005.vxr"}) {
        writeFile(book + entry, BookFile{.name = vxbName(entry)}.bytes());
        // Sparse on the pen, so that the copy takes a while but the pen costs no disk.
        ASSERT_EQ(truncate((book + entry).c_str(), 64 << 20), 0);
    }
    app->RefreshList();
    const QString ended = runToTheEnd(ui->actBackup, {}, /*cancelAt=*/3);
    EXPECT_TRUE(drawnWhileRunning);
    ASSERT_TRUE(ended.startsWith("备份已取消：")) << ended.toStdString();

    // What the backup keeps of a cancelled run is the backup's own test.
    const std::set<std::string> kept = fileNamesIn(folder);
    EXPECT_FALSE(kept.count("004.vxr") || kept.count("005.vxr")) << "after the cancel";
}

}  // namespace
