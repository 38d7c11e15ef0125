// The Book and Repair tabs: the portal address asked for, the page shown and the log line; then the
// portal in the real web view, served from 127.0.0.1: downloads into the download folder and on to
// the pen, new windows, failed loads, the cookie kept across runs.

#include "app/PortalAddress.h"
#include "soap/DebugLog.h"
#include "soap/PagorFuncBindingResponse.h"
#include "soap/ServiceEndpoint.h"

#include "support/LocalHttpServer.h"
#include "support/MainWindowProbe.h"
#include "support/NotificationService.h"
#include "support/TempHome.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QWebEnginePage>

using namespace penshelf;
using namespace penshelf::test;
using namespace std::chrono_literals;

namespace {

TEST(ProxyAddressTest, TheFirstReturnedValueThatIsNoFaultWhenItIsAText) {
    using Parts = std::vector<soap::Value>;
    const std::vector<std::pair<std::optional<Parts>, std::optional<std::string>>> rows = {
        {Parts{std::string("http://first.test/p"), std::string("http://second.test/p")},
         "http://first.test/p"},
        {Parts{soap::SOAPFault{}, std::string("http://after.fault/p")}, "http://after.fault/p"},
        {Parts{2.0, std::string("http://second.test/p")}, std::nullopt},
        {Parts{}, std::nullopt},
        {std::nullopt, std::nullopt},  // the call failed
    };
    for (const auto& [parts, address] : rows) {
        EXPECT_EQ(proxyAddressIn({.headers = {}, .bodyParts = parts, .error = {}}), address)
            << testing::PrintToString(address);
    }
}

class PortalTest : public WindowTest<> {
  protected:
    PortalTest() {
        previousLog =
            soap::setDebugLogSink([this](const std::string& line) { logged.push_back(line); });
        start({.showPortalPage =
                   [this](const std::optional<QUrl>& page) {
                       shown.push_back(page ? page->toString(QUrl::FullyEncoded).toStdString()
                                            : "(notice)");
                   },
               // The book portal answers with /book, the repair portal with /repair, unless answers
               // holds what to say.
               .lookUpPortal = [this](const std::string& clientId,
                                      int kind) -> std::optional<std::string> {
                   asked.push_back(clientId + " " + std::to_string(kind));
                   if (duringCall) std::exchange(duringCall, nullptr)();
                   if (answers.empty()) return kind == 3 ? repair : book;
                   const std::optional<std::string> answer = answers.front();
                   answers.pop_front();
                   return answer;
               }});
    }
    ~PortalTest() override { soap::setDebugLogSink(previousLog); }

