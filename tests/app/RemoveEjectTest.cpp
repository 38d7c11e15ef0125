// Removing a book and ejecting a pen from the main window.

#include "device/linux/MountTable.h"
#include "device/linux/SystemEject.h"

#include "support/LoopVolume.h"
#include "support/MainWindowProbe.h"
#include "support/ScopedEnv.h"
#include "texts/SharedTexts.h"

#include <QMessageBox>

#include <sys/stat.h>

using namespace penshelf;
using namespace penshelf::test;
namespace fs = std::filesystem;

namespace {

// Pens as folders, ejected through the system's eject commands as found on PATH.
class CommandEjectPlatform : public SimulatedPlatform {
  public:
    using SimulatedPlatform::SimulatedPlatform;
    bool eject(const std::string& bsdName) override {
        return ejectWithSystemCommands("/dev/" + bsdName,
                                       [&] { return !volumes().GetVolumePath(bsdName).empty(); });
    }
    const Volumes& volumes() const override {
        return realMounts ? *realMounts : SimulatedPlatform::volumes();
    }
    std::optional<MountTable> realMounts;
};

class RemoveEjectTest : public WindowTest<CommandEjectPlatform> {
  protected:
    RemoveEjectTest() {
        start({.reportEjectFailure = [this] { ++ejectFailures; }});
    }

    // Selects the row showing name, as a user clicks it.
    void selectRow(const std::string& name) {
        auto* model = ui->listBook->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, 0).data().toString().toStdString() != name) continue;
            return clickRow(row);
        }
        FAIL() << "no row " << name;
    }
    void clickHeader(int column) {
        QHeaderView* header = ui->listBook->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          {header->sectionViewportPosition(column) + 5, header->height() / 2});
    }
    // Presses Remove (or Delete on the table) and, after meanwhile, answers the alert with the
    // button named answer. The alert's text is kept in asked.
    void remove(const QString& answer, std::function<void(QMessageBox*)> meanwhile = {},
                Qt::Key key = {}) {
        const auto answering = answerModal<QMessageBox>([=, this](QMessageBox& alert) {
            asked.push_back(alert.text().toStdString());
            if (meanwhile) meanwhile(&alert);
            for (QAbstractButton* button : alert.buttons()) {
                if (button->text() == answer) button->click();
            }
        });
        if (!key) return QTest::mouseClick(ui->btnRemove, Qt::LeftButton);
        app->window()->activateWindow();  // again, after an alert
        EXPECT_TRUE(QTest::qWaitForWindowActive(app->window()));
        ui->listBook->setFocus();
        QTest::keyClick(ui->listBook, key);
    }
    void eject() { QTest::mouseClick(ui->btnEject, Qt::LeftButton); }
    int rowCount() const { return ui->listBook->model()->rowCount(); }
    bool rowSelected() const { return !ui->listBook->selectionModel()->selectedRows().isEmpty(); }

    const std::string bin = dir / "bin";
    Texts asked;
    int ejectFailures = 0;
};

