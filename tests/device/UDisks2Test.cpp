// PenShelf where nothing else mounts pens: pen discovery as the window runs it (PenMonitor) and the
// command line on the Linux platform, with umockdev's pens and udisks2_standin.py on a private bus
// in the system bus's place. Runs under umockdev-wrapper.

#include "UmockdevPens.h"

#include "cli/PenCommandEntries.h"
#include "device/PenMonitor.h"
#include "device/linux/LinuxPlatform.h"
#include "device/linux/UDisks2.h"
#include "books/Volumes.h"
#include "texts/SharedTexts.h"

#include "support/BookFile.h"
#include "support/RecordingPenTable.h"
#include "support/ScopedEnv.h"
#include "support/Spin.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTimer>

#include <iostream>
#include <sstream>
#include <sys/stat.h>

using namespace penshelf;
using namespace penshelf::test;
using namespace std::chrono_literals;

namespace {

const std::string block = "/org/freedesktop/UDisks2/block_devices/sdb1";
const std::string drive = "/org/freedesktop/UDisks2/drives/PEN_sdb1";

// A call as the stand-in records it: the desktop may always ask for a password.
std::string call(const std::string& method, const std::string& object) {
    return method + " " + object + " auth.no_user_interaction=false interactive=true\n";
}

class UDisks2Test : public UmockdevPens {
  protected:
    // One pen, sdb1, whose volume holds a book once it is mounted.
    UDisks2Test() {
        addPen();
        writeFile(volume + "/BOOK/001.vxr", BookFile{.name = vxbName("Mounted")}.bytes());
    }
    ~UDisks2Test() override {
        monitor.reset();
        platform.reset();
        for (QProcess* process : {&udisks, &bus}) {
            process->terminate();
            process->waitForFinished();
        }
    }

    // The bus with the stand-in on it, which knows the pen's partition sdb1; errors: the calls that
    // fail, and how; missing: the checking tool it lacks.
    void startUDisks2(const QJsonObject& errors = {}, const QString& missing = {}) {
        bus.setProcessEnvironment(outsideUmockdev());
        bus.start("dbus-daemon", {"--session", "--nofork", "--print-address",
                                  QString::fromStdString("--address=unix:path=" + dir / "bus")});
        ASSERT_TRUE(bus.waitForReadyRead(10000)) << "dbus-daemon did not start";
        const QJsonObject parameters{{"dir", QString::fromStdString(dir.path().string())},
                                     {"volume", QString::fromStdString(volume)},
                                     {"errors", errors},
                                     {"missing", missing}};
        udisks.setProcessEnvironment(outsideUmockdev());
        udisks.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        udisks.setStandardOutputFile(QProcess::nullDevice());
        udisks.start("/usr/bin/python3",
                     {"-m", "dbusmock", "--system", "-t", PENSHELF_UDISKS2_STANDIN, "-p",
                      QJsonDocument(parameters).toJson(QJsonDocument::Compact)});
        ASSERT_TRUE(spinUntil([&] { return std::filesystem::exists(dir / "ready"); }))
            << "the stand-in UDisks2 did not start";
    }
    std::string calls() const { return readFile(dir / "calls"); }
    // A folder in front of PATH whose commands only write down how they were called.
    std::string fakeCommands(std::initializer_list<const char*> names) {
        const std::string bin = dir / "bin";
        for (const char* name : names) {
            writeFile(bin + "/" + name, "#!/bin/sh\necho \"${0##*/} $@\" >> '" + bin + "/calls'\n");
            chmod((bin + "/" + name).c_str(), 0755);
        }
        path.set("PATH", bin + ":" + std::getenv("PATH"));
        return bin + "/calls";
    }

