// Installing a book as the user does it, the whole way from the Install button through the file
// dialog, or from a drop on the window, through the install window to the new row, with real
// widgets.

#include "app/PenChooser.h"
#include "app/WindowTexts.h"
#include "support/LoopVolume.h"
#include "support/MainWindowProbe.h"

#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QListWidget>
#include <QMimeData>

#include <set>
#include <unistd.h>

using namespace penshelf;
using namespace penshelf::test;

namespace {

// What the install window shows: its message, whether it is visible, whether the number, Install
// and Cancel take input, and the bar if shown.
std::string lookOf(const InstWindow& w) {
    const InstWindowParts ui(w);
    std::ostringstream look;
    look << ui.dtInfo->text().toStdString() << " visible " << w.isVisible() << " input "
         << ui.dtBookOid->isEnabled() << ui.btnInstall->isEnabled() << ui.btnCancel->isEnabled();
    if (ui.prInstall->isVisible()) {
        look << " bar " << ui.prInstall->value() << "/" << ui.prInstall->maximum();
    }
    return look.str();
}

// A book's bytes after the header fields the install writes.
std::string bodyOf(const std::string& bytes) {
    return bytes.substr(BookHeader::defaultLabelOffset + 2);
}

// Once the copy onto several pens is over: the window's message, then a line per pen.
std::string summaryOf(const InstWindow& w) {
    if (!spinUntil([&] { return InstWindowParts(w).btnCancel->text() == "关闭"; }))
        return "running";
    return InstWindowParts(w).dtInfo->text().toStdString() + "\n" +
           part<QPlainTextEdit>(&w, "dtSummary")->toPlainText().toStdString();
}

class InstallFlowTest : public WindowTest<> {
  protected:
    InstallFlowTest() {
        start();
        // One pen, with one book; it is listed after any simulated pen.
        book = attachPen("zzz1", "A1B2C3D4E5F", {{"001.vxr", vxbName("旧书")}});
        QObject::connect(ui->listBook->model(), &QAbstractItemModel::modelReset,
                         [this] { ++refreshes; });
    }

    std::string source(const BookFile& file, const std::string& name = "新书.vxb") {
        return writeFile(dir / ("home/" + name), file.bytes());
    }

    // Drags files over the window: whether it would take them; dropped too.
    bool drag(const std::vector<std::string>& files, bool andDrop = false) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const auto& file : files) urls << QUrl::fromLocalFile(QString::fromStdString(file));
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(app->window(), &enter);
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, {});
        if (andDrop) QApplication::sendEvent(app->window(), &drop);
        return enter.isAccepted();
    }

    InstWindow* installWindow() const { return app->window()->findChild<InstWindow*>(); }

    // Presses Install, chooses path, and runs act on the install window once its modal run has
    // started; true when that happened and the run is over.
    bool whileInstallWindowRuns(const std::string& path,
                                const std::function<void(InstWindow&)>& act) {
        pressInstall(path);
        bool acted = false;
        const auto poll = answerModal<InstWindow>([&](InstWindow& w) {
            if (!std::exchange(acted, true)) act(w);
        });
        return spinUntil([&] { return acted && installWindow() && !installWindow()->isVisible(); });
    }

    // Presses Install, and the file dialog opens; path is chosen in it if given.
    QFileDialog* pressInstall(const std::string& path = {}) {
        QTest::mouseClick(ui->btnInstall, Qt::LeftButton);
        QFileDialog* panel = nullptr;
        spinUntil([&] {
            panel = app->window()->findChild<QFileDialog*>();
            return panel && panel->isVisible();
        });
        if (panel && !path.empty()) {
            panel->selectFile(QString::fromStdString(path));
            const auto* buttons = panel->findChild<QDialogButtonBox*>();
            QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
        }
        return panel;
    }

    std::string book;
    int refreshes = 0;
};

