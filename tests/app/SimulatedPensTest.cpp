// The application on simulated pens: folders that come and go as pens do.

#include "app/AppDelegate.h"
#include "device/simulated/SimulatedPlatform.h"

#include "support/BookFile.h"
#include "support/MainWindowProbe.h"
#include "support/Spin.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace penshelf;
using namespace penshelf::test;

namespace {

class SimulatedPensTest : public ::testing::Test {
  protected:
    std::string makePen(const std::string& name, const std::string& code,
                        const std::string& title) {
        const std::string folder = pens / name;
        writeFile(folder + "/SYS/product.ini", "PRODUCT_CODE=" + code + "\r\n");
        writeFile(folder + "/BOOK/001.vxr", BookFile{.name = vxbName(title)}.bytes());
        return folder;
    }
    void start() {
        app = std::make_unique<AppDelegate>(platform, Diagnostics{log, log}, AppDelegate::Hooks{},
                                            [this](std::function<void()> then) {
                                                ++waits;
                                                then();
                                            });
        app->applicationDidFinishLaunching();
        ui = std::make_unique<MainWindowParts>(*app);
    }
    std::string firstTitle() const {
        return ui->listBook->model()->index(0, 0).data().toString().toStdString();
    }

    TempDir pens;
    SimulatedPlatform platform{pens.str()};
    std::ostringstream log;
    int waits = 0;
    std::unique_ptr<AppDelegate> app;
    std::unique_ptr<MainWindowParts> ui;
};

TEST_F(SimulatedPensTest, PenPresentAtStartIsListedWithItsBooks) {
    makePen("pen-A", "KLV8A3C5D21", "小学英语");
    start();
    EXPECT_EQ(ui->listZiro->itemText(0), "小栗莓点读笔 Simulated Pen 1.00");
    EXPECT_EQ(ui->snZiro->text(), "KLV8A3C5D21");
    EXPECT_EQ(firstTitle(), "小学英语");
    EXPECT_EQ(waits, 0);
}

TEST_F(SimulatedPensTest, AttachedPenAppearsAndPulledPenStaysListed) {
    start();
    ASSERT_EQ(ui->listZiro->itemText(0), "请连接点读系列产品！");

    const std::string folder = makePen("pen-B", "KLV9B7E2F08", "三只小猪");
    // The folder watch reports the new pen as an attach.
    ASSERT_TRUE(spinUntil([&] { return ui->snZiro->text() == "KLV9B7E2F08"; }));
    EXPECT_EQ(firstTitle(), "三只小猪");
    EXPECT_EQ(waits, 1);

    std::filesystem::remove_all(folder);
    ASSERT_TRUE(spinUntil([&] { return log.str().find("Device removed.") != std::string::npos; }));
    EXPECT_EQ(ui->listZiro->count(), 1);
    EXPECT_EQ(ui->listZiro->itemText(0), "小栗莓点读笔 Simulated Pen 1.00")
        << "a pulled pen stays listed until it is ejected";
}

TEST_F(SimulatedPensTest, OtherDevicesAndVendorsAreNotListed) {
    writeFile(makePen("mouse", "XXXXXXXXXXX", "x") + "/" + SimulatedPlatform::deviceFile,
              "usb = 046d:c52b\n");
    writeFile(makePen("clone", "YYYYYYYYYYY", "y") + "/" + SimulatedPlatform::deviceFile,
              "usb = 0c45:3201\nscsi-vendor = Pagor\n");
    makePen("second-vendor", "ZZZZZZZZZZZ", "z");
    writeFile(pens / ("second-vendor/" + std::string(SimulatedPlatform::deviceFile)),
              "usb=0c45:3201\n");
    start();
    ASSERT_EQ(ui->listZiro->count(), 1);
    EXPECT_EQ(ui->snZiro->text(), "ZZZZZZZZZZZ");
}

}  // namespace
