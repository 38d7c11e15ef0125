#include "device/linux/SystemEject.h"

#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>

namespace penshelf {

int runCommand(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) loop.quit();
    });
    process.start(program, arguments);
    if (process.state() != QProcess::NotRunning) loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (process.error() == QProcess::FailedToStart ||
        process.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    return process.exitCode();
}

bool ejectWithSystemCommands(const std::string& devicePath,
                             const std::function<bool()>& stillMounted, bool withUdisksctl) {
    const QString device = QString::fromStdString(devicePath);
    const QString udisksctl =
        withUdisksctl ? QStandardPaths::findExecutable(QStringLiteral("udisksctl")) : QString();
    const auto unmount = [&] {
        const int status = udisksctl.isEmpty()
                               ? runCommand(QStringLiteral("umount"), {device})
                               : runCommand(udisksctl, {"unmount", "--block-device", device});
        // Unmounting fails for a volume that was not mounted: that pen is
        // still to be powered off.
        return status == 0 || !stillMounted();
    };
    if (!unmount()) return false;
    return udisksctl.isEmpty()
               ? runCommand(QStringLiteral("eject"), {device}) == 0
               : runCommand(udisksctl, {"power-off", "--block-device", device}) == 0;
}

}  // namespace penshelf