TEST_F(InstallFlowTest, ProposesANumberAndSaysWhyItIsRefused) {
    // The proposal and every refusal's check and words are tested with the engine.
    writeFile(book + "005.vxr", "taken");
    const std::string path = source({.name = vxbName("小兔子乖乖"), .defaultTitle = 5});
    EXPECT_TRUE(whileInstallWindowRuns(path, [&](InstWindow& w) {
        const InstWindowParts inst(w);
        EXPECT_EQ(inst.dtBookName->text(), "VXB小兔子乖乖") << "the whole name string";
        EXPECT_EQ(inst.dtBookOid->text(), "005") << "its own title, though taken";
        EXPECT_EQ(lookOf(w), " visible 1 input 111");

        QTest::mouseClick(inst.btnInstall, Qt::LeftButton);
        EXPECT_EQ(lookOf(w), "此点读包编号已存在！ visible 1 input 111");
        EXPECT_EQ(w.nRefresh(), InstWindow::Outcome::None);

        // The user types another number; the pen turned read-only since the window opened: said so,
        // nothing copied, and the user may try again.
        inst.dtBookOid->selectAll();
        QTest::keyClick(inst.dtBookOid, Qt::Key_Backspace);
        QTest::keyClicks(inst.dtBookOid, "000");
        writeFile(book + "../simulated-device.ini", "read-only = yes\n");
        QTest::mouseClick(inst.btnInstall, Qt::LeftButton);
        EXPECT_EQ(lookOf(w),
                  "点读笔处于只读状态，无法写入！请用“点读笔”菜单中的“检查点读笔…”检查。 "
                  "visible 1 input 111");
        EXPECT_EQ(fileNamesIn(book), (FileNames{"001.vxr", "005.vxr"}));
        std::filesystem::remove(book + "../simulated-device.ini");
        QTest::keyClick(inst.dtBookOid, Qt::Key_Return);  // presses Install
    })) << "the window closes";
    EXPECT_EQ(installWindow()->nRefresh(), InstWindow::Outcome::Installed);
    EXPECT_EQ(fileNamesIn(book), (FileNames{"000.vxr", "001.vxr", "005.vxr"}));
}

TEST_F(InstallFlowTest, CopyShowsItsProgressWarnsWhileFlushingAndHoldsPenEventsTillItStarts) {
    // Large enough that the bar moves by steps of several chunks.
    const std::string path = source({.name = vxbName("书"), .size = (3 << 20) + 5});
    EXPECT_TRUE(whileInstallWindowRuns(path, [&](InstWindow& w) {
        // A second pen is attached, which is listed first once it is stored.
        plugIn("PEN2", "SECOND00001");
        platform.rescan();
        QTest::qWait(20);
        EXPECT_EQ(ui->listZiro->count(), 1) << "held while the window runs";

        // The window as it is drawn whenever the copy lets it repaint, and someone trying to
        // close it meanwhile.
        Texts looks;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            looks.push_back(lookOf(w));
            w.close();
            QTest::keyClick(&w, Qt::Key_Escape);
        });
        watch.start(0);
        QTest::mouseClick(InstWindowParts(w).btnInstall, Qt::LeftButton);
        watch.stop();
        EXPECT_EQ(ui->listZiro->count(), 2) << "let through before the copy";

        ASSERT_GE(looks.size(), 2u);
        // One step per chunk, the last counted from 0.
        EXPECT_EQ(looks.front(), "正在安装点读包…… visible 1 input 000 bar 0/3073");
        EXPECT_EQ(looks.back(), "正在写入点读笔，请勿拔出…… visible 1 input 000 bar 3072/3073")
            << "neither close nor Escape ends the copy";
    }));
    EXPECT_EQ(installWindow()->nRefresh(), InstWindow::Outcome::Installed)
        << "closing during the copy changes nothing";
    EXPECT_EQ(fileNamesIn(book), (FileNames{"001.vxr", "002.vxr"}))
        << "onto the pen chosen at the start";
    EXPECT_EQ(ui->snZiro->text(), "SECOND00001");
}

