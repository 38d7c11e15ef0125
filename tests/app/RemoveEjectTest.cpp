// Removing a book and ejecting a pen from the main window.

#include "app/Alerts.h"
#include "app/AppDelegate.h"
#include "device/linux/MountTable.h"
#include "device/linux/SystemEject.h"
#include "device/simulated/SimulatedPlatform.h"

#include "support/BookFile.h"
#include "support/MainWindowProbe.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

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

// Puts a folder first on PATH for the life of the object.
class PathPrefix {
  public:
    explicit PathPrefix(const std::string& folder) : saved_(qgetenv("PATH")) {
        qputenv("PATH", QByteArray::fromStdString(folder) + ":" + saved_);
    }
    ~PathPrefix() { qputenv("PATH", saved_); }

  private:
    QByteArray saved_;
};

// Answers the application-modal alert that the next action opens.
void answerNextAlert(std::function<void(QMessageBox*)> answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        if (auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            answer(alert);
        }
    });
    poll->start(10);
}

QAbstractButton* buttonNamed(QMessageBox* alert, const QString& text) {
    for (QAbstractButton* button : alert->buttons()) {
        if (button->text() == text) return button;
    }
    return nullptr;
}

class RemoveEjectTest : public ::testing::Test {
  protected:
    RemoveEjectTest() {
        app.applicationDidFinishLaunching();
        app.window()->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(app.window()));
    }

    std::string attachPen(const std::string& bsdName, const std::string& code,
                          const std::map<std::string, std::string>& books = {}) {
        return attachFolderPen(app, platform, dir, bsdName, code, books);
    }

    // Selects the row showing name, as a user clicks it.
    void selectRow(const std::string& name) {
        auto* model = app.listBook->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, 0).data().toString().toStdString() != name) continue;
            const QRect cell = app.listBook->visualRect(model->index(row, 0));
            QTest::mouseClick(app.listBook->viewport(), Qt::LeftButton, {}, cell.center());
            return;
        }
        FAIL() << "no row " << name;
    }

    int rowCount() const { return app.listBook->model()->rowCount(); }

    // A stand-in for udisksctl that records its arguments and exits with the
    // status written in its exit file.
    std::string fakeUdisksctl() {
        const std::string bin = dir / "bin";
        writeFile(bin + "/udisksctl", "#!/bin/sh\necho \"$@\" >> '" + bin +
                                          "/calls'\nexit $(cat '" + bin +
                                          "/exit' 2>/dev/null || echo 0)\n");
        chmod((bin + "/udisksctl").c_str(), 0755);
        return bin;
    }

    TempDir dir;
    CommandEjectPlatform platform{dir / "no-pens"};
    std::ostringstream log;
    AppDelegate app{platform, {log, log}};
    std::vector<std::string> asked;
    int ejectFailures = 0;
};

TEST_F(RemoveEjectTest, CancelKeepsTheFileAndTheSelection) {
    const std::string book = attachPen("sdb1", "CODE", {{"001.vxr", vxbName("One")}});
    app.confirmRemoval = [&](const QString& name) {
        asked.push_back(name.toStdString());
        return false;
    };
    selectRow("One");
    QTest::mouseClick(app.btnRemove, Qt::LeftButton);

    EXPECT_EQ(asked, std::vector<std::string>{"One"});
    EXPECT_TRUE(fs::exists(book + "001.vxr"));
    EXPECT_EQ(app.listBook->selectionModel()->selectedRows().size(), 1);
    EXPECT_TRUE(app.btnRemove->isEnabled());
}

TEST_F(RemoveEjectTest, DeleteRemovesExactlyTheSelectedRowsFile) {
    const std::string book = attachPen("sdb1", "CODE",
                                       {{"002.vxr", vxbName("Shared title")},
                                        {"004.vxr", "ATT002"},
                                        {"005.vxs", vxbName("Five")}});
    app.confirmRemoval = [&](const QString& name) {
        asked.push_back(name.toStdString());
        return true;
    };
    selectRow("VXBShared title(002)");  // the sharing package, not its target
    QTest::mouseClick(app.btnRemove, Qt::LeftButton);

    EXPECT_EQ(asked, std::vector<std::string>{"VXBShared title(002)"});
    EXPECT_FALSE(fs::exists(book + "004.vxr"));
    EXPECT_TRUE(fs::exists(book + "002.vxr"));
    EXPECT_TRUE(fs::exists(book + "005.vxs"));
    EXPECT_EQ(rowCount(), 2);
    EXPECT_TRUE(app.listBook->selectionModel()->selectedRows().isEmpty());
    EXPECT_FALSE(app.btnRemove->isEnabled());

    // A file that vanished behind the program's back: no message, row gone.
    selectRow("Five");
    fs::remove(book + "005.vxs");
    QTest::mouseClick(app.btnRemove, Qt::LeftButton);
    EXPECT_EQ(rowCount(), 1);
}

