// The Book and Repair tabs: the portal address asked of a service on
// 127.0.0.1, the page shown, the log line, and the real web view once.

#include "app/AppDelegate.h"
#include "device/simulated/SimulatedPlatform.h"
#include "soap/DebugLog.h"

#include "support/LocalHttpServer.h"
#include "support/TempDir.h"
#include "support/TempHome.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <sstream>

using namespace penshelf;
using namespace penshelf::test;

namespace {

QByteArray proxyAnswer(const QList<QByteArray>& addresses) {
    QByteArray returns;
    for (const QByteArray& address : addresses) returns += "<return>" + address + "</return>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
           "<SOAP-ENV:Body><ns1:getproxyurlResponse xmlns:ns1=\"urn:PagorFunc\">" +
           returns + "</ns1:getproxyurlResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

class PortalTest : public ::testing::Test {
  protected:
    PortalTest() {
        qputenv("PENSHELF_SERVICE_URL", service.url().toUtf8());
        previousLog =
            soap::setDebugLogSink([this](const std::string& line) { log.push_back(line); });
        service.setHandler([this](const HttpRequest& request) {
            if (duringCall) duringCall();
            return HttpResponse::xml(proxyAnswer({pageBase(request)}));
        });
        app.showPortalPage = [this](const std::optional<QUrl>& page) {
            shown.push_back(page ? page->toString(QUrl::FullyEncoded).toStdString() : "(notice)");
        };
        app.applicationDidFinishLaunching();
    }
    ~PortalTest() override {
        soap::setDebugLogSink(previousLog);
        qunsetenv("PENSHELF_SERVICE_URL");
    }

    // The book portal answers with /book, the repair portal with /repair.
    QByteArray pageBase(const HttpRequest& request) const {
        const bool repair = request.body.contains("<ntype>3</ntype>");
        return pages.url(repair ? QStringLiteral("/repair") : QStringLiteral("/book")).toUtf8();
    }
    std::string page(const char* path, const std::string& code) const {
        return pages.url(QString::fromUtf8(path)).toStdString() + "?source=mac&orvcode=" + code;
    }

    void attachPen(const std::string& name, const std::string& code) {
        writeFile(pens / (name + "/SYS/product.ini"), "PRODUCT_CODE=" + code + "\r\n");
        platform.rescan();
    }

    // The kind numbers of the calls the service received, in order.
    std::vector<int> kindsAsked() const {
        std::vector<int> kinds;
        for (const HttpRequest& request : service.requests()) {
            EXPECT_TRUE(request.body.contains("<strcid>kelva</strcid>"));
            kinds.push_back(request.body.contains("<ntype>2</ntype>")   ? 2
                            : request.body.contains("<ntype>3</ntype>") ? 3
                                                                        : 0);
        }
        return kinds;
    }

    TempHome home;  // the web view keeps its profile there
    LocalHttpServer service;
    LocalHttpServer pages;
    TempDir pens;
    SimulatedPlatform platform{pens.str()};
    std::ostringstream discovery;
    AppDelegate app{platform, {discovery, discovery}, [](std::function<void()> then) { then(); }};
    soap::DebugLogSink previousLog;
    std::vector<std::string> log;
    std::vector<std::string> shown;
    std::function<void()> duringCall;
};

TEST_F(PortalTest, BookAndRepairAskForTheirKindAndShowThePenPage) {
    attachPen("pen-A", "KLV8A3C5D21");
    app.tabBook->click();
    app.tabRepair->click();
    app.tabBook->click();  // pressed again: asked again, shown again

    EXPECT_EQ(kindsAsked(), (std::vector<int>{2, 3, 2}));
    const std::string book = page("/book", "KLV8A3C5D21");
    const std::string repair = page("/repair", "KLV8A3C5D21");
    EXPECT_EQ(shown, (std::vector<std::string>{book, repair, book}));
    EXPECT_EQ(log, (std::vector<std::string>{"VisitWebURL " + book, "VisitWebURL " + repair,
                                             "VisitWebURL " + book}));
}

TEST_F(PortalTest, TheCodeIsTheLastPensOrNone) {
    app.tabBook->click();
    EXPECT_EQ(shown.back(), page("/book", "")) << "no pen yet: the address ends in orvcode=";

    attachPen("pen-A", "LASTPEN0001");
    app.EjectPen();
    ASSERT_TRUE(app.dataZiro.empty());
    app.tabBook->click();
    EXPECT_EQ(shown.back(), page("/book", "LASTPEN0001")) << "kept after the pen left";
}

TEST_F(PortalTest, ReservedCharactersInTheCodeAreEncoded) {
    attachPen("pen-A", "A&B#C%D E+F");
    app.tabBook->click();
    EXPECT_EQ(shown.back(), page("/book", "A%26B%23C%25D%20E%2BF"));
    EXPECT_EQ(log.back(), "VisitWebURL " + page("/book", "A%26B%23C%25D%20E%2BF"));
}

TEST_F(PortalTest, TheFirstReturnedTextIsTheAddress) {
    service.enqueue(
        HttpResponse::xml(proxyAnswer({"http://first.test/p", "http://second.test/p"})));
    app.tabBook->click();
    EXPECT_EQ(shown, std::vector<std::string>{"http://first.test/p?source=mac&orvcode="});
}

TEST_F(PortalTest, NoAddressShowsTheNoticeAndStillLogs) {
    service.enqueue(HttpResponse::withBody(404, "text/html", "<html>gone</html>"));
    service.enqueue(HttpResponse::xml(proxyAnswer({})));
    service.enqueue(HttpResponse::xml(proxyAnswer({"file:///etc/passwd"})));
    app.tabBook->click();
    app.tabBook->click();
    app.tabBook->click();
    EXPECT_EQ(shown, std::vector<std::string>(3, "(notice)"));
    EXPECT_EQ(log[0], "VisitWebURL ?source=mac&orvcode=");
    EXPECT_EQ(log[1], "VisitWebURL ?source=mac&orvcode=");
    EXPECT_EQ(log[2], "VisitWebURL file:///etc/passwd?source=mac&orvcode=");
}

TEST_F(PortalTest, ContentShowsTheBooksWithoutAsking) {
    app.tabBook->click();
    app.tabContent->click();
    EXPECT_EQ(service.requestCount(), 1u);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_TRUE(app.webView->isHidden());
}

TEST_F(PortalTest, APenAttachedDuringTheCallIsListedAndItsCodeUsed) {
    duringCall = [this] {
        duringCall = nullptr;
        attachPen("pen-B", "DURINGCALL1");
    };
    app.tabBook->click();
    EXPECT_EQ(app.dataZiro.size(), 1u);
    EXPECT_EQ(shown, std::vector<std::string>{page("/book", "DURINGCALL1")});
}

TEST_F(PortalTest, PressingATabWhileACallWaitsLeavesOnlyTheLatestPage) {
    duringCall = [this] {
        duringCall = nullptr;
        app.tabRepair->click();  // returns at once; its call follows the waiting one
        app.tabBook->click();
        app.tabRepair->click();
    };
    app.tabBook->click();
    EXPECT_EQ(kindsAsked(), (std::vector<int>{2, 3}));
    EXPECT_EQ(shown, std::vector<std::string>{page("/repair", "")});
    EXPECT_TRUE(app.tabRepair->isChecked());
}

TEST_F(PortalTest, TheRealWebViewShowsThePageAndTheNotice) {
    pages.setHandler([](const HttpRequest&) {
        return HttpResponse::withBody(
            200, "text/html; charset=utf-8",
            "<html><head><title>点读包商城</title></head><body>书</body></html>");
    });
    app.showPortalPage = nullptr;
    QSignalSpy loaded(app.webView, &QWebEngineView::loadFinished);

    app.tabBook->click();
    ASSERT_TRUE(spinUntil([&] { return loaded.count() >= 1; }));
    EXPECT_TRUE(loaded.takeFirst().at(0).toBool());
    EXPECT_EQ(app.webView->title(), "点读包商城");
    EXPECT_EQ(pages.requests().front().target, "/book?source=mac&orvcode=");

    service.enqueue(HttpResponse::xml(proxyAnswer({})));
    app.tabBook->click();
    ASSERT_TRUE(spinUntil([&] { return loaded.count() >= 1; }));
    EXPECT_EQ(app.webView->title(), "暂时无法打开此页面");
}

}  // namespace