TEST_F(RemoveEjectTest,
       TheAlertAsksAndDeleteRemovesExactlyTheSelectedRowsFileAndNothingOnceThePenIsOut) {
    const std::string book = attachPen("sdb1", "CODE",
                                       {{"002.vxr", vxbName("<b>Shared</b>")},
                                        {"004.vxr", "ATT002"},
                                        {"005.vxs", vxbName("Five")}});
    selectRow("VXB<b>Shared</b>(002)");  // the sharing package, not its target
    remove("取消", [](QMessageBox* alert) {
        EXPECT_EQ(alert->textFormat(), Qt::PlainText) << "a name from the pen is no markup";
        EXPECT_EQ(alert->informativeText(), "删除点读包后将不能恢复！");
        QStringList buttons;
        for (QAbstractButton* button : alert->buttons()) buttons << button->text();
        EXPECT_EQ(buttons, QStringList({"删除", "取消"}));
        EXPECT_EQ(alert->defaultButton()->text(), "删除");
    });
    EXPECT_EQ(fileNamesIn(book), (FileNames{"002.vxr", "004.vxr", "005.vxs"}));
    EXPECT_TRUE(rowSelected() && ui->btnRemove->isEnabled()) << "a cancel keeps the selection";

    remove("删除", {}, Qt::Key_Delete);  // the same question
    EXPECT_EQ(asked, Texts(2, "VXB<b>Shared</b>(002)\r\n是否删除此点读包？"));
    EXPECT_EQ(fileNamesIn(book), (FileNames{"002.vxr", "005.vxs"}));
    EXPECT_EQ(rowCount(), 2);
    EXPECT_FALSE(rowSelected() || ui->btnRemove->isEnabled());
    remove("删除", {}, Qt::Key_Delete);
    EXPECT_EQ(asked.size(), 2u) << "nothing selected, nothing asked";

    // A file that vanished behind the program's back: no message, row gone.
    selectRow("Five");
    fs::remove(book + "005.vxs");
    remove("删除");
    EXPECT_EQ(rowCount(), 1);

    // Run from a folder with a BOOK/ of its own, which is no pen's. While the alert is open the pen
    // is pulled out, and another disk is mounted where it was: nothing deleted, nothing listed.
    writeFile(dir / "BOOK/002.vxr", BookFile{.name = vxbName("Not on the pen")}.bytes());
    const auto previous = fs::current_path();
    fs::current_path(dir.path());
    selectRow("<b>Shared</b>");
    remove("删除", [&](QMessageBox*) {
        platform.folderVolumes().unmount("sdb1");
        platform.folderVolumes().mount("sdz1", dir / "sdb1");
    });
    fs::current_path(previous);
    EXPECT_EQ(asked.size(), 4u);
    EXPECT_EQ(fileNamesIn(book), FileNames{"002.vxr"});
    EXPECT_EQ(fileNamesIn(dir / "BOOK"), FileNames{"002.vxr"});
    EXPECT_EQ(penLook(), "小栗莓点读笔 PEN 1.00 | 0 [CODE] [---] 111101 rows 0");
    EXPECT_TRUE(app->selectedBookFolder().empty());
}

TEST_F(RemoveEjectTest, ASortedTableRemovesTheBookTheUserSelected) {
    const std::string book = attachPen("sdb1", "CODE",
                                       {{"001.vxr", vxbName("Cherry")},
                                        {"002.vxs", vxbName("Apple")},
                                        {"003.vxr", vxbName("Banana")}});
    EXPECT_EQ(ui->listBook->horizontalHeader()->sortIndicatorSection(), -1)
        << "the pen's own order, no sort indicator";
    clickHeader(1);
    EXPECT_EQ(shownRows(*app),
              (Texts{"Apple | 智能-002", "Cherry | 自制-001", "Banana | 自制-003"}));
    clickHeader(0);
    clickHeader(0);  // a second click turns the order
    ASSERT_EQ(shownRows(*app),
              (Texts{"Cherry | 自制-001", "Banana | 自制-003", "Apple | 智能-002"}));

    clickRow(1);
    remove("删除");
    EXPECT_EQ(asked, Texts{"Banana\r\n是否删除此点读包？"});
    EXPECT_EQ(fileNamesIn(book), (FileNames{"001.vxr", "002.vxs"}));
    EXPECT_EQ(shownRows(*app), (Texts{"Cherry | 自制-001", "Apple | 智能-002"}));
}

