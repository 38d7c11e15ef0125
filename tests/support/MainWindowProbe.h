#pragma once
// The main window as the tests drive and read it: its widgets found by the names the layouts give
// them, pens stored as identification stores them, the book table as the user reads it.

#include "app/AppDelegate.h"
#include "app/DownloadList.h"
#include "app/InstWindow.h"
#include "device/simulated/SimulatedPlatform.h"

#include "support/BookFile.h"
#include "support/Spin.h"
#include "support/TempDir.h"

#include <QTest>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QWebEngineView>

#include <algorithm>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace penshelf::test {

// What a test compares: texts in order (rows, pages, lines), and file names as fileNamesIn gives.
using Texts = std::vector<std::string>;
using FileNames = std::set<std::string>;

template <class Widget>
Widget* part(const QObject* root, const char* name) {
    auto* widget = root->findChild<Widget*>(QString::fromLatin1(name));
    if (!widget) throw std::runtime_error(std::string("no widget named ") + name);
    return widget;
}

// What a screen reader reads as the widget's name.
inline QString accessibleName(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

// The controls under root, shown or not, that a screen reader would find without a name; the
// parts of a table or a combo box are named by their owner, and Qt's own are Qt's.
inline std::string nameless(const QWidget* root) {
    QStringList found;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        bool control = false;
        for (const char* kind : {"QAbstractButton", "QLineEdit", "QComboBox", "QProgressBar",
                                 "QPlainTextEdit", "QAbstractItemView", "QWebEngineView"}) {
            control = control || w->inherits(kind);
        }
        QWidget* owner = w->parentWidget();
        if (control && !w->objectName().startsWith("qt_") && !qobject_cast<QHeaderView*>(w) &&
            !qobject_cast<QAbstractItemView*>(owner) && !qobject_cast<QComboBox*>(owner) &&
            accessibleName(w).isEmpty()) {
            found << w->objectName() + " " + w->metaObject()->className();
        }
    }
    return found.join(", ").toStdString();
}

struct MainWindowParts {
    explicit MainWindowParts(const AppDelegate& app) : window(app.window()) {}
    QMainWindow* window;
    QComboBox* listZiro = part<QComboBox>(window, "listZiro");
    QLabel* penReadOnly = part<QLabel>(window, "penReadOnly");
    QLineEdit* snZiro = part<QLineEdit>(window, "snZiro");
    QLineEdit* fsZiro = part<QLineEdit>(window, "fsZiro");
    QPushButton* btnRefresh = part<QPushButton>(window, "btnRefresh");
    QPushButton* btnEject = part<QPushButton>(window, "btnEject");
    QTableView* listBook = part<QTableView>(window, "listBook");
    QPushButton* btnInstall = part<QPushButton>(window, "btnInstall");
    QPushButton* btnRemove = part<QPushButton>(window, "btnRemove");
    QGroupBox* boxBook = part<QGroupBox>(window, "boxBook");
    QWebEngineView* webView = part<QWebEngineView>(window, "webView");
    QPushButton* tabContent = part<QPushButton>(window, "tabContent");
    QPushButton* tabBook = part<QPushButton>(window, "tabBook");
    QPushButton* tabRepair = part<QPushButton>(window, "tabRepair");
    DownloadList* listDownload = part<DownloadList>(window, "listDownload");
    QAction* actBackup = part<QAction>(window, "actBackup");
    QAction* actRestore = part<QAction>(window, "actRestore");
};

struct InstWindowParts {
    explicit InstWindowParts(const InstWindow& w) : window(&w) {}
    const InstWindow* window;
    QLabel* dtBookName = part<QLabel>(window, "dtBookName");
    QLineEdit* dtBookOid = part<QLineEdit>(window, "dtBookOid");
    QLabel* dtInfo = part<QLabel>(window, "dtInfo");
    QProgressBar* prInstall = part<QProgressBar>(window, "prInstall");
    QPushButton* btnInstall = part<QPushButton>(window, "btnInstall");
    QPushButton* btnCancel = part<QPushButton>(window, "btnCancel");
};

// Every 10 ms while the timer lives, answer gets the modal window of type W still waiting, if any.
template <class W>
std::unique_ptr<QTimer> answerModal(std::function<void(W&)> answer) {
    auto poll = std::make_unique<QTimer>();
    QObject::connect(poll.get(), &QTimer::timeout, [answer = std::move(answer)] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) answer(*w);
    });
    poll->start(10);
    return poll;
}

// The same for install windows whose outcome is still open.
inline std::unique_ptr<QTimer> answerInstallWindows(
    std::function<void(InstWindow&, const InstWindowParts&)> answer) {
    return answerModal<InstWindow>([answer = std::move(answer)](InstWindow& w) {
        if (w.nRefresh() == InstWindow::Outcome::None) answer(w, InstWindowParts(w));
    });
}

