// Installing a book as the user does it: the install window on its own, and
// the whole way from the Install button through the file dialog to the new
// row, on simulated pens with real widgets.

#include "app/AppDelegate.h"
#include "app/InstWindow.h"
#include "books/BookHeader.h"
#include "device/simulated/SimulatedPlatform.h"

#include "support/BookFile.h"
#include "support/Spin.h"
#include "support/MainWindowProbe.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <set>
#include <sstream>

using namespace penshelf;
using namespace penshelf::test;

namespace {

// What the window shows at one moment.
struct Look {
    QString info;
    bool windowVisible, numberEnabled, installEnabled, cancelEnabled, barVisible;
    int value, maximum;
};

Look lookOf(const InstWindow& w) {
    return {w.dtInfo->text(),         w.isVisible(),
            w.dtBookOid->isEnabled(), w.btnInstall->isEnabled(),
            w.btnCancel->isEnabled(), w.prInstall->isVisible(),
            w.prInstall->value(),     w.prInstall->maximum()};
}

// ---------------------------------------------------------------- the window

class InstWindowTest : public ::testing::Test {
  protected:
    InstWindowTest() { std::filesystem::create_directories(book); }

    std::string source(const BookFile& file, const std::string& name = "book.vxb") {
        const std::string path = dir / name;
        writeFile(path, file.bytes());
        return path;
    }

    // A window for the package at path, set up as the controller sets it up,
    // loaded and shown.
    std::unique_ptr<InstWindow> windowFor(const std::string& path) {
        auto w = std::make_unique<InstWindow>();
        w->pathZiro = book;
        w->pathBook = path;
        w->nameBook = GetBookName(path).value_or("");
        w->windowDidLoad();
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        return w;
    }

    // Types text into the number field as a user does.
    static void typeNumber(InstWindow& w, const QString& text) {
        w.dtBookOid->selectAll();
        QTest::keyClick(w.dtBookOid, Qt::Key_Backspace);
        QTest::keyClicks(w.dtBookOid, text);
    }

    // The window waiting for the user: everything enabled, no progress.
    static void expectWaiting(const InstWindow& w) {
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.dtBookOid->isEnabled());
        EXPECT_TRUE(w.btnInstall->isEnabled());
        EXPECT_TRUE(w.btnCancel->isEnabled());
        EXPECT_FALSE(w.prInstall->isVisible());
        EXPECT_EQ(w.nRefresh, 0);
    }

    TempDir dir;
    std::string book = dir / "pen/BOOK/";
};

TEST_F(InstWindowTest, ShowsTheNameAndProposesANumberOnLoad) {
    // The proposal itself is tested with the engine and the command line.
    writeFile(book + "005.vxr", "taken");
    const auto w = windowFor(source({.name = vxbName("小兔子乖乖"), .defaultTitle = 5}));
    EXPECT_EQ(w->dtBookName->text(), "VXB小兔子乖乖") << "the whole name string";
    EXPECT_EQ(w->dtBookOid->text(), "005") << "its own title, though taken";
    EXPECT_TRUE(w->dtInfo->text().isEmpty());
    expectWaiting(*w);
}

TEST_F(InstWindowTest, NumberMessagesComeInOrderAndTheWindowStaysUsable) {
    writeFile(book + "005.vxr", "taken");
    const auto w = windowFor(source({.name = vxbName("书"), .size = 3000}));
    // One of each message; the checks themselves are tested with the engine.
    const std::vector<std::pair<QString, QString>> tries = {
        {"1a3", "点读包编号必须为数字！"},
        {"12", "点读包编号号必须为3位数字！"},
        {"005", "此点读包编号已存在！"},
    };
    for (const auto& [number, message] : tries) {
        SCOPED_TRACE(number.toStdString());
        typeNumber(*w, number);
        ASSERT_EQ(w->dtBookOid->text(), number);
        QTest::mouseClick(w->btnInstall, Qt::LeftButton);
        EXPECT_EQ(w->dtInfo->text(), message);
        expectWaiting(*w);
        EXPECT_EQ(fileNamesIn(book), std::set<std::string>{"005.vxr"});
    }
    EXPECT_EQ(readFile(book + "005.vxr"), "taken");

    // Return in the number field presses Install.
    typeNumber(*w, "000");
    QTest::keyClick(w->dtBookOid, Qt::Key_Return);
    EXPECT_EQ(w->nRefresh, 2);
    EXPECT_EQ(fileNamesIn(book), (std::set<std::string>{"000.vxr", "005.vxr"}));
    EXPECT_TRUE(spinUntil([&] { return !w->isVisible(); })) << "the window closes";
}