    const std::string book = "http://portal.test/book";
    const std::string repair = "http://portal.test/repair";
    Texts shown;
    Texts asked;
    std::deque<std::optional<std::string>> answers;
    std::function<void()> duringCall;
    soap::DebugLogSink previousLog;
    Texts logged;
};

TEST_F(PortalTest, ExactlyOneTabIsOnBookAndRepairAskForTheirPageAndTheLatestPressWins) {
    // The tab that is on, and what shows below: the books or the web view.
    const auto tabs = [this] {
        std::string on;
        for (QPushButton* tab : {ui->tabContent, ui->tabBook, ui->tabRepair}) {
            if (tab->isChecked()) on += tab->objectName().toStdString() + " ";
        }
        return on + (ui->boxBook->isHidden() ? "" : "books") +
               (ui->webView->isHidden() ? "" : "web");
    };
    plugIn("pen-A", "KLV8A3C5D21");
    platform.rescan();
    ui->tabBook->click();
    ui->tabBook->click();  // pressed again: still on, asked again, shown again
    EXPECT_EQ(tabs(), "tabBook web");
    ui->tabRepair->click();
    EXPECT_EQ(tabs(), "tabRepair web");
    ui->tabContent->click();  // the books, without asking
    EXPECT_EQ(tabs(), "tabContent books");
    // Tabs pressed while a call waits: their calls follow it, and only the latest page shows.
    duringCall = [this] {
        ui->tabRepair->click();  // returns at once
        ui->tabBook->click();
        ui->tabRepair->click();
    };
    ui->tabBook->click();
    EXPECT_EQ(tabs(), "tabRepair web");

    EXPECT_EQ(asked, (Texts{"kelva 2", "kelva 2", "kelva 3", "kelva 2", "kelva 3"}));
    const std::string bookPage = book + "?source=mac&orvcode=KLV8A3C5D21";
    const std::string repairPage = repair + "?source=mac&orvcode=KLV8A3C5D21";
    EXPECT_EQ(shown, (Texts{bookPage, bookPage, repairPage, repairPage}));
    EXPECT_EQ(logged.size(), 4u) << "one line per page; its words are checked below";
}

TEST_F(PortalTest, NoAddressShowsTheNoticeAndTheCodeIsTheLastPensOrNoneEncoded) {
    answers = {std::nullopt, "", "file:///etc/passwd"};
    for (int press = 0; press < 4; ++press) ui->tabBook->click();
    const std::string none = "?source=mac&orvcode=";
    EXPECT_EQ(shown, (Texts{"(notice)", "(notice)", "(notice)", book + none}));
    EXPECT_EQ(logged,
              (Texts{"VisitWebURL " + none, "VisitWebURL " + none,
                     "VisitWebURL file:///etc/passwd" + none, "VisitWebURL " + book + none}));

    // A pen attached during the call is listed and its code used.
    duringCall = [this] {
        plugIn("pen-A", "A&B#C%D E+F");
        platform.rescan();
        spinUntil([&] { return ui->snZiro->text() == "A&B#C%D E+F"; });
    };
    ui->tabBook->click();
    EXPECT_EQ(ui->listZiro->count(), 1);
    const std::string page = book + "?source=mac&orvcode=A%26B%23C%25D%20E%2BF";
    ui->btnEject->click();
    ASSERT_FALSE(ui->btnEject->isEnabled()) << "no pen listed";
    ui->tabBook->click();
    EXPECT_EQ(Texts(shown.end() - 2, shown.end()), Texts(2, page)) << "kept after the pen left";
    EXPECT_EQ(logged.back(), "VisitWebURL " + page);
}

const QByteArray portalPage =
    "<html><head><title>点读包商城</title></head><body><a id=book href=/book.vxb>book</a>"
    "<a id=notes href=/notes.txt>notes</a><a id=evil href=/evil>evil</a>"
    "<a id=slow href=/slow.vxb>slow</a><a id=cut href=/cut.vxb>cut</a>"
    "<a id=other target=_blank href=/other>other</a></body></html>";

HttpResponse attachment(const std::string& bytes, const QByteArray& name) {
    return HttpResponse::withBody(200, "application/octet-stream", QByteArray::fromStdString(bytes))
        .addHeader("Content-Disposition", "attachment; filename=\"" + name + "\"");
}

// Headers and the first 5000 of 100000 bytes.
QByteArray firstPart(const QByteArray& name) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nAccept-Ranges: bytes\r\n"
           "ETag: \"v1\"\r\nLast-Modified: Mon, 01 Jan 2024 00:00:00 GMT\r\n"
           "Content-Disposition: attachment; filename=" +
           name + "\r\nContent-Length: 100000\r\n\r\n" + QByteArray(5000, 'p');
}

class PortalWebTest : public WindowTest<> {
  protected:
    PortalWebTest() {
        server.setHandler([this](const HttpRequest& request) { return answer(request); });
        start(portalAt());
        ui->listDownload->linger = 1min;  // ended rows stay for the test to read
    }
    // The window goes before the home folder that holds its web profile.
    ~PortalWebTest() override {
        ui.reset();
        app.reset();
    }

