#include "device/FatCheck.h"

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

namespace penshelf {
namespace {

// One run of fsck.fat, as far as it got.
struct ToolRun {
    bool started = false;
    int exitCode = -1;  // -1 when it did not end by itself
    std::string lines;  // what it said, on either channel
};

// Whether done may still be called: not once the context given has gone.
struct Receiver {
    explicit Receiver(QObject* context) : object(context), hadOne(context != nullptr) {}
    bool present() const { return !hadOne || object; }
    QPointer<QObject> object;
    bool hadOne;
};

// The version banner, blank lines, and the "Leaving filesystem unchanged."
// that every check with -n ends with say nothing about this file system.
bool isNoise(const QByteArray& line) {
    return line.trimmed().isEmpty() || line == "Leaving filesystem unchanged." ||
           (line.startsWith("fsck.fat ") && line.endsWith(")"));
}

std::string toolLines(const QByteArray& output) {
    std::string lines;
    for (QByteArray line : output.split('\n')) {
        while (!line.isEmpty() && QChar::isSpace(static_cast<unsigned char>(line.back()))) {
            line.chop(1);
        }
        if (isNoise(line)) continue;
        lines += line.toStdString();
        lines += '\n';
    }
    return lines;
}

// Runs fsck.fat once; then comes from the event loop. It is never stopped
// early, not even when the receiver goes: a repair cut short leaves the file
// system in a worse state than before.
void runTool(const QString& program, const QStringList& arguments, const Receiver& receiver,
             std::function<void(const ToolRun&)> then) {
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    auto finish = [process, receiver, then](const ToolRun& run) {
        process->disconnect();
        process->deleteLater();
        if (receiver.present()) then(run);
    };
    QObject::connect(
        process, &QProcess::finished, process,
        [process, finish](int exitCode, QProcess::ExitStatus status) {
            const QByteArray output =
                process->readAllStandardOutput() + process->readAllStandardError();
            finish({true, status == QProcess::NormalExit ? exitCode : -1, toolLines(output)});
        });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [finish](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) finish({});
                     });
    // Not started here: a program that cannot start would report at once,
    // before the caller is ready for done.
    QMetaObject::invokeMethod(
        process, [process] { process->start(); }, Qt::QueuedConnection);
}

FileSystemCheck checkResult(const ToolRun& run, const std::string& repairSaid) {
    using Outcome = FileSystemCheck::Outcome;
    FileSystemCheck check;
    check.found = run.lines;
    check.repairSaid = repairSaid;
    if (!run.started) {
        check.outcome = Outcome::ToolMissing;
        check.reason = "fsck.fat is not installed: it comes with the dosfstools package";
    } else if (run.exitCode == 0) {
        check.outcome = Outcome::Clean;
    } else if (run.exitCode == 1) {
        check.outcome = Outcome::Damaged;
    } else {
        check.outcome = Outcome::Failed;
        check.reason = run.exitCode < 0 ? std::string("fsck.fat did not end by itself")
                                        : "fsck.fat could not check the file system (status " +
                                              std::to_string(run.exitCode) + ")";
        if (!run.lines.empty()) check.reason += ": " + run.lines.substr(0, run.lines.size() - 1);
    }
    return check;
}

}  // namespace

std::string findFsckFat(const std::vector<std::string>& systemFolders) {
    const QString name = QStringLiteral("fsck.fat");
    QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty()) {
        QStringList folders;
        for (const std::string& folder : systemFolders) folders << QString::fromStdString(folder);
        if (!folders.isEmpty()) program = QStandardPaths::findExecutable(name, folders);
    }
    return program.toStdString();
}

void runFatCheck(const std::string& path, FileSystemAction action, QObject* context,
                 std::function<void(const FileSystemCheck&)> done) {
    runFatCheckWith(findFsckFat(), path, action, context, std::move(done));
}

void runFatCheckWith(const std::string& program, const std::string& path, FileSystemAction action,
                     QObject* context, std::function<void(const FileSystemCheck&)> done) {
    const Receiver receiver(context);
    const QString tool = QString::fromStdString(program);
    // "--": a path that begins with a dash is still a path.
    const QString target = QString::fromStdString(path);
    auto check = [tool, target, receiver, done](const std::string& repairSaid) {
        runTool(tool, {"-n", "--", target}, receiver,
                [done, repairSaid](const ToolRun& run) { done(checkResult(run, repairSaid)); });
    };
    if (action == FileSystemAction::Check) {
        check({});
        return;
    }
    runTool(tool, {"-a", "--", target}, receiver, [check, done](const ToolRun& run) {
        if (run.started) {
            check(run.lines);
        } else {
            done(checkResult(run, {}));
        }
    });
}

}  // namespace penshelf
