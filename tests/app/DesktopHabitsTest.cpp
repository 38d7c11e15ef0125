// PenShelf among the desktop's habits: the built program's --help, --version and missing display,
// one window per user and display, the window's remembered geometry, and the notifications a
// stand-in notification service (python3-dbusmock's) receives.

#include "app/SingleInstance.h"
#include "app/WindowGeometry.h"

#include "support/MainWindowProbe.h"
#include "support/NotificationService.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"

#include <QProcess>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace penshelf;
using namespace penshelf::test;
using namespace std::chrono_literals;

namespace {

struct ProgramRun {
    int status = -1;
    std::string out, err;
};

ProgramRun run(const char* program, const QStringList& args, QProcessEnvironment env = {}) {
    QProcess process;
    if (!env.isEmpty()) process.setProcessEnvironment(env);
    process.start(QString::fromUtf8(program), args);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) return {};
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

TEST(ProgramTest, SaysInOneLineThatNoDisplayOpensAndAnswersHelpAndVersionWithoutOne) {
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    noDisplay.remove("DISPLAY");
    noDisplay.remove("WAYLAND_DISPLAY");
    noDisplay.insert("QT_QPA_PLATFORM", "xcb");
    const ProgramRun window = run(PENSHELF_PROGRAM, {}, noDisplay);
    EXPECT_EQ(window.status, 1);
    EXPECT_EQ(window.err,
              "penshelf: cannot open a display to show the window on (DISPLAY unset, "
              "WAYLAND_DISPLAY unset)\n");
    const ProgramRun version = run(PENSHELF_PROGRAM, {"--version"}, noDisplay);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "penshelf " PENSHELF_VERSION "\n");
    const ProgramRun help = run(PENSHELF_PROGRAM, {"--help"}, noDisplay);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--version"), std::string::npos) << help.out;
    const ProgramRun cli = run(PENSHELF_CLI_PROGRAM, {"--version"});
    EXPECT_EQ(cli.status, 0);
    EXPECT_EQ(cli.out, "penshelf-cli " PENSHELF_VERSION "\n");
}

TEST(SingleInstanceTest, ALaterStartTakesOverAStaleSocketOrBringsTheRunningWindowToTheFront) {
    {
        const ScopedEnv none("XDG_RUNTIME_DIR", std::nullopt);  // not in /tmp: as many as started
        SingleInstance first, second;
        EXPECT_FALSE(first.handedOver());
        EXPECT_FALSE(second.handedOver());
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

class NotificationTest : public WindowTest<EjectPlatform> {
  protected:
    NotificationTest() {
        start({.reportEjectFailure = [] {}});
    }
    void ejectAs(EjectPlatform::Eject how, size_t notified) {
        platform.next = how;
        ui->btnEject->click();
        EXPECT_TRUE(spinUntil([&] { return notices.received().size() == notified; }));
    }

    NotificationService notices;
};

TEST_F(NotificationTest, SafeToPullOutOnlyOnceThePenIsPoweredOffAndNothingWhileTheWindowIsSeen) {
    attachPen("sdb1", "BUSY");
    app->window()->showMinimized();
    ejectAs(EjectPlatform::Eject::Refused, 1);
    ejectAs(EjectPlatform::Eject::PowerOffFails, 2);
    attachPen("sdb1", "DONE");
    ejectAs(EjectPlatform::Eject::Works, 3);
    EXPECT_EQ(notices.received(),
              (std::vector<std::string>{"点读笔未能弹出 | 小栗莓点读笔 BUSY",
                                        "点读笔未能弹出 | 小栗莓点读笔 BUSY",
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
