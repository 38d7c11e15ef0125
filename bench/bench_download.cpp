// Downloading a 256 MiB book package through the portal's web view into the
// download folder (no pen attached, so it only lands there) against a plain
// QNetworkAccessManager download of the same address written to a file. Both
// fetch from the same local server, running in a thread of its own, and both
// are timed by the wall clock: the web engine transfers and writes on threads
// of its own.
//
// Prints "ratio BM_DownloadThroughView/BM_PlainQtDownload: x (goal <= 1.30)".

#include "app/AppDelegate.h"
#include "device/simulated/SimulatedPlatform.h"

#include "RatioReporter.h"
#include "ServerThread.h"
#include "support/LocalHttpServer.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QMainWindow>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>

namespace {

using namespace penshelf;

constexpr qsizetype packageSize = qsizetype{256} << 20;

// The portal: a page with one link, and the package behind it. The package
// is sent as it stands, without another copy per request.
test::LocalHttpServer::Handler portal() {
    const QByteArray package =
        "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
        "Content-Disposition: attachment; filename=package.vxb\r\n"
        "Content-Length: " +
        QByteArray::number(packageSize) + "\r\n\r\n" + QByteArray(packageSize, 'b');
    return [package](const test::HttpRequest& request) {
        if (request.target == "/package.vxb") return test::HttpResponse::raw(package);
        return test::HttpResponse::withBody(200, "text/html",
                                            "<a id=package href=/package.vxb>package</a>");
    };
}

struct Setup {
    Setup() {
        app.applicationDidFinishLaunching();
        QEventLoop loaded;
        QObject::connect(webView, &QWebEngineView::loadFinished, &loaded, &QEventLoop::quit);
        app.window()->findChild<QPushButton*>(QStringLiteral("tabBook"))->click();
        loaded.exec();
    }
    test::TempHome home;  // the download folder and the web profile
    bench::ServerThread server{portal()};
    test::TempDir pens;
    SimulatedPlatform platform{pens / "none"};
    std::ostringstream log;
    AppDelegate app{platform,
                    {log, log},
                    {.lookUpPortal = [this](const std::string&, int) -> std::optional<std::string> {
                        return server.url(QStringLiteral("/book")).toStdString();
                    }}};
    QWebEngineView* webView = app.window()->findChild<QWebEngineView*>(QStringLiteral("webView"));
};

// Made in main and gone before the application object: the web engine must
// not outlive it.
std::unique_ptr<Setup> instance;

Setup& setup() {
    return *instance;
}

// Turns the event loop until the file has arrived whole.
bool waitForFile(const QString& path) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QFileInfo(path).size() == packageSize) loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    poll.start(1);
    loop.exec();
    return QFileInfo(path).size() == packageSize;
}

void settleAndRemove(benchmark::State& state, const QString& path) {
    state.PauseTiming();
    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
    QFile::remove(path);
    state.ResumeTiming();
}

void BM_DownloadThroughView(benchmark::State& state) {
    Setup& s = setup();
    const QString target = QString::fromStdString(s.home.downloads()) + "/package.vxb";
    for (auto _ : state) {
        s.webView->page()->runJavaScript("document.getElementById('package').click()");
        if (!waitForFile(target)) state.SkipWithError("the download did not arrive");
        settleAndRemove(state, target);
    }
}

void BM_PlainQtDownload(benchmark::State& state) {
    Setup& s = setup();
    const QString target = QString::fromStdString(s.home / "plain.vxb");
    const QNetworkRequest request(QUrl(s.server.url(QStringLiteral("/package.vxb"))));
    QNetworkAccessManager network;
    for (auto _ : state) {
        QFile file(target);
        file.open(QIODevice::WriteOnly);
        QNetworkReply* reply = network.get(request);
        // Without a bound, the reply holds whatever the network thread read
        // ahead of the writes, and its time swings from 0.2 to 2.5 s.
        reply->setReadBufferSize(1 << 20);
        QObject::connect(reply, &QNetworkReply::readyRead, [&] { file.write(reply->readAll()); });
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        file.write(reply->readAll());
        file.close();
        delete reply;
        if (QFileInfo(target).size() != packageSize) state.SkipWithError("short download");
        settleAndRemove(state, target);
    }
}

BENCHMARK(BM_PlainQtDownload)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5);
BENCHMARK(BM_DownloadThroughView)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    // Repetitions of the two alternate, so that both see the same load on a shared machine.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    argc = static_cast<int>(args.size());
    argv = args.data();
    instance = std::make_unique<Setup>();  // the portal page shown before timing
    const int status = penshelf::bench::runAndReportRatios(argc, argv,
                                                           {{.measured = "BM_DownloadThroughView",
                                                             .reference = "BM_PlainQtDownload",
                                                             .goal = 1.3,
                                                             .wallClock = true}});
    instance.reset();
    return status;
}