TEST_F(InstWindowTest, CopyShowsItsProgressAndWarnsWhileFlushing) {
    // Large enough that the bar moves by steps of several chunks.
    const auto w = windowFor(source({.name = vxbName("书"), .size = (3 << 20) + 5}));
    const int maximum = 3 * 1024 + 1;  // one step per chunk
    const std::string target = book + w->dtBookOid->text().toStdString() + ".vxr";

    // The window as it is drawn whenever the copy lets it repaint, and
    // someone trying to close it meanwhile.
    std::vector<Look> looks;
    bool namedWhileDrawn = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        looks.push_back(lookOf(*w));
        namedWhileDrawn = namedWhileDrawn || std::filesystem::exists(target);
        w->close();
        QTest::keyClick(w.get(), Qt::Key_Escape);
    });
    watch.start(0);
    QTest::mouseClick(w->btnInstall, Qt::LeftButton);
    watch.stop();

    ASSERT_GE(looks.size(), 2u);
    const Look& first = looks.front();
    EXPECT_EQ(first.info, "正在安装点读包……");
    EXPECT_FALSE(first.numberEnabled || first.installEnabled || first.cancelEnabled);
    EXPECT_TRUE(first.barVisible);
    EXPECT_EQ(first.value, 0);
    EXPECT_EQ(first.maximum, maximum);
    const Look& flushing = looks.back();
    EXPECT_EQ(flushing.info, "正在写入点读笔，请勿拔出……");
    EXPECT_TRUE(flushing.windowVisible) << "neither close nor Escape ends the copy";
    EXPECT_FALSE(flushing.numberEnabled || flushing.installEnabled || flushing.cancelEnabled);
    EXPECT_EQ(flushing.value, maximum - 1) << "at the last chunk, counted from 0";
    EXPECT_FALSE(namedWhileDrawn) << "the book is named after the flush";

    EXPECT_EQ(w->nRefresh, 2) << "closing during the copy changes nothing";
    EXPECT_TRUE(std::filesystem::exists(target));
    EXPECT_TRUE(spinUntil([&] { return !w->isVisible(); }));
}

TEST_F(InstWindowTest, RefusalOrFailedCopyIsShownAndTheUserMayRetry) {
    // Refused before the copy: the source has gone.
    const std::string gone = source({.name = vxbName("书")}, "gone.vxb");
    const auto refused = windowFor(gone);
    std::filesystem::remove(gone);
    QTest::mouseClick(refused->btnInstall, Qt::LeftButton);
    EXPECT_EQ(refused->dtInfo->text(), "点读包文件无效！");
    expectWaiting(*refused);

    // Failed while copying: the pen's folder has gone.
    const auto w = windowFor(source({.name = vxbName("书"), .size = 5000}));
    std::filesystem::remove(book);
    QTest::mouseClick(w->btnInstall, Qt::LeftButton);
    EXPECT_EQ(w->dtInfo->text(), "安装点读包失败！");
    expectWaiting(*w);
    EXPECT_FALSE(std::filesystem::exists(book));

    std::filesystem::create_directories(book);
    QTest::mouseClick(w->btnInstall, Qt::LeftButton);
    EXPECT_EQ(w->nRefresh, 2);
    EXPECT_EQ(fileNamesIn(book), std::set<std::string>{"001.vxr"});
}

TEST_F(InstWindowTest, ModalRunEndsByButtonsTitleBarOrEscape) {
    const std::string path = source({.name = vxbName("书")});
    const std::vector<std::pair<std::function<void(InstWindow&)>, int>> endings = {
        {[](InstWindow& w) { QTest::mouseClick(w.btnCancel, Qt::LeftButton); }, 1},
        {[](InstWindow& w) { w.close(); }, 0},
        {[](InstWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); }, 0},
    };
    for (const auto& [end, outcome] : endings) {
        InstWindow w;
        w.pathZiro = book;
        w.pathBook = path;
        QTimer::singleShot(0, [&] {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
            end(w);
        });
        w.showWindow();  // returns when the modal run ends
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(w.nRefresh, outcome);
        EXPECT_EQ(w.dtBookOid->text(), "001") << "loaded before it ran";
    }
    EXPECT_TRUE(fileNamesIn(book).empty());
}

