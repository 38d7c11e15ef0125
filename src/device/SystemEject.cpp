#include "device/SystemEject.h"

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

bool ejectWithSystemCommands(const std::string& devicePath) {
    const QString device = QString::fromStdString(devicePath);
    const QString udisksctl = QStandardPaths::findExecutable(QStringLiteral("udisksctl"));
    if (!udisksctl.isEmpty()) {
        return runCommand(udisksctl, {"unmount", "--block-device", device}) == 0 &&
               runCommand(udisksctl, {"power-off", "--block-device", device}) == 0;
    }
    return runCommand(QStringLiteral("umount"), {device}) == 0 &&
           runCommand(QStringLiteral("eject"), {device}) == 0;
}

}  // namespace penshelf
