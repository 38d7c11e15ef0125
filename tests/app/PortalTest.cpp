// The Book and Repair tabs: the portal address asked for, the page shown and
// the log line.

#include "app/PortalAddress.h"
#include "soap/DebugLog.h"
#include "soap/PagorFuncBindingResponse.h"

#include "support/MainWindowProbe.h"

#include <deque>

using namespace penshelf;
using namespace penshelf::test;

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
               // The book portal answers with /book, the repair portal with
               // /repair, unless answers holds what to say.
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
    std::vector<std::string> shown;
    std::vector<std::string> asked;
    std::deque<std::optional<std::string>> answers;
    std::function<void()> duringCall;
    soap::DebugLogSink previousLog;
    std::vector<std::string> logged;
};

TEST_F(PortalTest, ExactlyOneTabIsOnAndBookAndRepairAskForTheirKindOfPage) {
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

    EXPECT_EQ(asked, (std::vector<std::string>{"kelva 2", "kelva 2", "kelva 3"}));
    const std::string bookPage = book + "?source=mac&orvcode=KLV8A3C5D21";
    const std::string repairPage = repair + "?source=mac&orvcode=KLV8A3C5D21";
    EXPECT_EQ(shown, (std::vector<std::string>{bookPage, bookPage, repairPage}));
    EXPECT_EQ(logged,
              (std::vector<std::string>{"VisitWebURL " + bookPage, "VisitWebURL " + bookPage,
                                        "VisitWebURL " + repairPage}));
}

TEST_F(PortalTest, TheCodeIsTheLastPensOrNoneAndIsEncoded) {
    ui->tabBook->click();
    EXPECT_EQ(shown.back(), book + "?source=mac&orvcode=") << "no pen yet";

    // A pen attached during the call is listed and its code used.
    duringCall = [this] {
        plugIn("pen-A", "A&B#C%D E+F");
        platform.rescan();
        spinUntil([&] { return ui->snZiro->text() == "A&B#C%D E+F"; });
    };
    ui->tabBook->click();
    EXPECT_EQ(ui->listZiro->count(), 1);
    const std::string page = book + "?source=mac&orvcode=A%26B%23C%25D%20E%2BF";
    EXPECT_EQ(shown.back(), page);

    app->EjectPen();
    ASSERT_FALSE(ui->btnEject->isEnabled()) << "no pen listed";
    ui->tabBook->click();
    EXPECT_EQ(shown, (std::vector<std::string>{book + "?source=mac&orvcode=", page, page}))
        << "kept after the pen left";
    EXPECT_EQ(logged.back(), "VisitWebURL " + page);
}

TEST_F(PortalTest, NoAddressShowsTheNoticeAndStillLogs) {
    answers = {std::nullopt, "", "file:///etc/passwd"};
    for (int press = 0; press < 3; ++press) ui->tabBook->click();
    EXPECT_EQ(shown, std::vector<std::string>(3, "(notice)"));
    EXPECT_EQ(logged, (std::vector<std::string>{
                          "VisitWebURL ?source=mac&orvcode=", "VisitWebURL ?source=mac&orvcode=",
                          "VisitWebURL file:///etc/passwd?source=mac&orvcode="}));
}

TEST_F(PortalTest, PressingATabWhileACallWaitsLeavesOnlyTheLatestPage) {
    duringCall = [this] {
        ui->tabRepair->click();  // returns at once; its call follows the waiting one
        ui->tabBook->click();
        ui->tabRepair->click();
    };
    ui->tabBook->click();
    EXPECT_EQ(asked, (std::vector<std::string>{"kelva 2", "kelva 3"}));
    EXPECT_EQ(shown, std::vector<std::string>{repair + "?source=mac&orvcode="});
    EXPECT_TRUE(ui->tabRepair->isChecked());
}

}  // namespace