    HttpResponse answer(const HttpRequest& request) {
        const QByteArray path = request.target.split('?').front();
        if (path == "/book") {
            return HttpResponse::withBody(200, "text/html; charset=utf-8", portalPage)
                .addHeader("Set-Cookie", "login=family; Max-Age=86400; Path=/");
        }
        if (path == "/other")
            return HttpResponse::withBody(200, "text/html", "<title>other</title>");
        if (path == "/book.vxb") return attachment(book, "book.vxb");
        if (path == "/notes.txt") return attachment("notes", "notes.txt");
        if (path == "/evil") return attachment("evil", "../evil.vxb");
        if (path == "/slow.vxb") return HttpResponse::stalled(firstPart("slow.vxb"));
        if (path == "/cut.vxb") return HttpResponse::raw(firstPart("cut.vxb"));
        return HttpResponse::withBody(404, "text/plain", "");
    }

    // The Book tab, once its page has loaded.
    bool openPortal() {
        QSignalSpy loaded(ui->webView, &QWebEngineView::loadFinished);
        ui->tabBook->click();
        return spinUntil([&] { return !loaded.isEmpty() && loaded.last().at(0).toBool(); });
    }
    AppDelegate::Hooks portalAt() {
        return {.lookUpPortal = [this](const std::string&, int) { return portalAddress; }};
    }
    void run(const QString& script) { ui->webView->page()->runJavaScript(script); }
    void click(const char* link) {
        run(QStringLiteral("document.getElementById('%1').click()").arg(QLatin1String(link)));
    }

    // "name | what became of it" per row, "name | running" while it runs.
    Texts rows() const {
        Texts texts;
        for (int i = 0; i < ui->listDownload->rowCount(); ++i) {
            const DownloadRow* row = ui->listDownload->row(i);
            texts.push_back(row->name->text().toStdString() + " | " +
                            (row->hasEnded() ? row->status->text().toStdString() : "running"));
        }
        return texts;
    }
    bool rowsEnded(size_t count) const {
        const auto texts = rows();
        const auto running = [](const std::string& t) { return t.ends_with("| running"); };
        return texts.size() == count && std::ranges::none_of(texts, running);
    }

    TempHome home;
    LocalHttpServer server;
    std::optional<std::string> portalAddress = server.url(QStringLiteral("/book")).toStdString();
    const std::string book = BookFile{.name = vxbName("恐龙百科"), .defaultTitle = 7}.bytes();
};

TEST_F(PortalWebTest, BookPackagesArriveWholeAndGoOntoThePenInTurn) {
    attachPen("sdb1", "PEN00000001");
    ui->listDownload->linger = 100ms;
    ASSERT_TRUE(openPortal());

    // The package is downloaded again while its install window is open. Once that has arrived, the
    // user installs the first as proposed and the second, in the window that follows, as 008.
    Texts proposed;
    const auto user = answerInstallWindows([&](InstWindow& inst, const InstWindowParts& parts) {
        if (!inst.property("seen").toBool()) {
            inst.setProperty("seen", true);
            proposed.push_back(parts.dtBookOid->text().toStdString());
            if (proposed.size() == 1) click("book");
        }
        if (!std::filesystem::exists(home.downloads() + "/book (1).vxb")) return;
        if (proposed.size() == 2) parts.dtBookOid->setText("008");
        parts.btnInstall->click();
    });
    click("book");
    ASSERT_TRUE(spinUntil([&] { return tableRows(*app).size() == 2; }));

    EXPECT_EQ(proposed, (Texts{"007", "007"}));
    EXPECT_EQ(tableRows(*app), (Texts{"恐龙百科 | 自制-007", "恐龙百科 | 自制-008"}));
    EXPECT_EQ(readFile(home.downloads() + "/book.vxb"), book) << "kept, byte for byte";
    EXPECT_TRUE(spinUntil([&] { return ui->listDownload->isHidden(); })) << "the rows went away";
}

