// penshelf-cli backup: every book package of a pen copied into a folder,
// each checked against the bytes read from the pen, with a manifest of them.
// An interrupt stops the backup after the book under way has been given up:
// the books finished before and their manifest stay.
#include "cli/PenCommandEntries.h"

#include "books/Backup.h"
#include "books/Text.h"
#include "cli/BookProgressText.h"
#include "cli/FieldEscape.h"
#include "cli/Interruptions.h"
#include "cli/TerminalLine.h"
#include "texts/BackupMessages.h"

#include <QJsonArray>

#include <cstring>
#include <ctime>
#include <ostream>

namespace penshelf::cli {

namespace {

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
                 [&](const BookCopyProgress& p) {
                     line.show(bookProgressText("backing up", p, true));
                 },
             .cancelled = [&] { return stop.requested(); }});
    }

    const texts::Message ended = texts::messageFor(report);
    const auto endedText = [&] {
        return texts::fillIn(ended.cli,
                             {escapeField(folder), std::to_string(report.copied.size()),
                              std::to_string(report.failed.size()), std::strerror(report.error)});
    };
    switch (report.status) {
        case BackupStatus::FolderNotEmpty:
        case BackupStatus::FolderUnusable:
            return reply.fail(exitUserError, endedText());
        case BackupStatus::NoBookFolder:
            return reply.fail(exitFailure, endedText());
        case BackupStatus::Done:
        case BackupStatus::Cancelled:
        case BackupStatus::ManifestFailed:
            break;
    }
    for (const BackupReport::Failure& failure : report.failed) {
        reply.say(escapeField(failure.entry) + " (" + escapeField(failure.name) +
                  "): " + texts::messageFor(failure.why).cli);
    }
    if (ended.cli) reply.say(endedText());

    if (reply.json()) {
        QJsonArray books, failed;
        for (const BackupBook& book : report.copied) books.append(toJson(book));
        for (const BackupReport::Failure& failure : report.failed) {
            failed.append(
                QJsonObject{{"entry", QString::fromStdString(escapeField(failure.entry))},
                            {"name", QString::fromStdString(failure.name)},
                            {"message", QString::fromUtf8(texts::messageFor(failure.why).cli)}});
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