// ---------------------------------------------------------------- the whole way

class InstallFlowTest : public ::testing::Test {
  protected:
    InstallFlowTest() {
        // One simulated pen, with one book.
        writeFile(pen + "/SYS/product.ini", "PRODUCT_CODE=A1B2C3D4E5F\r\nMODEL=XLM-2\r\n");
        writeFile(book + "001.vxr", BookFile{.name = vxbName("旧书")}.bytes());
        app.applicationDidFinishLaunching();
        app.window()->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(app.window()));
        EXPECT_EQ(app.pathZiro, book);
        QObject::connect(app.listBook->model(), &QAbstractItemModel::modelReset,
                         [this] { ++refreshes; });
    }

    std::string source(const BookFile& file) {
        const std::string path = dir / "home/新书.vxb";
        writeFile(path, file.bytes());
        return path;
    }

    std::vector<std::string> tableRows() const { return test::tableRows(app); }

    // Runs act on the install window once its modal run has started; true
    // when that happened and the run is over.
    bool whileInstallWindowRuns(const std::function<void(InstWindow&)>& act) {
        bool acted = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            InstWindow* w = app.instWindowController.data();
            if (acted || !w || !w->isVisible() || QApplication::activeModalWidget() != w) return;
            acted = true;
            act(*w);
        });
        poll.start(5);
        return spinUntil([&] {
            return acted && app.instWindowController && !app.instWindowController->isVisible();
        });
    }

    // Presses Install and answers the file dialog with path.
    void pressInstallChoosing(const std::string& path) {
        app.chooseBookFile = [path](auto chosen) { chosen(QString::fromStdString(path)); };
        QTest::mouseClick(app.btnInstall, Qt::LeftButton);
    }

    TempDir dir;
    std::string pen = dir / "pens/PEN1";
    std::string book = pen + "/BOOK/";
    SimulatedPlatform platform{dir / "pens"};
    std::ostringstream log;
    AppDelegate app{platform, {log, log}};
    int refreshes = 0;
};

TEST_F(InstallFlowTest, ChosenFileIsInstalledAndListedOnce) {
    const BookFile file{
        .name = vxbName("新书"), .labelKey = 0x1234, .defaultLabel = 7, .size = 70000};
    const std::string path = source(file);
    ASSERT_EQ(tableRows(), std::vector<std::string>{"旧书 | 自制-001"});

    // The real file dialog: window-modal over the main window, asking for a package.
    QTest::mouseClick(app.btnInstall, Qt::LeftButton);
    QFileDialog* panel = nullptr;
    ASSERT_TRUE(spinUntil([&] {
        panel = app.window()->findChild<QFileDialog*>();
        return panel && panel->isVisible();
    }));
    EXPECT_EQ(panel->windowTitle(), "请选择需要安装的点读包");
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    EXPECT_EQ(panel->nameFilters(), QStringList{"点读包 (*.vxb)"});
    EXPECT_EQ(panel->fileMode(), QFileDialog::ExistingFile);
    panel->selectFile(QString::fromStdString(path));
    auto* buttons = panel->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);

    EXPECT_TRUE(whileInstallWindowRuns([&](InstWindow& w) {
        EXPECT_EQ(w.dtBookName->text(), "VXB新书");
        EXPECT_EQ(w.dtBookOid->text(), "002");
        EXPECT_EQ(refreshes, 0);
        QTest::mouseClick(w.btnInstall, Qt::LeftButton);
    }));
    EXPECT_EQ(app.window()->findChild<QFileDialog*>(), nullptr) << "the dialog is gone";
    EXPECT_EQ(app.instWindowController->nRefresh, 2);
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(tableRows(), (std::vector<std::string>{"新书 | 自制-002", "旧书 | 自制-001"}));

    std::string expected = file.bytes();
    expected[141] = static_cast<char>(0x34 ^ 7);
    expected[142] = static_cast<char>(0x12);
    EXPECT_EQ(readFile(book + "002.vxr"), expected);
    EXPECT_EQ(fileNamesIn(book), (std::set<std::string>{"001.vxr", "002.vxr"}));
}

