// The main window as real widgets: pen list, book table, enabling rules, tabs.

#include "app/AppDelegate.h"
#include "device/simulated/SimulatedPlatform.h"

#include "support/BookFile.h"
#include "support/MainWindowProbe.h"
#include "support/TempDir.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <sstream>

using namespace penshelf;
using namespace penshelf::test;

namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() {
        // The portal tabs ask a service that refuses at once, and show nothing.
        qputenv("PENSHELF_SERVICE_URL", "http://127.0.0.1:1/PagorFunc.php");
        app.showPortalPage = [](const std::optional<QUrl>&) {};
        app.applicationDidFinishLaunching();
    }
    ~MainWindowTest() override { qunsetenv("PENSHELF_SERVICE_URL"); }

    // A pen folder with the given books (file -> title).
    PenRecord attachPen(const std::string& bsdName, const std::string& code,
                        const std::map<std::string, std::string>& books = {}) {
        std::map<std::string, std::string> nameStrings;
        for (const auto& [file, title] : books) nameStrings[file] = vxbName(title);
        attachFolderPen(app, platform, dir, bsdName, code, nameStrings);
        return app.dataZiro.at(bsdName);
    }

    std::vector<std::string> comboItems() const {
        std::vector<std::string> items;
        for (int i = 0; i < app.listZiro->count(); ++i) {
            items.push_back(app.listZiro->itemText(i).toStdString());
        }
        return items;
    }

    std::vector<std::string> tableRows() const { return test::tableRows(app); }

    void clickRow(int row) {
        const QRect cell = app.listBook->visualRect(app.listBook->model()->index(row, 0));
        QTest::mouseClick(app.listBook->viewport(), Qt::LeftButton, {}, cell.center());
    }

    void expectNoPenState() {
        EXPECT_EQ(comboItems(), std::vector<std::string>{"请连接点读系列产品！"});
        EXPECT_EQ(app.listZiro->currentIndex(), 0);
        EXPECT_TRUE(app.snZiro->text().isEmpty());
        EXPECT_TRUE(app.fsZiro->text().isEmpty());
        EXPECT_FALSE(app.snZiro->isEnabled());
        EXPECT_FALSE(app.fsZiro->isEnabled());
        EXPECT_FALSE(app.btnInstall->isEnabled());
        EXPECT_FALSE(app.btnEject->isEnabled());
        EXPECT_FALSE(app.btnRemove->isEnabled());
        EXPECT_TRUE(app.btnRefresh->isEnabled());
        EXPECT_EQ(app.listBook->model()->rowCount(), 0);
    }

    TempDir dir;
    // No simulated pens: the tests store records as identification would.
    SimulatedPlatform platform{dir / "no-pens"};
    std::ostringstream log;
    AppDelegate app{platform, {log, log}};
};

TEST_F(MainWindowTest, StartsInTheNoPenState) {
    expectNoPenState();
    EXPECT_TRUE(app.tabContent->isChecked());
    EXPECT_FALSE(app.boxBook->isHidden());
    EXPECT_TRUE(app.webView->isHidden());
}

TEST_F(MainWindowTest, OnePenShowsItsCodeFreeSpaceAndBooks) {
    attachPen("sdb1", "A1B2C3D4E5F", {{"001.vxr", "小兔子乖乖"}, {"002.vxs", "三只小猪"}});

    EXPECT_EQ(comboItems(), std::vector<std::string>{"小栗莓点读笔 PEN 1.00"});
    EXPECT_EQ(app.snZiro->text(), "A1B2C3D4E5F");
    EXPECT_EQ(app.orvCode, "A1B2C3D4E5F");
    EXPECT_FALSE(app.fsZiro->text().isEmpty());
    EXPECT_NE(app.fsZiro->text(), "---");
    EXPECT_EQ(app.pathZiro, dir / "sdb1/BOOK/");
    EXPECT_EQ(tableRows(),
              (std::vector<std::string>{"三只小猪 | 智能-002", "小兔子乖乖 | 自制-001"}));
    EXPECT_TRUE(app.snZiro->isEnabled());
    EXPECT_TRUE(app.btnInstall->isEnabled());
    EXPECT_TRUE(app.btnEject->isEnabled());
    EXPECT_FALSE(app.btnRemove->isEnabled());
}