TEST_F(InstallFlowTest, EachChosenFileGetsANewWindowAndOnlyAnInstallRefreshes) {
    const std::string path = source({.name = vxbName("新书")});
    // A book put on the pen behind the program's back shows only on a refresh.
    writeFile(book + "003.vxs", BookFile{.name = vxbName("别人的书")}.bytes());

    // The file dialog: window-modal over the main window, asking for a package. Cancelled, it opens
    // no install window.
    QFileDialog* panel = pressInstall();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->windowTitle(), "请选择需要安装的点读包");
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    EXPECT_EQ(panel->nameFilters(), QStringList{"点读包 (*.vxb)"});
    panel->reject();
    EXPECT_TRUE(spinUntil([&] { return !app->window()->findChild<QFileDialog*>(); }));
    QTest::qWait(20);
    EXPECT_EQ(installWindow(), nullptr);

    using Outcome = InstWindow::Outcome;
    const std::vector<std::pair<std::function<void(InstWindow&)>, Outcome>> endings = {
        // Tab to 取消 and Enter: the focused button, not the default one.
        {[](InstWindow& w) {
             EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
             for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return}) {
                 QTest::keyClick(w.focusWidget(), key);
             }
         },
         Outcome::Cancelled},
        {[](InstWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); }, Outcome::None},
        {[](InstWindow& w) { QTest::mouseClick(InstWindowParts(w).btnInstall, Qt::LeftButton); },
         Outcome::Installed},
    };
    QPointer<InstWindow> earlier;
    for (const auto& [end, outcome] : endings) {
        ASSERT_TRUE(whileInstallWindowRuns(path, [&](InstWindow& w) {
            EXPECT_TRUE(earlier.isNull()) << "the earlier window is closed and dropped";
            EXPECT_EQ(InstWindowParts(w).dtBookOid->text(), "002");
            end(w);
        }));
        earlier = installWindow();
        EXPECT_EQ(earlier->nRefresh(), outcome);
        EXPECT_EQ(app->window()->findChild<QFileDialog*>(), nullptr) << "the dialog is gone";
    }
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(tableRows(*app),
              (Texts{"别人的书 | 智能-003", "新书 | 自制-002", "旧书 | 自制-001"}));
}

TEST_F(InstallFlowTest, DroppedPackagesGetTheirInstallWindowsInTurn) {
    const std::string a = source({.name = vxbName("a"), .defaultTitle = 7}, "a.vxb");
    const std::string b = source({.name = vxbName("b"), .defaultTitle = 8}, "b.VXB");
    writeFile(dir / "notes.txt", "x");
    EXPECT_FALSE(drag({a, dir / "notes.txt"})) << "only book packages";

    // The user presses Install in each window as it comes up, and closes a summary of several pens.
    Texts shown;
    const auto answer = answerModal<InstWindow>([&](InstWindow& w) {
        const InstWindowParts parts(w);
        if (w.nRefresh() != InstWindow::Outcome::None) return parts.btnCancel->click();
        if (!parts.btnInstall->isEnabled()) return;  // copying
        shown.push_back(parts.dtBookOid->text().toStdString());
        parts.btnInstall->click();
    });
    EXPECT_TRUE(drag({a, b}, true));
    spinUntil([&] { return tableRows(*app).size() == 3; });
    EXPECT_EQ(shown, (Texts{"007", "008"}));
    EXPECT_EQ(fileNamesIn(book), (FileNames{"001.vxr", "007.vxr", "008.vxr"}));

    // With two pens a drop asks once which pens get it, the selected one ticked.
    const std::string second = attachPen("zzz2", "SECOND00002");
    const std::string c = source({.name = vxbName("c"), .defaultTitle = 9}, "c.vxb");
    Texts offered;
    const auto choose = answerModal<PenChooser>([&](PenChooser& chooser) {
        auto* pens = part<QListWidget>(&chooser, "listPens");
        for (int i = 0; i < pens->count(); ++i) {
            offered.push_back(pens->item(i)->text().section("　", 0, 0).toStdString() +
                              (pens->item(i)->checkState() == Qt::Checked ? " ticked" : ""));
        }
        pens->item(1)->setCheckState(Qt::Checked);
        chooser.accept();
    });
    EXPECT_TRUE(drag({c}, true));
    spinUntil([&] { return fileNamesIn(second).size() == 1; });
    EXPECT_EQ(offered, (Texts{"A1B2C3D4E5F ticked", "SECOND00002"}));
    EXPECT_EQ(bodyOf(readFile(book + "009.vxr")), bodyOf(readFile(c)));
    EXPECT_EQ(readFile(second + "009.vxr"), readFile(book + "009.vxr"));

    app->removePen("zzz1");
    app->removePen("zzz2");
    EXPECT_FALSE(drag({a})) << "no pen to install on";
}

