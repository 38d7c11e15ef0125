#include "cli/CopySteps.h"

#include "cli/CliText.h"

#include "books/Backup.h"
#include "books/FreeSpace.h"
#include "books/Text.h"
#include "cli/BookProgressText.h"
#include "cli/FieldEscape.h"
#include "cli/TerminalLine.h"
#include "texts/BackupMessages.h"

#include <QJsonArray>

#include <cstring>
#include <ctime>
#include <ostream>

namespace penshelf::cli {

namespace {

// The command line's words for an outcome, with its values filled in.
std::string say(const texts::Message& message, std::initializer_list<std::string_view> values) {
    return texts::fillIn(texts::translatedUtf8(message.cli), values);
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

bool chooseOnConflict(const PenOptions& options, Reply& reply,
                      std::optional<ConflictChoice>& choice) {
    if (options.onConflict == "skip") {
        choice = ConflictChoice::Skip;
    } else if (options.onConflict == "renumber") {
        choice = ConflictChoice::Renumber;
    } else if (options.onConflict) {
        reply.fail(exitUserError, tr("--on-conflict takes skip or renumber"));
        return false;
    }
    return true;
}

PenBackedUp backUpOne(const Platform& platform, const PenRecord& pen, const std::string& folder,
                      const GracefulStop& stop, Reply& reply, bool listCopied,
                      const std::string& prefix) {
    const PenView view = viewPen(platform, pen);
    BackupReport report;
    {
        TerminalLine line(reply);
        report = backUpPen(
            {.bookFolder = view.bookFolder,
             .folder = folder,
             .identityCode = view.identityCode,
             .product = isValidUtf8(pen.product) ? std::optional(pen.product) : std::nullopt,
             .when = std::time(nullptr)},
            {.progress =
                 [&](const BookCopyProgress& p) {
                     line.show(prefix + bookProgressText(tr("backing up"), p, true));
                 },
             .cancelled = [&] { return stop.requested(); }});
    }

    PenBackedUp done;
    done.stopped = stop.requested();
    const texts::Message ended = texts::messageFor(report);
    const auto endedText = [&] {
        return texts::fillIn(texts::translatedUtf8(ended.cli),
                             {escapeField(folder), std::to_string(report.copied.size()),
                              std::to_string(report.failed.size()), std::strerror(report.error)});
    };
    switch (report.status) {
        case BackupStatus::FolderNotEmpty:
        case BackupStatus::FolderUnusable:
        case BackupStatus::NoBookFolder:
            done.status = report.status == BackupStatus::NoBookFolder ? exitFailure : exitUserError;
            done.refused = true;
            done.message = endedText();
            return done;
        case BackupStatus::Done:
        case BackupStatus::Cancelled:
        case BackupStatus::ManifestFailed:
            break;
    }
    for (const BackupReport::Failure& failure : report.failed) {
        reply.say(prefix + tr("%1 (%2): %3", {escapeField(failure.entry), escapeField(failure.name),
                                              sharedText(texts::messageFor(failure.why).cli)}));
    }
    if (ended.cli) reply.say(prefix + endedText());

    QJsonArray books, failed;
    for (const BackupBook& book : report.copied) {
        books.append(toJson(book));
        done.entries.push_back(book.entry);
        if (listCopied && !reply.json()) {
            reply.out() << prefix
                        << tr("backed up %1 (%2)",
                              {escapeField(book.entry), escapeField(book.name)})
                        << "\n";
        }
    }
    for (const BackupReport::Failure& failure : report.failed) {
        failed.append(
            QJsonObject{{"entry", QString::fromStdString(escapeField(failure.entry))},
                        {"name", QString::fromStdString(failure.name)},
                        {"message", texts::translated(texts::messageFor(failure.why).cli)}});
    }
    const char* outcome = report.status == BackupStatus::Done        ? "done"
                          : report.status == BackupStatus::Cancelled ? "cancelled"
                                                                     : "no manifest";
    done.document = {{"folder", QString::fromStdString(escapeField(folder))},
                     {"outcome", QString::fromUtf8(outcome)},
                     {"books", books},
                     {"failed", failed}};
    done.status =
        report.status == BackupStatus::Done && report.failed.empty() ? exitSuccess : exitFailure;
    return done;
}

BackupRestored restoreOnto(const std::string& folder, const std::string& bookFolder,
                           std::optional<ConflictChoice> choice, const GracefulStop& stop,
                           Reply& reply, const std::vector<std::string>* leftovers) {
    BackupRestored done;
    PlanReport planned;
    {
        // Checking a large backup takes long, and writes nothing: an interrupt just stops it.
        TerminalLine line(reply);
        planned = planRestore(folder, bookFolder,
                              {.progress =
                                   [&](const BookCopyProgress& p) {
                                       line.show(bookProgressText(tr("checking"), p, false));
                                   },
                               .cancelled = [&] { return stop.requested(); }});
    }
    if (planned.status == PlanStatus::Cancelled) {
        done.stopped = true;
        done.status = reply.fail(exitFailure, say(texts::messageFor(planned.status), {}));
        return done;
    }
    if (planned.status != PlanStatus::Ready) {
        // A folder that is not there, or not a backup, is the user's to mend.
        const bool usersFault = planned.status == PlanStatus::NoBackupFolder ||
                                planned.status == PlanStatus::BadManifest;
        done.status = reply.fail(
            usersFault ? exitUserError : exitFailure,
            say(texts::messageFor(planned.status),
                {escapeField(folder),
                 say(texts::messageFor(planned.manifestError), {escapeField(planned.detail)}),
                 formatFreeSpace(planned.needed), formatFreeSpace(planned.capacity)}));
        return done;
    }
    const RestorePlan& plan = *planned.plan;
    if (plan.count(RestoreState::Conflict) > 0 && !choice) {
        std::string taken;
        for (const RestoreItem& item : plan.items) {
            if (item.state != RestoreState::Conflict) continue;
            taken += (taken.empty() ? "" : ", ") + escapeField(item.book.entry);
        }
        done.status = reply.fail(exitUserError,
                                 tr("the pen holds other books under the numbers of %1; choose "
                                    "--on-conflict skip or --on-conflict renumber (nothing "
                                    "was written)",
                                    {taken}));
        return done;
    }

    RestoreReport report;
    {
        const InterruptCleanup cleanup(leftovers);
        TerminalLine line(reply);
        report = runRestore(plan, choice.value_or(ConflictChoice::Skip),
                            {.progress =
                                 [&](const BookCopyProgress& p) {
                                     line.show(bookProgressText(tr("restoring"), p, false));
                                 },
                             .cancelled = {}});
    }
    if (report.status != RestoreStatus::Done) {
        done.status = reply.fail(
            exitFailure, say(texts::messageFor(report.status),
                             {formatFreeSpace(report.needed), formatFreeSpace(report.available)}));
        return done;
    }

    using Kind = RestoreResult::Kind;
    QJsonArray restored, alreadyThere, skipped, failed;
    for (const RestoreResult& result : report.books) {
        const std::string entry = escapeField(result.book.entry);
        const auto json = [&](const char* key, const std::string& value) {
            return QJsonObject{{"entry", QString::fromStdString(entry)},
                               {"name", QString::fromStdString(result.book.name)},
                               {key, QString::fromStdString(value)}};
        };
        const std::string failure = sharedText(texts::restoreFailure(result.failure).cli);
        const std::string line =
            say(texts::messageFor(result),
                {entry, escapeField(result.penEntry), escapeField(result.shares), failure});
        switch (result.kind) {
            case Kind::Restored:
                restored.append(json("penEntry", escapeField(result.penEntry)));
                break;
            case Kind::AlreadyThere:
                alreadyThere.append(json("penEntry", escapeField(result.penEntry)));
                break;
            case Kind::SkippedConflict:
                skipped.append(json("reason", "conflict"));
                break;
            case Kind::SkippedShared:
                skipped.append(json("reason", "shared book skipped"));
                break;
            case Kind::Missing:
                skipped.append(json("reason", "missing"));
                break;
            case Kind::Changed:
                skipped.append(json("reason", "changed"));
                break;
            case Kind::Failed:
                failed.append(json("message", failure));
                break;
        }
        // A book the backup could not give back whole is a fault, told on the error stream.
        if (result.kind == Kind::Missing || result.kind == Kind::Changed ||
            result.kind == Kind::Failed) {
            reply.say(line);
            done.status = exitFailure;
        } else if (!reply.json()) {
            reply.out() << line << "\n";
        }
    }
    done.document = {{"restored", restored},
                     {"alreadyThere", alreadyThere},
                     {"skipped", skipped},
                     {"failed", failed}};
    return done;
}

}  // namespace penshelf::cli