TEST_F(MainWindowTest, EqualEntriesAreToldApartByPosition) {
    attachPen("sdb1", "FIRST", {{"001.vxr", "First pen's book"}});
    attachPen("sdc1", "SECOND", {{"007.vxr", "Second pen's book"}});
    ASSERT_EQ(comboItems(), std::vector<std::string>(2, "小栗莓点读笔 PEN 1.00"));
    EXPECT_EQ(app.snZiro->text(), "FIRST");

    // The user picks the second entry with the keyboard.
    QTest::keyClick(app.listZiro, Qt::Key_Down);
    EXPECT_EQ(app.listZiro->currentIndex(), 1);
    EXPECT_EQ(app.snZiro->text(), "SECOND");
    EXPECT_EQ(tableRows(), std::vector<std::string>{"Second pen's book | 自制-007"});

    // A newly identified pen rebuilds the list and selects the first pen again.
    attachPen("sda1", "ZERO");
    EXPECT_EQ(app.listZiro->currentIndex(), 0);
    EXPECT_EQ(app.snZiro->text(), "ZERO");
    EXPECT_EQ(app.listBook->model()->rowCount(), 0);
}

TEST_F(MainWindowTest, SameDiskNameReplacesItsRecord) {
    attachPen("sdb1", "OLDCODE");
    attachPen("sdb1", "NEWCODE");
    EXPECT_EQ(app.listZiro->count(), 1);
    EXPECT_EQ(app.snZiro->text(), "NEWCODE");
}

TEST_F(MainWindowTest, SelectingARowEnablesRemoveAndRefreshClearsIt) {
    attachPen("sdb1", "CODE", {{"001.vxr", "One"}, {"002.vxr", "Two"}});
    app.window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app.window()));

    clickRow(1);
    EXPECT_TRUE(app.btnRemove->isEnabled());

    // A book copied onto the pen behind the program's back shows after Refresh.
    writeFile(dir / "sdb1/BOOK/003.vxs", BookFile{.name = vxbName("Three")}.bytes());
    QTest::mouseClick(app.btnRefresh, Qt::LeftButton);
    EXPECT_EQ(tableRows().size(), 3u);
    EXPECT_TRUE(app.listBook->selectionModel()->selectedRows().isEmpty());
    EXPECT_FALSE(app.btnRemove->isEnabled());
}

TEST_F(MainWindowTest, TabsSwitchBetweenBooksAndWebView) {
    QTest::mouseClick(app.tabBook, Qt::LeftButton);
    EXPECT_FALSE(app.tabContent->isChecked());
    EXPECT_TRUE(app.tabBook->isChecked());
    EXPECT_FALSE(app.tabRepair->isChecked());
    EXPECT_TRUE(app.boxBook->isHidden());
    EXPECT_FALSE(app.webView->isHidden());

    QTest::mouseClick(app.tabBook, Qt::LeftButton);  // pressing the tab that is on keeps it on
    EXPECT_TRUE(app.tabBook->isChecked());

    QTest::mouseClick(app.tabRepair, Qt::LeftButton);
    EXPECT_FALSE(app.tabBook->isChecked());
    EXPECT_TRUE(app.tabRepair->isChecked());
    EXPECT_TRUE(app.boxBook->isHidden());

    QTest::mouseClick(app.tabContent, Qt::LeftButton);
    EXPECT_TRUE(app.tabContent->isChecked());
    EXPECT_FALSE(app.tabRepair->isChecked());
    EXPECT_FALSE(app.boxBook->isHidden());
    EXPECT_TRUE(app.webView->isHidden());
}

TEST_F(MainWindowTest, LastPenGoneKeepsItsCodeAndFolder) {
    attachPen("sdb1", "KEPTCODE", {{"001.vxr", "One"}});
    app.window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app.window()));
    clickRow(0);
    ASSERT_TRUE(app.btnRemove->isEnabled());

    app.dataZiro.clear();
    app.InitZiro();
    expectNoPenState();
    EXPECT_EQ(app.orvCode, "KEPTCODE");
    EXPECT_EQ(app.pathZiro, dir / "sdb1/BOOK/");
}

TEST_F(MainWindowTest, UnmountedPenListsNothingAndHasNoFolder) {
    attachPen("sdb1", "CODE", {{"001.vxr", "One"}});
    platform.folderVolumes().unmount("sdb1");
    // Run from a folder that has a BOOK/ of its own: it must not be listed.
    writeFile(dir / "BOOK/009.vxr", BookFile{.name = vxbName("Not on the pen")}.bytes());
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    QTest::mouseClick(app.btnRefresh, Qt::LeftButton);
    std::filesystem::current_path(previous);

    EXPECT_EQ(app.snZiro->text(), "CODE");
    EXPECT_EQ(app.fsZiro->text(), "---");
    EXPECT_EQ(app.listBook->model()->rowCount(), 0);
    EXPECT_TRUE(app.pathZiro.empty());
}

TEST_F(MainWindowTest, CodeThatIsNotUtf8IsNoCode) {
    attachPen("sdb1", "GOODCODE");
    attachPen("sdb1", "\xFF\xFE\x80");
    EXPECT_EQ(app.orvCode, std::nullopt);
    EXPECT_TRUE(app.snZiro->text().isEmpty());
}

}  // namespace
