// penshelf-screenshots FOLDER: runs PenShelf on the demo pens and writes PNG
// pictures of its main states into FOLDER. Needs a real display (Xvfb will
// do): the web view is captured from the screen.

#include "app/Alerts.h"
#include "app/AppDelegate.h"
#include "app/BackupWindow.h"
#include "app/DownloadList.h"
#include "app/InstWindow.h"
#include "app/Texts.h"
#include "books/BookHeader.h"
#include "demo/DemoPens.h"
#include "device/simulated/SimulatedPlatform.h"

#include "support/LocalHttpServer.h"
#include "support/ServiceAnswers.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdio>
#include <ctime>
#include <iostream>
#include <sstream>

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

// A stand-in for the vendor's service and portal, on 127.0.0.1.
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

// The first quarter of a package, then the download waits for the rest.
QByteArray stalledPackage(const QByteArray& name, qsizetype size) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
           "Content-Disposition: attachment; filename=" +
           name + "\r\nContent-Length: " + QByteArray::number(size) + "\r\n\r\n" +
           QByteArray(size / 4, 'p');
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX") && geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("PenShelf 点读笔助手"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 1;
    }
    const QString out = QString::fromLocal8Bit(argv[1]) + "/";

    // The portal keeps its profile, and downloads land, in a home of its own.
    const test::TempHome home;
    QTemporaryDir packages;
    const QString package = packages.filePath(QStringLiteral("汉语拼音.vxb"));
    demo::writeDemoPackage(package.toStdString());
    QFile packageFile(package);
    packageFile.open(QIODevice::ReadOnly);
    const QByteArray packageBytes = packageFile.readAll();

    test::LocalHttpServer portal;
    portal.setHandler([&](const test::HttpRequest& request) {
        if (request.method == "POST") {
            return test::HttpResponse::xml(
                test::getproxyurlAnswer(portal.url(QStringLiteral("/book")).toUtf8()));
        }
        if (request.target == "/poems.vxb") {
            return test::HttpResponse::stalled(stalledPackage("poems.vxb", 48 << 20));
        }
        if (request.target == "/pinyin.vxb") {
            return test::HttpResponse::withBody(200, "application/octet-stream", packageBytes)
                .addHeader("Content-Disposition", "attachment; filename=pinyin.vxb");
        }
        return test::HttpResponse::withBody(200, "text/html; charset=utf-8", portalPage());
    });
    qputenv("PENSHELF_SERVICE_URL", portal.url().toUtf8());

    QTemporaryDir pens;
    SimulatedPlatform platform(pens.path().toStdString());
    std::ostringstream quiet;
    AppDelegate delegate(platform, {quiet, quiet}, [](std::function<void()> then) { then(); });
    delegate.applicationDidFinishLaunching();
    QMainWindow* window = delegate.window();
    window->show();
    bool ok = shoot(window, out + "no-pen.png");

    demo::writeDemoPens(pens.path().toStdString());
    platform.rescan();
    settle(300);
    delegate.listBook->selectRow(1);
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
         BackupWindow::proposedFolderName(delegate.orvCode, QDate::currentDate()))
            .toStdString();
    BackupWindow backup(window);
    backup.startBackup({.bookFolder = delegate.pathZiro,
                        .folder = folder,
                        .identityCode = delegate.orvCode,
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
            if (button->text() == QString::fromUtf8(texts::renumberButton)) button->click();
        }
    });
    answer.start(100);
    restore.startRestore(folder, (pens.path() + "/pen-B/BOOK/").toStdString());
    restore.show();
    while (restore.running()) settle(50);
    ok = shoot(&restore, out + "restore-window.png") && ok;
    restore.close();

    InstWindow install(window);
    install.pathZiro = delegate.pathZiro;
    install.pathBook = package.toStdString();
    install.nameBook = GetBookName(install.pathBook).value_or("");
    install.windowDidLoad();
    install.show();
    ok = shoot(&install, out + "install-window.png") && ok;
    install.close();

    const auto alert = makeRemovalAlert(QStringLiteral("唐诗三百首"), window);
    alert->show();
    ok = shoot(alert.get(), out + "remove-alert.png") && ok;
    alert->close();

    delegate.tabBook->click();
    QElapsedTimer timer;
    timer.start();
    bool loaded = false;
    QObject::connect(delegate.webView, &QWebEngineView::loadFinished, [&] { loaded = true; });
    while (!loaded && timer.elapsed() < 15000) settle(50);
    ok = shoot(window, out + "book-tab.png") && ok;

    // A package on its way, then one that has arrived and opened the install
    // window, which a timer photographs from inside its modal run.
    const auto clickLink = [&](const char* id) {
        delegate.webView->page()->runJavaScript(
            QStringLiteral("document.getElementById('%1').click()").arg(QLatin1String(id)));
    };
    clickLink("poems");
    timer.restart();
    while (delegate.listDownload->isHidden() && timer.elapsed() < 15000) settle(50);
    ok = shoot(window, out + "download-progress.png") && ok;

    bool installShot = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* opened = qobject_cast<InstWindow*>(QApplication::activeModalWidget());
        if (!opened || installShot) return;
        installShot = true;
        ok = shoot(window, out + "download-install.png", opened) && ok;
        opened->btnCancel->click();
    });
    watch.start(100);
    clickLink("pinyin");
    timer.restart();
    while (!installShot && timer.elapsed() < 15000) settle(50);
    if (!installShot) std::printf("could not write %s\n", qPrintable(out + "download-install.png"));
    return ok && installShot ? 0 : 1;
}