TEST_F(RemoveEjectTest, EjectRunsTheCommandsForTheSelectedPenAndAFailureSaysSo) {
    // A stand-in for udisksctl, first on PATH, that records its arguments and exits with the status
    // written in the device's exit file.
    writeFile(bin + "/udisksctl", "#!/bin/sh\necho \"$@\" >> '" + bin + "/calls'\nexit $(cat '" +
                                      bin + "/exit-'\"${3#/dev/}\" 2>/dev/null || echo 0)\n");
    chmod((bin + "/udisksctl").c_str(), 0755);
    const ScopedEnv path("PATH", bin + ":" + qgetenv("PATH").toStdString());
    attachPen("sdb1", "FIRST", {{"001.vxr", vxbName("One")}});
    attachPen("sdc1", "SECOND");
    QTest::keyClick(ui->listZiro, Qt::Key_Down);
    ASSERT_EQ(ui->snZiro->text(), "SECOND");
    eject();
    EXPECT_EQ(readFile(bin + "/calls"),
              "unmount --block-device /dev/sdc1\npower-off --block-device /dev/sdc1\n");
    const std::string first = "小栗莓点读笔 PEN 1.00 | 0 [FIRST] [free] 111101 rows 1";
    EXPECT_EQ(penLook(), first);

    // The command fails and the pen is still mounted: it stays, with a word.
    writeFile(bin + "/exit-sdb1", "1");
    fs::remove(bin + "/calls");
    eject();
    EXPECT_EQ(readFile(bin + "/calls"), "unmount --block-device /dev/sdb1\n");
    EXPECT_EQ(ejectFailures, 1);
    EXPECT_EQ(penLook(), first);

    // Pulled out meanwhile: the failing command removes it without a word, and the disk that is no
    // longer mounted is still powered off.
    platform.folderVolumes().unmount("sdb1");
    fs::remove(bin + "/calls");
    eject();
    EXPECT_EQ(readFile(bin + "/calls"),
              "unmount --block-device /dev/sdb1\npower-off --block-device /dev/sdb1\n");
    EXPECT_EQ(ejectFailures, 1);
    EXPECT_EQ(ui->listZiro->itemText(0), "请连接点读系列产品！");

    // Without the hook: the alert.
    start({});
    attachPen("sdb1", "STILLHERE");
    QString text;
    const auto answering = answerModal<QMessageBox>([&](QMessageBox& alert) {
        text = alert.text();
        alert.accept();
    });
    eject();
    EXPECT_EQ(text, "弹出点读笔失败，请关闭正在使用点读笔的程序后重试！");

    // 全部弹出: each pen in turn, one alert naming the pens kept.
    attachPen("sdc1", "GOES");
    attachPen("sdd1", "GOESTOO");
    fs::remove(bin + "/calls");
    part<QAction>(app->window(), "actEjectAll")->trigger();
    EXPECT_EQ(text, "下列点读笔未能弹出：\n小栗莓点读笔 STILLHERE");
    EXPECT_EQ(penLook(), "小栗莓点读笔 PEN 1.00 | 0 [STILLHERE] [free] 111101 rows 1");
    EXPECT_EQ(readFile(bin + "/calls").find("power-off --block-device /dev/sdb1"),
              std::string::npos);
    EXPECT_NE(readFile(bin + "/calls").find("power-off --block-device /dev/sdd1"),
              std::string::npos);
}

// As root: the kernel meets an error on the pen while the window runs and refuses writes from then
// on, while the mount table keeps saying "rw". Then the pen is ejected through umount, where there
// is no udisksctl.
TEST_F(RemoveEjectTest, APenTurnedReadOnlyByAnErrorSaysSoTakesNoInstallAndIsEjected) {
    MAKE_LOOP_VOLUME(volume, 4096, "errors=remount-ro");
    const std::string loop = volume->device();
    ASSERT_EQ(MountTable().GetVolumePath(loop), volume->root + "/");
    writeFile(volume->book + "001.vxr", BookFile{.name = vxbName("One")}.bytes());
    writeFile(dir / "two.vxb", BookFile{.name = vxbName("Two")}.bytes());
    platform.realMounts.emplace();  // the pen's volume found in the real mount table
    attachPen(loop, "", {}, volume->root);
    ASSERT_EQ(rowCount(), 1);
    EXPECT_TRUE(ui->penReadOnly->isHidden() && ui->btnInstall->isEnabled());

    ASSERT_TRUE(volume->forceError());
    EXPECT_NE(readFile("/proc/self/mountinfo").find(" " + volume->root + " rw,"),
              std::string::npos);
    ASSERT_TRUE(spinUntil([&] { return !ui->penReadOnly->isHidden(); }));
    EXPECT_FALSE(ui->btnInstall->isEnabled());

    // A finished portal download still opens the install window: it says why at once, and Install
    // copies nothing.
    Texts said;
    const auto answer = answerInstallWindows([&](InstWindow&, const InstWindowParts& parts) {
        said.push_back(parts.dtInfo->text().toStdString());
        parts.btnInstall->click();
        said.push_back(parts.dtInfo->text().toStdString());
        parts.btnCancel->click();
    });
    app->installBookFile(QString::fromStdString(dir / "two.vxb"));
    EXPECT_EQ(said, Texts(2, texts::penReadOnly));
    EXPECT_EQ(fileNamesIn(volume->book), FileNames{"001.vxr"}) << "no copy begun";

    fs::create_directories(bin);
    fs::create_symlink("/usr/bin/umount", bin + "/umount");
    fs::create_symlink("/usr/bin/eject", bin + "/eject");
    const ScopedEnv path("PATH", bin);
    eject();
    EXPECT_TRUE(platform.volumes().GetVolumePath(loop).empty()) << "unmounted";
    EXPECT_EQ(ui->listZiro->itemText(0), "请连接点读系列产品！");
}

}  // namespace
