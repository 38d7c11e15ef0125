// Book packages dropped on the main window are installed one after another.

#include "app/AppDelegate.h"
#include "app/InstWindow.h"
#include "device/SimulatedPlatform.h"

#include "support/BookFile.h"
#include "support/MainWindowProbe.h"
#include "support/Spin.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <sstream>

using namespace penshelf;
using namespace penshelf::test;

namespace {

class DropInstallTest : public ::testing::Test {
  protected:
    DropInstallTest() {
        app.applicationDidFinishLaunching();
        app.window()->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(app.window()));
    }

    void attachPen() {
        std::filesystem::create_directories(dir / "pen/BOOK");
        platform.folderVolumes().mount("sdb1", dir / "pen");
        app.storePen({.vendor = "pagor",
                      .product = "P",
                      .revision = "1",
                      .bsdName = "sdb1",
                      .displayName = penDisplayName});
    }

    std::unique_ptr<QMimeData> filesMime(const std::vector<std::string>& files) {
        auto mime = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const auto& file : files) urls << QUrl::fromLocalFile(QString::fromStdString(file));
        mime->setUrls(urls);
        return mime;
    }

    bool dragAccepted(const QMimeData& mime) {
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(app.window(), &enter);
        return enter.isAccepted();
    }

    void drop(const QMimeData& mime) {
        QDropEvent event(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(app.window(), &event);
    }

    std::string package(const std::string& name, std::uint16_t defaultTitle) {
        const std::string path = dir / name;
        writeFile(path, BookFile{.name = vxbName(name), .defaultTitle = defaultTitle}.bytes());
        return path;
    }

    TempDir dir;
    SimulatedPlatform platform{dir / "no-pens"};
    std::ostringstream log;
    AppDelegate app{platform, {log, log}};
};

TEST_F(DropInstallTest, EachDroppedPackageGetsItsInstallWindowInTurn) {
    attachPen();
    const auto mime = filesMime({package("a.vxb", 7), package("b.VXB", 8)});
    ASSERT_TRUE(dragAccepted(*mime));

    // The user presses Install in each window as it comes up.
    std::vector<std::string> shown;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* inst = qobject_cast<InstWindow*>(QApplication::activeModalWidget());
        if (!inst || inst->nRefresh() != InstWindow::Outcome::None) return;
        const InstWindowParts parts(*inst);
        if (!parts.btnInstall->isEnabled()) return;
        shown.push_back(parts.dtBookOid->text().toStdString());
        parts.btnInstall->click();
    });
    answer.start(10);
    drop(*mime);
    spinUntil([&] { return tableRows(app).size() == 2; }, std::chrono::seconds(5));

    EXPECT_EQ(shown, (std::vector<std::string>{"007", "008"}));
    EXPECT_TRUE(std::filesystem::exists(dir / "pen/BOOK/007.vxr"));
    EXPECT_TRUE(std::filesystem::exists(dir / "pen/BOOK/008.vxr"));
    EXPECT_EQ(tableRows(app).size(), 2u);
}

TEST_F(DropInstallTest, OnlyBookPackagesAndOnlyWithAPen) {
    const std::string book = package("a.vxb", 7);
    EXPECT_FALSE(dragAccepted(*filesMime({book}))) << "no pen to install on";

    attachPen();
    writeFile(dir / "notes.txt", "x");
    EXPECT_FALSE(dragAccepted(*filesMime({book, dir / "notes.txt"})));
    QMimeData text;
    text.setText("001.vxb");
    EXPECT_FALSE(dragAccepted(text));
    EXPECT_TRUE(dragAccepted(*filesMime({book})));
}

}  // namespace