TEST_F(InstallFlowTest, CancellingChangesNothingAndDoesNotRefresh) {
    const std::string path = source({.name = vxbName("新书")});
    // A book put on the pen behind the program's back shows only on a refresh.
    writeFile(book + "003.vxs", BookFile{.name = vxbName("别人的书")}.bytes());

    pressInstallChoosing(path);
    EXPECT_TRUE(whileInstallWindowRuns(
        [](InstWindow& w) { QTest::mouseClick(w.btnCancel, Qt::LeftButton); }));
    EXPECT_EQ(app.instWindowController->nRefresh, 1);

    pressInstallChoosing(path);
    EXPECT_TRUE(whileInstallWindowRuns([](InstWindow& w) { w.close(); }));
    EXPECT_EQ(app.instWindowController->nRefresh, 0);

    EXPECT_EQ(refreshes, 0);
    EXPECT_EQ(tableRows(), std::vector<std::string>{"旧书 | 自制-001"});
    EXPECT_EQ(fileNamesIn(book), (std::set<std::string>{"001.vxr", "003.vxs"}));
}

TEST_F(InstallFlowTest, CancellingTheFileDialogOpensNoWindow) {
    QTest::mouseClick(app.btnInstall, Qt::LeftButton);
    QFileDialog* panel = nullptr;
    ASSERT_TRUE(spinUntil([&] {
        panel = app.window()->findChild<QFileDialog*>();
        return panel && panel->isVisible();
    }));
    panel->reject();
    EXPECT_TRUE(spinUntil([&] { return !app.window()->findChild<QFileDialog*>(); }));
    QTest::qWait(20);
    EXPECT_TRUE(app.instWindowController.isNull());
    EXPECT_EQ(refreshes, 0);
}

TEST_F(InstallFlowTest, EachInstallGetsANewWindow) {
    const std::string path = source({.name = vxbName("新书")});
    pressInstallChoosing(path);
    ASSERT_TRUE(whileInstallWindowRuns(
        [](InstWindow& w) { QTest::mouseClick(w.btnInstall, Qt::LeftButton); }));
    const QPointer<InstWindow> first = app.instWindowController;
    EXPECT_EQ(first->nRefresh, 2);

    pressInstallChoosing(path);
    ASSERT_TRUE(whileInstallWindowRuns([&](InstWindow& w) {
        EXPECT_TRUE(first.isNull()) << "the earlier window is closed and dropped";
        EXPECT_EQ(w.nRefresh, 0);
        EXPECT_EQ(w.dtBookOid->text(), "003");
        EXPECT_TRUE(w.dtInfo->text().isEmpty());
        QTest::mouseClick(w.btnCancel, Qt::LeftButton);
    }));
    EXPECT_EQ(refreshes, 1);
}

TEST_F(InstallFlowTest, PenEventsWaitForTheCopyWhichKeepsItsOwnFolder) {
    const std::string path = source({.name = vxbName("新书")});
    // A second pen, listed first once it is stored.
    const std::string secondPen = dir / "second";
    std::filesystem::create_directories(secondPen + "/BOOK");
    platform.folderVolumes().mount("aaa1", secondPen);
    PenRecord second{.vendor = "pagor",
                     .product = "PEN",
                     .revision = "1.00",
                     .bsdName = "aaa1",
                     .displayName = penDisplayName};
    second.setIdentityCode("SECOND");

    pressInstallChoosing(path);
    EXPECT_TRUE(whileInstallWindowRuns([&](InstWindow& w) {
        app.modeGate.deliver([&] { app.storePen(second); });
        EXPECT_EQ(app.listZiro->count(), 1) << "held while the window runs";
        QTest::mouseClick(w.btnInstall, Qt::LeftButton);
        EXPECT_EQ(app.listZiro->count(), 2) << "let through before the copy";
        EXPECT_EQ(app.pathZiro, secondPen + "/BOOK/");
    }));
    EXPECT_TRUE(std::filesystem::exists(book + "001.vxr"));
    EXPECT_TRUE(std::filesystem::exists(book + "002.vxr")) << "onto the pen chosen at the start";
    EXPECT_TRUE(fileNamesIn(secondPen + "/BOOK").empty());
    EXPECT_EQ(app.snZiro->text(), "SECOND");
}

}  // namespace
