// penshelf-cli backup: every book package of a pen copied into a folder,
// each checked against the bytes read from the pen, with a manifest of them.
// An interrupt stops the backup after the book under way has been given up:
// the books finished before and their manifest stay.
#include "cli/PenCommandEntries.h"

#include "books/Backup.h"
#include "books/Text.h"
#include "cli/FieldEscape.h"
#include "cli/Interruptions.h"
#include "cli/TerminalLine.h"

#include <QJsonArray>

#include <cstring>
#include <ctime>
#include <ostream>

namespace penshelf::cli {

namespace {

int percentOf(std::uint64_t part, std::uint64_t whole) {
    return whole == 0 ? 100 : static_cast<int>(part * 100 / whole);
}

const char* reasonOf(BackupFailure failure) {
    switch (failure) {
        case BackupFailure::NotPlainName:
            return "its name is no plain book name (NNN.vxr or NNN.vxs); not backed up";
        case BackupFailure::ReadFailed:
            return "could not be read from the pen (pulled out?) or changed meanwhile";
        case BackupFailure::WriteFailed:
            break;
    }
    return "could not be written into the backup folder whole";
}

QJsonObject toJson(const BackupBook& book) {
    return {{"entry", QString::fromStdString(escapeField(book.entry))},
            {"number", QString::fromStdString(book.number)},
            {"kind", QString::fromStdString(book.kind)},
            {"name", QString::fromStdString(book.name)},
            {"size", static_cast<double>(book.size)},
            {"sha256", QString::fromStdString(book.sha256)}};
}

}  // namespace

int backupCommand(const PenOptions& options, PenSession& session, Reply& reply) {
    const PenRecord* pen = choosePen(session, options, reply);
    if (!pen) return exitUserError;
    const PenView view = viewPen(session.platform(), *pen);
    const std::string& folder = options.operands.front();

    BackupReport report;
    GracefulStop stop;
    {
        TerminalLine line(reply);
        report = backUpPen(
            {.bookFolder = view.bookFolder,
             .folder = folder,
             .identityCode = view.identityCode,
             .product = isValidUtf8(pen->product) ? std::optional(pen->product) : std::nullopt,
             .when = std::time(nullptr)},
            {.progress =
                 [&](const BackupProgress& p) {
                     line.show("backing up " + escapeField(p.current->entry) + " " +
                               escapeField(p.current->name) + ": " +
                               std::to_string(percentOf(p.bookDone, p.current->size)) + "% (book " +
                               std::to_string(p.book + 1) + " of " + std::to_string(p.books) +
                               ", " + std::to_string(percentOf(p.done, p.total)) + "% of all)");
                 },
             .cancelled = [&] { return stop.requested(); }});
    }

    switch (report.status) {
        case BackupStatus::FolderNotEmpty:
            return reply.fail(exitUserError, escapeField(folder) +
                                                 " holds files already; back up into a new or "
                                                 "empty folder");
        case BackupStatus::FolderUnusable:
            return reply.fail(exitUserError, "cannot make or open the folder " +
                                                 escapeField(folder) + ": " +
                                                 std::strerror(report.error));
        case BackupStatus::NoBookFolder:
            return reply.fail(exitFailure,
                              "the pen has no BOOK folder of its own (missing, or a link to "
                              "elsewhere); nothing was written");
        case BackupStatus::Done:
        case BackupStatus::Cancelled:
        case BackupStatus::ManifestFailed:
            break;
    }
    for (const BackupReport::Failure& failure : report.failed) {
        reply.say(escapeField(failure.entry) + " (" + escapeField(failure.name) +
                  "): " + reasonOf(failure.why));
    }
    if (report.status == BackupStatus::ManifestFailed) {
        reply.say("the manifest could not be written: the folder is no usable backup");
    } else if (report.status == BackupStatus::Cancelled) {
        reply.say("stopped; the manifest lists the " + std::to_string(report.copied.size()) +
                  " books backed up before");
    }

    if (reply.json()) {
        QJsonArray books, failed;
        for (const BackupBook& book : report.copied) books.append(toJson(book));
        for (const BackupReport::Failure& failure : report.failed) {
            failed.append(QJsonObject{{"entry", QString::fromStdString(escapeField(failure.entry))},
                                      {"name", QString::fromStdString(failure.name)},
                                      {"message", QString::fromUtf8(reasonOf(failure.why))}});
        }
        const char* outcome = report.status == BackupStatus::Done        ? "done"
                              : report.status == BackupStatus::Cancelled ? "cancelled"
                                                                         : "no manifest";
        reply.write(QJsonObject{{"pen", QString::fromStdString(view.bsdName)},
                                {"folder", QString::fromStdString(escapeField(folder))},
                                {"outcome", QString::fromUtf8(outcome)},
                                {"books", books},
                                {"failed", failed}});
    } else {
        for (const BackupBook& book : report.copied) {
            reply.out() << "backed up " << escapeField(book.entry) << " (" << escapeField(book.name)
                        << ")\n";
        }
        reply.out().flush();
    }
    stop.endAsSignalled();
    return report.status == BackupStatus::Done && report.failed.empty() ? exitSuccess : exitFailure;
}

}  // namespace penshelf::cli
