// PenShelf among the desktop's habits: the built program's --help, --version and missing display,
// one window per user and display, the window's remembered geometry, and the notifications a
// stand-in notification service (python3-dbusmock's) receives.

#include "app/SingleInstance.h"
#include "app/WindowGeometry.h"

#include "support/MainWindowProbe.h"
#include "support/NotificationService.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace penshelf;
using namespace penshelf::test;
using namespace std::chrono_literals;

namespace {

// Its exit status, standard output and standard error.
using ProgramRun = std::tuple<int, std::string, std::string>;

ProgramRun run(const char* program, const QStringList& args) {
    QProcess process;
    process.start(QString::fromUtf8(program), args);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) return {};
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

TEST(ProgramTest, SaysInOneLineThatNoDisplayOpensAndAnswersHelpAndVersionWithoutOne) {
    ScopedEnv noDisplay("DISPLAY", std::nullopt);
    noDisplay.set("WAYLAND_DISPLAY", std::nullopt).set("QT_QPA_PLATFORM", "xcb");
    EXPECT_EQ(run(PENSHELF_PROGRAM, {}),
              ProgramRun(1, "",
                         "penshelf: cannot open a display to show the window on (DISPLAY unset, "
                         "WAYLAND_DISPLAY unset)\n"));
    EXPECT_EQ(run(PENSHELF_PROGRAM, {"--version"}),
              ProgramRun(0, "penshelf " PENSHELF_VERSION "\n", ""));
    EXPECT_EQ(run(PENSHELF_CLI_PROGRAM, {"--version"}),
              ProgramRun(0, "penshelf-cli " PENSHELF_VERSION "\n", ""));
    const auto [status, help, errors] = run(PENSHELF_PROGRAM, {"--help"});
    EXPECT_EQ(status, 0);
    EXPECT_NE(help.find("--version"), std::string::npos) << help;
}

TEST(SingleInstanceTest, ALaterStartTakesOverAStaleSocketOrBringsTheRunningWindowToTheFront) {
    {
        const ScopedEnv none("XDG_RUNTIME_DIR", std::nullopt);  // not in /tmp: as many as started
        SingleInstance first, second;
        EXPECT_FALSE(first.handedOver() || second.handedOver());
    }
    TempDir runtime;
    const ScopedEnv env("XDG_RUNTIME_DIR", runtime.str());
    // A crashed copy's socket: bound, left behind, nobody listening.
    const std::string path = SingleInstance::socketPath().toStdString();
    const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(stale);

    QWidget window;
    window.showMinimized();
    SingleInstance first;
    ASSERT_FALSE(first.handedOver());
    first.setWindow(&window);
    {
        const ScopedEnv otherDisplay("DISPLAY", ":98");
        SingleInstance elsewhere;
        EXPECT_FALSE(elsewhere.handedOver());
    }
    QProcess later;
    later.start(QString::fromUtf8(PENSHELF_PROGRAM), {});
    EXPECT_TRUE(spinUntil([&] { return later.state() == QProcess::NotRunning; }, 30s));
    later.kill();
    later.waitForFinished();
    EXPECT_EQ(later.exitCode(), 0);
    EXPECT_TRUE(window.isVisible() && !window.isMinimized());
}

TEST(WindowGeometryTest, TheWindowComesBackAtItsSizeAndPlaceAndAnUnreadableValueIsIgnored) {
    TempHome home;
    writeFile(home / ".config/PenShelf/PenShelf.conf", "[window]\ngeometry=@ByteArray(broken)\n");
    QWidget first;
    first.resize(300, 200);
    rememberGeometry(&first);
    EXPECT_EQ(first.size(), QSize(300, 200));
    first.show();
    first.setGeometry(60, 70, 640, 480);
    first.close();
    QWidget second;
    rememberGeometry(&second);
    EXPECT_EQ(second.geometry(), QRect(60, 70, 640, 480));
}

// Pens as folders whose eject goes as the test says.
class EjectPlatform : public SimulatedPlatform {
  public:
    using SimulatedPlatform::SimulatedPlatform;
    enum class Eject { Refused, PowerOffFails, Works } next = Eject::Works;
    bool eject(const std::string& bsdName) override {
        if (next != Eject::Refused) SimulatedPlatform::eject(bsdName);  // unmounted
        return next == Eject::Works;
    }
};

using NotificationTest = WindowTest<EjectPlatform>;

TEST_F(NotificationTest, SafeToPullOutOnlyOnceThePenIsPoweredOffAndNothingWhileTheWindowIsSeen) {
    NotificationService notices;
    start({.reportEjectFailure = [] {}});
    const auto ejectAs = [&](EjectPlatform::Eject how, size_t notified) {
        platform.next = how;
        ui->btnEject->click();
        EXPECT_TRUE(spinUntil([&] { return notices.received().size() == notified; }));
    };
    attachPen("sdb1", "BUSY");
    app->window()->showMinimized();
    ejectAs(EjectPlatform::Eject::Refused, 1);
    ejectAs(EjectPlatform::Eject::PowerOffFails, 2);
    attachPen("sdb1", "DONE");
    ejectAs(EjectPlatform::Eject::Works, 3);
    EXPECT_EQ(notices.received(),
              (Texts{"点读笔未能弹出 | 小栗莓点读笔 BUSY", "点读笔未能弹出 | 小栗莓点读笔 BUSY",
                     "可以安全拔出点读笔 | 小栗莓点读笔 DONE"}));
    app->window()->showNormal();
    app->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(app->window()));
    attachPen("sdc1", "SEEN");
    ui->btnEject->click();
    spinFor(300ms);
    EXPECT_EQ(notices.received().size(), 3u);
}

}  // namespace