// A shown main window over pens kept in folders under dir: a test stores them as identification
// would, or the simulated platform finds them in dir/pens. Attaches are examined at once, and
// counted.
template <class PenPlatform = SimulatedPlatform>
class WindowTest : public ::testing::Test {
  protected:
    // Starts the window, again for other hooks.
    void start(AppDelegate::Hooks hooks = {}) {
        ui.reset();
        app = std::make_unique<AppDelegate>(platform, Diagnostics{log, log}, std::move(hooks),
                                            [this](std::function<void()> then) {
                                                ++waits;
                                                then();
                                            });
        ui = std::make_unique<MainWindowParts>(*app);
        app->applicationDidFinishLaunching();
        app->window()->show();
        app->window()->activateWindow();  // keys go where the focus is
        EXPECT_TRUE(QTest::qWaitForWindowActive(app->window()));
    }
    // A pen whose volume is dir/<bsdName> (or the volume given), with BOOK/ holding the given
    // files (file name -> name string), mounted and stored as identification would. Returns its
    // BOOK/ folder.
    std::string attachPen(const std::string& bsdName, const std::string& code,
                          const std::map<std::string, std::string>& books = {},
                          std::string volume = {}) {
        if (volume.empty()) volume = dir / bsdName;
        putBooks(volume, books);
        platform.folderVolumes().mount(bsdName, volume);
        PenRecord pen{.vendor = "pagor",
                      .product = "PEN",
                      .revision = "1.00",
                      .bsdName = bsdName,
                      .displayName = penDisplayName};
        pen.setIdentityCode(code);
        app->storePen(pen);
        return volume + "/BOOK/";
    }
    // A simulated pen, dir/pens/name, with its code and the given books (file name -> name string).
    // Returns its folder.
    std::string plugIn(const std::string& name, const std::string& code,
                       const std::map<std::string, std::string>& books = {}) {
        const std::string folder = dir / ("pens/" + name);
        writeFile(folder + "/SYS/product.ini", "PRODUCT_CODE=" + code + "\r\n");
        putBooks(folder, books);
        return folder;
    }
    // volume/BOOK/ with the given files (file name -> name string).
    static void putBooks(const std::string& volume,
                         const std::map<std::string, std::string>& books) {
        std::filesystem::create_directories(volume + "/BOOK");
        for (const auto& [file, nameString] : books) {
            writeFile(volume + "/BOOK/" + file, BookFile{.name = nameString}.bytes());
        }
    }
    // The pen list, the selected entry, the code, the free space (shown or "---"), which of the
    // code, free space, Install, Eject, Remove and Refresh take input, and the number of book rows.
    std::string penLook() const {
        std::ostringstream look;
        for (int i = 0; i < ui->listZiro->count(); ++i) {
            look << ui->listZiro->itemText(i).toStdString() << " | ";
        }
        const QString space = ui->fsZiro->text();
        look << ui->listZiro->currentIndex() << " [" << ui->snZiro->text().toStdString() << "] ["
             << (space.isEmpty() || space == "---" ? space.toStdString() : "free") << "] "
             << ui->snZiro->isEnabled() << ui->fsZiro->isEnabled() << ui->btnInstall->isEnabled()
             << ui->btnEject->isEnabled() << ui->btnRemove->isEnabled()
             << ui->btnRefresh->isEnabled() << " rows " << ui->listBook->model()->rowCount();
        return look.str();
    }
    void clickRow(int row) {
        const QRect cell = ui->listBook->visualRect(ui->listBook->model()->index(row, 0));
        QTest::mouseClick(ui->listBook->viewport(), Qt::LeftButton, {}, cell.center());
    }

    TempDir dir;
    PenPlatform platform{dir / "pens"};
    std::ostringstream log;
    int waits = 0;
    std::unique_ptr<AppDelegate> app;
    std::unique_ptr<MainWindowParts> ui;
};

// The book table: "name | stat" per row, in the order shown.
inline std::vector<std::string> shownRows(const AppDelegate& app) {
    std::vector<std::string> rows;
    const auto* model = part<QTableView>(app.window(), "listBook")->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        rows.push_back(model->index(r, 0).data().toString().toStdString() + " | " +
                       model->index(r, 1).data().toString().toStdString());
    }
    return rows;
}

// The same, sorted (the file system's order is free).
inline std::vector<std::string> tableRows(const AppDelegate& app) {
    std::vector<std::string> rows = shownRows(app);
    std::sort(rows.begin(), rows.end());
    return rows;
}

}  // namespace penshelf::test