    // The window's pen discovery on the Linux platform; attaches are examined at once, and the
    // waits before a mount are held until endMountWait.
    void startMonitor() {
        platform = makeLinuxPlatform(dir / "mountinfo");
        monitor = std::make_unique<PenMonitor>(
            *platform, Diagnostics{log, log},
            PenMonitorSettings{.attachWait = [](auto then) { then(); },
                               .mountWait = [this](auto then) { mountWaits.push_back(then); }});
        monitor->start();
    }
    void endMountWait() {
        for (auto& then : std::exchange(mountWaits, {})) then();
    }
    std::string listed() const { return listedPens(monitor->pens()); }
    bool mounted() const { return !platform->volumes().GetVolumePath("sdb1").empty(); }
    // A pen command of penshelf-cli on the Linux platform: "status|output|errors".
    std::string runCli(const cli::PenCommand& command) {
        const std::unique_ptr<Platform> machine = makeLinuxPlatform(dir / "mountinfo");
        std::ostringstream out, err;
        const int status = cli::runPenCommand(command, {}, out, err, machine.get());
        return std::to_string(status) + "|" + out.str() + "|" + err.str();
    }

    const std::string volume = penVolume("MOUNTEDBYUS");
    const ScopedEnv systemBus{"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + dir / "bus"};
    ScopedEnv path;
    QProcess bus, udisks;
    std::unique_ptr<Platform> platform;
    std::ostringstream log;
    std::unique_ptr<PenMonitor> monitor;
    std::vector<std::function<void()>> mountWaits;
};

TEST_F(UDisks2Test, ARefusedMountIsLoggedAndNotTriedAgain) {
    startUDisks2({{"Mount", "org.freedesktop.UDisks2.Error.NotAuthorized"}});
    startMonitor();
    endMountWait();
    const std::string refused =
        "Mounting /dev/sdb1 failed: org.freedesktop.UDisks2.Error.NotAuthorized: Mount refused\n";
    ASSERT_TRUE(spinUntil([&] { return log.str().find(refused) != std::string::npos; }))
        << log.str();
    emit platform->volumesChanged();  // another disk came or went
    spinFor(200ms);
    EXPECT_EQ(calls(), call("Mount", block));
    EXPECT_EQ(listed(), "sdb1: ");
    // The user mounts it by other means: the pen is identified with its volume.
    mount("sdb1", volume);
    emit platform->volumesChanged();
    EXPECT_EQ(listed(), "sdb1:MOUNTEDBYUS ");
}

TEST_F(UDisks2Test, WithoutUDisks2TheSystemCommandsEjectAndNothingIsMounted) {
    const std::string commands = fakeCommands({"udisksctl"});
    startMonitor();  // no bus at all
    endMountWait();
    spinFor(200ms);
    EXPECT_FALSE(mounted());
    EXPECT_EQ(monitor->eject("sdb1"), EjectOutcome::Ejected);
    EXPECT_EQ(readFile(commands),
              "udisksctl unmount --block-device /dev/sdb1\n"
              "udisksctl power-off --block-device /dev/sdb1\n");
    EXPECT_EQ(listed(), "");
}

// A bus (here in the abstract namespace, its name measured, not NUL-ended) that takes the
// connection and never answers is given up within seconds while the event loop turns; the command
// line then ejects with umount and eject, since udisksctl would wait on that bus for good.
TEST_F(UDisks2Test, ASystemBusThatNeverAnswersIsGivenUp) {
    QLocalServer silent;
    silent.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    const std::string address = "unix:abstract=penshelf-silent-" + std::to_string(getpid());
    const ScopedEnv bus{"DBUS_SYSTEM_BUS_ADDRESS", address};
    ASSERT_TRUE(silent.listen(QString::fromStdString(address.substr(14))));
    const std::string commands = fakeCommands({"udisksctl", "umount", "eject"});
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    {
        UDisks2 udisks(log);
        std::optional<MountResult> mounted;
        udisks.mount("/dev/sdb1", [&](const MountResult& done) { mounted = done; });
        EXPECT_FALSE(mounted) << "the answer comes from the event loop";
        ASSERT_TRUE(spinUntil([&] { return mounted.has_value(); }));
        EXPECT_EQ(mounted->outcome, MountResult::Outcome::NothingMounted);
        ticks = 0;
        EXPECT_EQ(udisks.eject("/dev/sdb1", [] { return false; }), std::nullopt);
        EXPECT_GT(ticks, 0) << "the event loop turned while eject waited";
    }
    const std::string given = "No UDisks2 answers: the system bus at " + address +
                              " took the connection but did not answer within 3 s\n";
    EXPECT_EQ(log.str(), given + given);

    std::ostringstream said;
    std::streambuf* const standardError = std::cerr.rdbuf(said.rdbuf());
    const std::string ejected = runCli(cli::ejectAction);
    std::cerr.rdbuf(standardError);
    EXPECT_EQ(ejected, "0|ejected sdb1\n|");
    EXPECT_EQ(said.str(), given);
    EXPECT_EQ(readFile(commands), "umount /dev/sdb1\neject /dev/sdb1\n");
}

TEST_F(UDisks2Test, AMissingCheckingToolIsNamedWithItsPackage) {
    startUDisks2({}, "fsck.vfat");
    UDisks2 udisks(log);
    for (const FileSystemAction action : {FileSystemAction::Check, FileSystemAction::Repair}) {
        std::optional<std::optional<FileSystemCheck>> checked;
        udisks.checkFileSystem("/dev/sdb1", action, [&](const auto& done) { checked = done; });
        EXPECT_FALSE(checked) << "the answer comes from the event loop";
        ASSERT_TRUE(spinUntil([&] { return checked.has_value(); }) && *checked);
        EXPECT_EQ((*checked)->outcome, FileSystemCheck::Outcome::ToolMissing);
        EXPECT_EQ((*checked)->reason,
                  "fsck.vfat is not installed: it comes with the dosfstools package");
    }
}

TEST_F(UDisks2Test, APenNothingMountsIsMountedOnceAfterTheWaitThenEjected) {
    startUDisks2();
    startMonitor();
    const QSignalSpy changes(monitor.get(), &PenMonitor::pensChanged);
    EXPECT_EQ(listed(), "sdb1: ");
    EXPECT_FALSE(mounted());
    ASSERT_EQ(mountWaits.size(), 1u);
    spinFor(200ms);
    EXPECT_EQ(calls(), "") << "nothing is mounted before the wait is over";

    endMountWait();
    ASSERT_TRUE(spinUntil([&] { return listed() == "sdb1:MOUNTEDBYUS "; })) << listed();
    EXPECT_EQ(changes.count(), 1) << "identified again with its volume";

    EXPECT_EQ(monitor->eject("sdb1"), EjectOutcome::Ejected);
    EXPECT_EQ(calls(), call("Mount", block) + call("Unmount", block) + call("PowerOff", drive));
    EXPECT_EQ(listed(), "");
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(UDisks2Test, APenEjectedDuringTheWaitIsPoweredOffAndNeverMounted) {
    startUDisks2();
    startMonitor();
    EXPECT_EQ(monitor->eject("sdb1"), EjectOutcome::Ejected);
    endMountWait();
    spinFor(200ms);
    EXPECT_EQ(calls(), call("Unmount", block) + call("PowerOff", drive))
        << "a volume that was never mounted is still powered off";
    EXPECT_EQ(listed(), "");
}

// penshelf-cli mounts only when it needs the volume; it does not power off a volume that is busy,
// and the window's discovery leaves the volume it mounted alone.
TEST_F(UDisks2Test, TheCommandLineMountsOnlyWhenItNeedsTheVolume) {
    startUDisks2({{"Unmount", "org.freedesktop.UDisks2.Error.DeviceBusy"}});
    EXPECT_EQ(runCli(cli::pensAction), "0|sdb1\t\t---\t-\n|");
    EXPECT_EQ(
        runCli(cli::booksAction),
        "0|001\tcustom\tMounted\t001.vxr\n|penshelf-cli books: mounted sdb1 at " + volume + "/\n");
    EXPECT_EQ(runCli(cli::ejectAction),
              "2||penshelf-cli eject: " + std::string(texts::ejectFailed) + "\n");
    EXPECT_EQ(calls(), call("Mount", block) + call("Unmount", block));
    startMonitor();
    EXPECT_TRUE(mountWaits.empty()) << "a mounted pen is left to its mount";
}

}  // namespace