TEST_F(PortalWebTest, DownloadsStayInTheFolderNewWindowsOnlyForPagesNoPageSaysWhyCookiesStay) {
    NotificationService notices;
    ASSERT_TRUE(openPortal());
    app->window()->showMinimized();
    click("notes");
    ASSERT_TRUE(spinUntil([&] { return rowsEnded(1); }));
    click("evil");
    ASSERT_TRUE(spinUntil([&] { return rowsEnded(2); }));
    click("slow");
    ASSERT_TRUE(spinUntil([&] { return rows().size() == 3; }));
    const QProgressBar* progress = ui->listDownload->row(2)->progress;
    ASSERT_TRUE(spinUntil([&] { return progress->value() == 50; })) << "5000 of 100000 bytes";
    EXPECT_EQ(progress->maximum(), 1000);
    ui->listDownload->row(2)->cancel->click();
    click("cut");  // every retry is cut off too
    ASSERT_TRUE(spinUntil([&] { return rowsEnded(4); }, 30s)) << testing::PrintToString(rows());

    const std::string folder = home.downloads() + "/";
    EXPECT_EQ(rows(),
              (Texts{"notes.txt | 文件已保存到 " + folder + "notes.txt",
                     "evil.vxb | 点读包已下载到 " + folder + "evil.vxb，连接点读笔后即可安装。",
                     "slow.vxb | 下载已取消", "cut.vxb | 下载失败：连接中断，文件不完整"}));
    EXPECT_TRUE(spinUntil([&] {
        return fileNamesIn(folder) == FileNames{"evil.vxb", "notes.txt"};
    })) << testing::PrintToString(fileNamesIn(folder));
    EXPECT_FALSE(std::filesystem::exists(home / "evil.vxb")) << "\"../\" led out of the folder";
    EXPECT_EQ(notices.received(),
              (Texts{"下载完成 | 文件已保存到 " + folder + "notes.txt",
                     "下载完成 | 点读包已下载到 " + folder + "evil.vxb，连接点读笔后即可安装。",
                     "下载失败 | 下载失败：连接中断，文件不完整"}));

    // New windows open in the view, and only for web pages.
    app->window()->showNormal();
    run("window.open('file:///etc/hostname'); window.open('data:text/html,<title>data</title>');"
        "window.open('javascript:document.title=\"script\"')");
    spinFor(500ms);
    EXPECT_EQ(ui->webView->title().toStdString(), "点读包商城");
    click("other");
    EXPECT_TRUE(spinUntil([&] { return ui->webView->title() == "other"; })) << "target=_blank";

    // No address: without a service address set, the network is not the cause.
    portalAddress.reset();
    ui->tabBook->click();
    EXPECT_TRUE(spinUntil([&] { return ui->webView->title() == "未设置服务地址"; }));
    const ScopedEnv service(soap::serviceUrlVariable, "http://127.0.0.1:9/PagorFunc.php");
    ui->tabRepair->click();
    EXPECT_TRUE(spinUntil([&] { return ui->webView->title() == "暂时无法打开此页面"; }));
    // Or one whose connections are refused.
    ASSERT_TRUE(openPortal());
    LocalHttpServer gone;
    portalAddress = gone.url(QStringLiteral("/book")).toStdString();
    gone.close();
    ui->tabBook->click();
    EXPECT_TRUE(spinUntil([&] { return ui->webView->title() == "暂时无法打开此页面"; }));

    // The login cookie is written to the user's data folder once the window has gone, as at the
    // end of a run, and comes back after a restart.
    ui.reset();
    app.reset();
    const std::string cookieStore =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString() +
        "/QtWebEngine/portal/Cookies";
    ASSERT_TRUE(
        spinUntil([&] { return readFile(cookieStore).find("family") != std::string::npos; }));
    portalAddress = server.url(QStringLiteral("/book")).toStdString();
    start(portalAt());
    ASSERT_TRUE(openPortal());
    std::vector<QByteArray> cookies;
    for (const HttpRequest& request : server.requests()) {
        if (request.target.startsWith("/book?")) cookies.push_back(request.header("Cookie"));
    }
    EXPECT_EQ(cookies, (std::vector<QByteArray>{"", "login=family"}));
}

}  // namespace
