// penshelf-screenshots FOLDER: runs PenShelf on the demo pens and writes PNG
// pictures of its main states into FOLDER. Needs a real display (Xvfb will
// do): the web view is captured from the screen.

#include "app/Alerts.h"
#include "app/AppDelegate.h"
#include "app/BackupWindow.h"
#include "app/CheckWindow.h"
#include "app/DownloadList.h"
#include "app/InstWindow.h"
#include "app/PenChooser.h"
#include "app/WindowTexts.h"
#include "books/BookHeader.h"
#include "books/FreeSpace.h"
#include "demo/DemoPens.h"
#include "device/simulated/SimulatedPlatform.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <utility>

using namespace penshelf;

namespace {

void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The window, or with onTop the screen where the window is, so that a
// window over it shows too.
bool shoot(QWidget* window, const QString& file, QWidget* onTop = nullptr) {
    QWidget* front = onTop ? onTop : window;
    front->raise();
    front->activateWindow();
    settle(600);
    const QRect area = window->frameGeometry();
    const QPixmap picture = onTop ? QGuiApplication::primaryScreen()->grabWindow(
                                        0, area.x(), area.y(), area.width(), area.height())
                                  : QGuiApplication::primaryScreen()->grabWindow(window->winId());
    const bool saved = picture.save(file);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
    return saved;
}

// The portal's book page.
QByteArray portalPage() {
    return "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta "
           "charset=\"utf-8\"><title>点读包下载</title>"
           "<style>body{font-family:sans-serif;margin:2em;color:#333}"
           ".book{display:inline-block;width:10em;margin:1em;padding:1em;border-radius:8px;"
           "background:#f2f6fb;text-align:center}"
           ".book a{display:block;margin-top:.6em;color:#2f6fa8}</style></head><body>"
           "<h2>点读包下载</h2><p>为您的点读笔挑选新的点读包：</p>"
           "<div class=\"book\">汉语拼音<br>一年级<a id=\"pinyin\" "
           "href=\"/pinyin.vxb\">下载</a></div>"
           "<div class=\"book\">唐诗三百首<a id=\"poems\" href=\"/poems.vxb\">下载</a></div>"
           "<div class=\"book\">恐龙百科<a href=\"#\">下载</a></div></body></html>";
}

QByteArray answer(const QByteArray& type, const QByteArray& headers, const QByteArray& body,
                  qsizetype length) {
    return "HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\n" + headers +
           "Content-Length: " + QByteArray::number(length) + "\r\nConnection: close\r\n\r\n" + body;
}

// A stand-in for the vendor's portal on 127.0.0.1: the book page, a package
// to download, and one whose download takes its first quarter and waits.
class DemoPortal {
  public:
    explicit DemoPortal(QByteArray package) : package_(std::move(package)) {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] { serve(socket); });
            }
        });
    }

    std::string url(const char* path) const {
        return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + path;
    }

  private:
    void serve(QTcpSocket* socket) {
        QByteArray& request = requests_[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n")) return;
        const QByteArray path = request.split(' ').value(1);
        requests_.erase(socket);
        if (path == "/poems.vxb") {
            const qsizetype size = 48 << 20;
            socket->write(answer("application/octet-stream",
                                 "Content-Disposition: attachment; filename=poems.vxb\r\n",
                                 QByteArray(size / 4, 'p'), size));
            return;  // the rest never comes
        }
        if (path == "/pinyin.vxb") {
            socket->write(answer("application/octet-stream",
                                 "Content-Disposition: attachment; filename=pinyin.vxb\r\n",
                                 package_, package_.size()));
        } else {
            const QByteArray page = portalPage();
            socket->write(answer("text/html; charset=utf-8", {}, page, page.size()));
        }
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QByteArray package_;
    std::map<QTcpSocket*, QByteArray> requests_;
};

// The widget of the main window that its layout names name.
template <class Widget>
Widget* part(QObject* window, const char* name) {
    auto* widget = window->findChild<Widget*>(QString::fromLatin1(name));
    if (!widget) {
        std::fprintf(stderr, "no %s in the window\n", name);
        std::exit(1);
    }
    return widget;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX") && geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QApplication app(argc, argv);
    // In the language of the environment, as the program: LANGUAGE=en gives the English window.
    texts::installTranslators(texts::Program::Window);
    QApplication::setApplicationDisplayName(
        QCoreApplication::translate("main", "PenShelf 点读笔助手"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 1;
    }
    const QString out = QString::fromLocal8Bit(argv[1]) + "/";

    // The portal keeps its profile, and downloads land, in a home of its own.
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/penshelf-XXXXXX"));
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral(".local/share"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral(".cache"))));
    QTemporaryDir packages;
    const QString package = packages.filePath(QStringLiteral("汉语拼音.vxb"));
    demo::writeDemoPackage(package.toStdString());
    QFile packageFile(package);
    packageFile.open(QIODevice::ReadOnly);
    const QByteArray packageBytes = packageFile.readAll();

    const DemoPortal portal(packageBytes);

    QTemporaryDir pens;
    SimulatedPlatform platform(pens.path().toStdString());
    std::ostringstream quiet;
    AppDelegate delegate(
        platform, {quiet, quiet},
        {.lookUpPortal = [&](const std::string&, int) -> std::optional<std::string> {
            return portal.url("/book");
        }},
        [](std::function<void()> then) { then(); });
    delegate.applicationDidFinishLaunching();
    QMainWindow* window = delegate.window();
    window->show();
    bool ok = shoot(window, out + "no-pen.png");

    demo::writeDemoPens(pens.path().toStdString());
    platform.rescan();
    settle(300);
    part<QTableView>(window, "listBook")->selectRow(1);
    ok = shoot(window, out + "pen-with-books.png") && ok;

    // The 点读笔 menu, open: a popup is a window of its own, so the screen is taken.
    QMenu* penMenu = window->menuBar()->findChild<QMenu*>();
    penMenu->popup(
        window->mapToGlobal(window->menuBar()->actionGeometry(penMenu->menuAction()).bottomLeft()));
    settle(600);
    const QRect area(window->frameGeometry().topLeft(),
                     QSize(window->frameGeometry().width(), 260));
    ok = QGuiApplication::primaryScreen()
             ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
             .save(out + "pen-menu.png") &&
         ok;
    std::printf("wrote %s\n", qPrintable(out + "pen-menu.png"));
    penMenu->hide();

    // A backup of pen A, then the backup restored onto pen B, whose 001.vxr
    // is another book.
    QTemporaryDir backups;
    const std::string folder =
        (backups.path() + "/" +
         BackupWindow::proposedFolderName(delegate.selectedPenCode(), QDate::currentDate()))
            .toStdString();
    BackupWindow backup(window);
    backup.startBackup({.bookFolder = delegate.selectedBookFolder(),
                        .folder = folder,
                        .identityCode = delegate.selectedPenCode(),
                        .product = std::nullopt,
                        .when = std::time(nullptr)});
    backup.show();
    while (backup.running()) settle(50);
    ok = shoot(&backup, out + "backup-window.png") && ok;
    backup.close();

    BackupWindow restore(window);
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!question) return;
        answer.stop();
        ok = shoot(question, out + "restore-question.png") && ok;
        for (QAbstractButton* button : question->buttons()) {
            if (button->text() == texts::translated(texts::renumberButton)) button->click();
        }
    });
    answer.start(100);
    restore.startRestore(folder, (pens.path() + "/pen-B/BOOK/").toStdString());
    restore.show();
    while (restore.running()) settle(50);
    ok = shoot(&restore, out + "restore-window.png") && ok;
    restore.close();

    // 检查点读笔… on pen C, whose file system was left damaged: found, its
    // books backed up, repaired, read again, and the summary of it all.
    const std::string damagedPen = platform.pens().at("pen-C").bsdName;
    const auto backUpC = [&](std::function<void(bool)> done) {
        BackupWindow backupC(window);
        backupC.startBackup({.bookFolder = pens.path().toStdString() + "/pen-C/BOOK/",
                             .folder = backups.path().toStdString() + "/pen-C",
                             .identityCode = std::nullopt,
                             .product = std::nullopt,
                             .when = std::time(nullptr)});
        while (backupC.running()) settle(50);
        done(backupC.backedUpWhole());
    };
    CheckWindow check(platform, damagedPen,
                      {.askRepair = [] { return RepairChoice::BackUpFirst; }, .backUp = backUpC},
                      window);
    check.resize(640, 720);  // the whole summary, down to what the repair changed
    check.show();
    check.start();
    while (check.running()) settle(50);
    check.askAndRepair();
    while (check.running()) settle(50);
    settle(200);
    ok = shoot(&check, out + "check-summary.png") && ok;
    check.close();

    InstWindow install({.pathZiro = delegate.selectedBookFolder(),
                        .pathBook = package.toStdString(),
                        .nameBook = GetBookName(package.toStdString()).value_or("")},
                       window);
    install.windowDidLoad();
    install.show();
    ok = shoot(&install, out + "install-window.png") && ok;
    install.close();

    // The same package onto pen A and, ticked besides, pens B and C: the
    // summary once all three are done.
    std::vector<InstWindow::Inputs::OtherPen> others;
    for (const char* pen : {"pen-B", "pen-C"}) {
        const std::string folder = pens.path().toStdString() + "/" + pen + "/BOOK/";
        others.push_back({.bookFolder = folder,
                          .identityCode = pen == std::string("pen-B") ? "KLV9B7E2F08" : "",
                          .freeSpace = GetFreeSpaceText(folder),
                          .ticked = true});
    }
    InstWindow many({.pathZiro = delegate.selectedBookFolder(),
                     .pathBook = package.toStdString(),
                     .nameBook = GetBookName(package.toStdString()).value_or(""),
                     .penCode = delegate.selectedPenCode().value_or(""),
                     .otherPens = others},
                    window);
    many.windowDidLoad();
    many.show();
    ok = shoot(&many, out + "install-many-pens-before.png") && ok;
    part<QPushButton>(&many, "btnInstall")->click();
    while (part<QPushButton>(&many, "btnCancel")->text() != texts::translated(texts::closeButton)) {
        settle(50);
    }
    ok = shoot(&many, out + "install-many-pens.png") && ok;
    many.close();

    // 复制点读包到其他点读笔…: pen A's books onto pen C.
    bool copied = false;
    QTimer copyAnswer;
    QObject::connect(&copyAnswer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* chooser = qobject_cast<PenChooser*>(modal)) {
            part<QListWidget>(chooser, "listPens")->setCurrentRow(1);
            ok = shoot(chooser, out + "copy-chooser.png") && ok;
            chooser->accept();
        } else if (auto* question = qobject_cast<QMessageBox*>(modal)) {
            for (QAbstractButton* button : question->buttons()) {
                if (button->text() == texts::translated(texts::renumberButton)) button->click();
            }
        } else if (auto* copy = qobject_cast<BackupWindow*>(modal); copy && !copy->running()) {
            copyAnswer.stop();
            ok = shoot(copy, out + "copy-pens.png") && ok;
            copied = true;
            copy->close();
        }
    });
    copyAnswer.start(100);
    part<QAction>(window, "actCopyPens")->trigger();
    if (!copied) std::printf("could not write %s\n", qPrintable(out + "copy-pens.png"));

    const auto alert = makeRemovalAlert(QStringLiteral("唐诗三百首"), window);
    alert->show();
    ok = shoot(alert.get(), out + "remove-alert.png") && ok;
    alert->close();

    part<QPushButton>(window, "tabBook")->click();
    QElapsedTimer timer;
    timer.start();
    bool loaded = false;
    auto* webView = part<QWebEngineView>(window, "webView");
    QObject::connect(webView, &QWebEngineView::loadFinished, [&] { loaded = true; });
    while (!loaded && timer.elapsed() < 15000) settle(50);
    ok = shoot(window, out + "book-tab.png") && ok;

    // A package on its way, then one that has arrived and opened the install
    // window, which a timer photographs from inside its modal run.
    const auto clickLink = [&](const char* id) {
        webView->page()->runJavaScript(
            QStringLiteral("document.getElementById('%1').click()").arg(QLatin1String(id)));
    };
    clickLink("poems");
    timer.restart();
    const auto* downloads = part<DownloadList>(window, "listDownload");
    while (downloads->isHidden() && timer.elapsed() < 15000) settle(50);
    ok = shoot(window, out + "download-progress.png") && ok;

    bool installShot = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* opened = qobject_cast<InstWindow*>(QApplication::activeModalWidget());
        if (!opened || installShot) return;
        installShot = true;
        ok = shoot(window, out + "download-install.png", opened) && ok;
        part<QPushButton>(opened, "btnCancel")->click();
    });
    watch.start(100);
    clickLink("pinyin");
    timer.restart();
    while (!installShot && timer.elapsed() < 15000) settle(50);
    if (!installShot) std::printf("could not write %s\n", qPrintable(out + "download-install.png"));
    return ok && installShot ? 0 : 1;
}
