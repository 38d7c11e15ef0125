// 检查点读笔…: the check window over a simulated pen whose file system is a
// FAT image, opened from the 点读笔 menu, and the repair's question.
#include "app/CheckWindow.h"
#include "app/Texts.h"

#include "support/FatImage.h"
#include "support/MainWindowProbe.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>

using namespace penshelf;
using namespace penshelf::test;

namespace {

class CheckWindowTest : public WindowTest<> {
  protected:
    // A plugged-in pen with one book whose file system image has the dirty flag.
    void plugInDamagedPen() {
        folder = plugIn("pen-A", "KLV8A3C5D21", {{"001.vxr", vxbName("小猫")}});
        makeFatImage(folder + "/pen.img");
        damageFatImage(folder + "/pen.img", FatDamage::DirtyFlag);
        writeFile(folder + "/simulated-device.ini", "image = pen.img\n");
        platform.rescan();
        ASSERT_TRUE(
            spinUntil([&] { return ui->listZiro->count() == 1 && ui->snZiro->isEnabled(); }));
    }
    static QString summaryOf(const CheckWindow& window) {
        return part<QPlainTextEdit>(&window, "dtSummary")->toPlainText();
    }
    static QString infoOf(const CheckWindow& window) {
        return part<QLabel>(&window, "dtInfo")->text();
    }

    std::string folder;
};

TEST_F(CheckWindowTest, MenuChecksRepairsAfterTheQuestionAndSummarises) {
    int asked = 0;
    start({.askRepair = [&] {
        ++asked;
        return RepairChoice::RepairNow;
    }});
    plugInDamagedPen();
    // The window runs modal: what it shows is read while it runs.
    QTimer::singleShot(0, [&] {
        auto* check = qobject_cast<CheckWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(check, nullptr);
        EXPECT_TRUE(part<QLabel>(check, "ttNotice")->text().contains(QStringLiteral("暂时卸载")));
        ASSERT_TRUE(spinUntil([&] { return !check->running(); }));
        const QString found = summaryOf(*check);
        EXPECT_TRUE(found.contains(QString::fromUtf8(texts::fileSystemDamaged)))
            << found.toStdString();
        EXPECT_TRUE(part<QPushButton>(check, "btnRepair")->isVisible());
        part<QPushButton>(check, "btnRepair")->click();
        ASSERT_TRUE(spinUntil([&] { return !check->running(); }));
        const QString repaired = summaryOf(*check);
        EXPECT_TRUE(repaired.contains(QString::fromUtf8(texts::afterRepairClean)))
            << repaired.toStdString();
        EXPECT_TRUE(repaired.contains(QString::fromUtf8(texts::booksUnchanged)));
        EXPECT_EQ(infoOf(*check), QString::fromUtf8(texts::penRepaired));
        part<QPushButton>(check, "btnClose")->click();
    });
    part<QAction>(app->window(), "actCheck")->trigger();

    EXPECT_EQ(asked, 1) << "the repair was asked for once, and granted";
    EXPECT_EQ(tableRows(*app), std::vector<std::string>{"小猫 | 自制-001"});
}

TEST_F(CheckWindowTest, RepairWaitsForAWholeBackupAndNothingWithoutConsent) {
    start();
    plugInDamagedPen();
    CheckWindow check(platform, platform.pens().at("pen-A").bsdName, app->window());
    RepairChoice answer = RepairChoice::Cancel;
    check.askRepair = [&] { return answer; };
    std::function<void(bool)> backupDone;
    check.backUp = [&](std::function<void(bool)> done) { backupDone = std::move(done); };
    check.start();
    ASSERT_TRUE(spinUntil([&] { return !check.running(); }));
    const std::string damaged = readFile(folder + "/pen.img");

    check.askAndRepair();  // cancelled
    answer = RepairChoice::BackUpFirst;
    check.askAndRepair();
    ASSERT_TRUE(backupDone);
    backupDone(false);  // the backup did not end whole
    spinFor(std::chrono::milliseconds(100));
    EXPECT_EQ(readFile(folder + "/pen.img"), damaged);
    EXPECT_EQ(infoOf(check), QString::fromUtf8(texts::backupNotWhole));

    check.askAndRepair();
    backupDone(true);
    ASSERT_TRUE(spinUntil([&] { return !check.running() && check.report().repair; }));
    EXPECT_TRUE(check.report().healthy());
}

}  // namespace