TEST_F(RemoveEjectTest, FileSwappedForAFolderIsNotDeleted) {
    const std::string book = attachPen("sdb1", "CODE", {{"001.vxr", vxbName("One")}});
    app.confirmRemoval = [](const QString&) { return true; };
    selectRow("One");
    fs::remove(book + "001.vxr");
    fs::create_directory(book + "001.vxr");
    writeFile(book + "001.vxr/keep", "x");
    QTest::mouseClick(app.btnRemove, Qt::LeftButton);
    EXPECT_TRUE(fs::exists(book + "001.vxr/keep"));
    EXPECT_EQ(rowCount(), 0);
}

TEST_F(RemoveEjectTest, PenPulledOutMeanwhileDeletesNothingAtItsOldPlace) {
    const std::string book = attachPen("sdb1", "CODE", {{"001.vxr", vxbName("One")}});
    app.confirmRemoval = [&](const QString&) {
        // While the alert is open the pen is pulled out, and another disk
        // is mounted where it was.
        platform.folderVolumes().unmount("sdb1");
        platform.folderVolumes().mount("sdz1", dir / "sdb1");
        return true;
    };
    selectRow("One");
    QTest::mouseClick(app.btnRemove, Qt::LeftButton);
    EXPECT_TRUE(fs::exists(book + "001.vxr"));
    EXPECT_EQ(rowCount(), 0);
    EXPECT_EQ(app.fsZiro->text(), "---");
}

TEST_F(RemoveEjectTest, TheRealAlertAsksWithTheNameOnItsOwnLine) {
    const auto empty = makeRemovalAlert("", nullptr);
    EXPECT_EQ(empty->text(), "\r\n是否删除此点读包？");
    // A name from the pen is shown as it is, never as markup.
    EXPECT_EQ(makeRemovalAlert("<b>粗体</b>", nullptr)->textFormat(), Qt::PlainText);

    const std::string book = attachPen("sdb1", "CODE", {{"001.vxr", vxbName("小兔子")}});
    QString text, informative;
    QStringList buttons;
    QString defaultButton;
    answerNextAlert([&](QMessageBox* alert) {
        text = alert->text();
        informative = alert->informativeText();
        for (QAbstractButton* button : alert->buttons()) buttons << button->text();
        defaultButton = alert->defaultButton()->text();
        buttonNamed(alert, "取消")->click();
    });
    selectRow("小兔子");
    QTest::mouseClick(app.btnRemove, Qt::LeftButton);
    EXPECT_EQ(text, "小兔子\r\n是否删除此点读包？");
    EXPECT_EQ(informative, "删除点读包后将不能恢复！");
    EXPECT_EQ(buttons, QStringList({"删除", "取消"}));
    EXPECT_EQ(defaultButton, "删除");
    EXPECT_TRUE(fs::exists(book + "001.vxr"));

    answerNextAlert([](QMessageBox* alert) { buttonNamed(alert, "删除")->click(); });
    QTest::mouseClick(app.btnRemove, Qt::LeftButton);
    EXPECT_FALSE(fs::exists(book + "001.vxr"));
}

TEST_F(RemoveEjectTest, EjectRunsTheCommandForTheSelectedPen) {
    const PathPrefix path(fakeUdisksctl());
    attachPen("sdb1", "FIRST");
    attachPen("sdc1", "SECOND");
    QTest::keyClick(app.listZiro, Qt::Key_Down);
    ASSERT_EQ(app.snZiro->text(), "SECOND");

    QTest::mouseClick(app.btnEject, Qt::LeftButton);
    EXPECT_EQ(readFile(dir / "bin/calls"),
              "unmount --block-device /dev/sdc1\npower-off --block-device /dev/sdc1\n");
    EXPECT_EQ(app.listZiro->count(), 1);
    EXPECT_EQ(app.snZiro->text(), "FIRST");

    QTest::mouseClick(app.btnEject, Qt::LeftButton);
    EXPECT_EQ(app.listZiro->itemText(0), "请连接点读系列产品！");
    EXPECT_FALSE(app.btnEject->isEnabled());
    EXPECT_EQ(app.listBook->model()->rowCount(), 0);
}