TEST_F(InstallFlowTest, CancelOntoTwoPensLeavesNoPartThenOntoThreeAFullOneIsRefusedAlone) {
    // A copy onto two pens cancelled while it runs leaves no part of the book on either.
    const std::string second = attachPen("zzz2", "SECOND00002");
    const std::string path = source({.name = vxbName("大书")});
    ASSERT_EQ(truncate(path.c_str(), 256 << 20), 0);  // sparse: slow to copy, no disk
    EXPECT_TRUE(whileInstallWindowRuns(path, [&](InstWindow& w) {
        const InstWindowParts inst(w);
        part<QListWidget>(&w, "listOtherPens")->item(0)->setCheckState(Qt::Checked);
        inst.btnInstall->click();
        // The window answers while the pens are written: a bar moves, and 取消 is pressed.
        ASSERT_TRUE(spinUntil([&] { return part<QProgressBar>(&w, "prPen1")->value() > 0; }));
        QTest::mouseClick(inst.btnCancel, Qt::LeftButton);
        EXPECT_EQ(summaryOf(w), std::string("已安装到 0 支点读笔，共 2 支。\nA1B2C3D4E5F：") +
                                    texts::installCancelled + "\nSECOND00002：" +
                                    texts::installCancelled);
        inst.btnCancel->click();
    }));
    EXPECT_EQ(installWindow()->nRefresh(), InstWindow::Outcome::Cancelled);
    EXPECT_EQ(fileNamesIn(book), FileNames{"001.vxr"});
    EXPECT_TRUE(fileNamesIn(second).empty());

    // As root, onto three pens: a full one is refused alone, and a taken number gives way.
    MAKE_LOOP_VOLUME(small, 1024);
    attachPen("zzz2", "SECOND00002", {{"001.vxr", vxbName("一")}, {"005.vxr", vxbName("五")}});
    attachPen("zzz3", "FULL0000003", {}, small->root);
    const BookFile file{.name = vxbName("大书"), .defaultTitle = 5, .size = 2 << 20};
    EXPECT_TRUE(whileInstallWindowRuns(source(file), [&](InstWindow& w) {
        auto* others = part<QListWidget>(&w, "listOtherPens");
        ASSERT_EQ(others->count(), 2);
        EXPECT_TRUE(others->item(1)->text().startsWith("FULL0000003　剩余空间 "));
        for (const int i : {0, 1}) {
            EXPECT_EQ(others->item(i)->checkState(), Qt::Unchecked) << "none ticked at first";
            others->item(i)->setCheckState(Qt::Checked);
        }
        InstWindowParts(w).btnInstall->click();
        EXPECT_EQ(summaryOf(w), std::string("已安装到 2 支点读笔，共 3 支。\n"
                                            "A1B2C3D4E5F：已安装，编号 005\n"
                                            "SECOND00002：已安装，编号 002（编号 005 已被占用）\n"
                                            "FULL0000003：") +
                                    texts::penSpaceTooSmall);
        EXPECT_EQ(nameless(&w), "") << "a bar per pen, each named";
        InstWindowParts(w).btnCancel->click();
    }));
    EXPECT_EQ(installWindow()->nRefresh(), InstWindow::Outcome::Installed);
    EXPECT_EQ(bodyOf(readFile(book + "005.vxr")), bodyOf(file.bytes()));
    EXPECT_EQ(bodyOf(readFile(second + "002.vxr")), bodyOf(file.bytes()));
    EXPECT_EQ(fileNamesIn(second).size(), 3u);
    EXPECT_TRUE(fileNamesIn(small->book).empty());
    EXPECT_EQ(tableRows(*app).size(), 2u) << "the selected pen listed again";
}

}  // namespace