TEST_F(RemoveEjectTest, FailedEjectKeepsAMountedPenAndSaysSo) {
    const std::string bin = fakeUdisksctl();
    const PathPrefix path(bin);
    writeFile(bin + "/exit", "1");
    app.reportEjectFailure = [&] { ++ejectFailures; };
    attachPen("sdb1", "STILLHERE", {{"001.vxr", vxbName("One")}});

    QTest::mouseClick(app.btnEject, Qt::LeftButton);
    EXPECT_EQ(readFile(bin + "/calls"), "unmount --block-device /dev/sdb1\n");
    EXPECT_EQ(ejectFailures, 1);
    EXPECT_EQ(app.snZiro->text(), "STILLHERE");
    EXPECT_EQ(rowCount(), 1);

    // Pulled out meanwhile: the failing command removes it without a word,
    // and the disk that is no longer mounted is still powered off.
    platform.folderVolumes().unmount("sdb1");
    QTest::mouseClick(app.btnEject, Qt::LeftButton);
    EXPECT_EQ(readFile(bin + "/calls"),
              "unmount --block-device /dev/sdb1\nunmount --block-device /dev/sdb1\n"
              "power-off --block-device /dev/sdb1\n");
    EXPECT_EQ(ejectFailures, 1);
    EXPECT_EQ(app.listZiro->itemText(0), "请连接点读系列产品！");
}

TEST_F(RemoveEjectTest, TheRealFailureAlert) {
    const std::string bin = fakeUdisksctl();
    const PathPrefix path(bin);
    writeFile(bin + "/exit", "1");
    attachPen("sdb1", "STILLHERE");
    QString text;
    answerNextAlert([&](QMessageBox* alert) {
        text = alert->text();
        alert->accept();
    });
    QTest::mouseClick(app.btnEject, Qt::LeftButton);
    EXPECT_EQ(text, "弹出点读笔失败，请关闭正在使用点读笔的程序后重试！");
}

// As root: a loop-mounted volume ejected through umount, where there is no udisksctl.
TEST_F(RemoveEjectTest, RealEjectOfALoopMountedVolume) {
    if (geteuid() != 0) GTEST_SKIP() << "loop mounts need root";
    const std::string image = dir / "pen.img";
    const std::string mountPoint = dir / "PEN";
    fs::create_directories(mountPoint);
    if (std::system(("mkfs.ext4 -q '" + image + "' 4M").c_str()) != 0) GTEST_SKIP() << "no mkfs";
    FILE* losetup = popen(("losetup -f --show '" + image + "'").c_str(), "r");
    char device[64] = {};
    const bool attached = losetup && fgets(device, sizeof device, losetup);
    if (losetup) pclose(losetup);
    if (!attached) GTEST_SKIP() << "no loop device";
    std::string loop = std::string(device).substr(5);
    loop.pop_back();
    ASSERT_EQ(std::system(("mount /dev/" + loop + " '" + mountPoint + "'").c_str()), 0);

    // A PATH with umount and eject but no udisksctl.
    const std::string bin = dir / "bin-no-udisks";
    fs::create_directories(bin);
    fs::create_symlink("/usr/bin/umount", bin + "/umount");
    for (const char* eject : {"/usr/bin/eject", "/bin/eject"}) {
        if (fs::exists(eject)) {
            fs::create_symlink(eject, bin + "/eject");
            break;
        }
    }
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin));
    platform.realMounts.emplace();
    ASSERT_EQ(platform.volumes().GetVolumePath(loop), mountPoint + "/");
    PenRecord pen{.vendor = "pagor",
                  .product = "LOOP",
                  .revision = "1",
                  .bsdName = loop,
                  .displayName = penDisplayName};
    app.storePen(pen);

    QTest::mouseClick(app.btnEject, Qt::LeftButton);
    qputenv("PATH", savedPath);
    const bool stillMounted = !platform.volumes().GetVolumePath(loop).empty();
    if (stillMounted) std::system(("umount '" + mountPoint + "'").c_str());
    std::system(("losetup -d /dev/" + loop).c_str());
    EXPECT_FALSE(stillMounted);
    EXPECT_EQ(app.listZiro->itemText(0), "请连接点读系列产品！");
}

}  // namespace
