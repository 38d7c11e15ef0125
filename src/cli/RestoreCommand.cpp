// penshelf-cli restore: a backup's books back onto a pen under their own
// names and numbers, byte for byte. Books whose number another file holds on
// the pen are skipped or renumbered only as --on-conflict says; without it
// nothing is written.
#include "cli/PenCommandEntries.h"

#include "books/FreeSpace.h"
#include "books/Restore.h"
#include "cli/BookProgressText.h"
#include "cli/FieldEscape.h"
#include "cli/Interruptions.h"
#include "cli/TerminalLine.h"
#include "texts/BackupMessages.h"

#include <QJsonArray>

#include <ostream>

namespace penshelf::cli {

namespace {

// The command line's words for an outcome, with its values filled in.
std::string say(const texts::Message& message, std::initializer_list<std::string_view> values) {
    return texts::fillIn(message.cli, values);
}

}  // namespace

int restoreCommand(const PenOptions& options, PenSession& session, Reply& reply) {
    std::optional<ConflictChoice> choice;
    if (options.onConflict == "skip") {
        choice = ConflictChoice::Skip;
    } else if (options.onConflict == "renumber") {
        choice = ConflictChoice::Renumber;
    } else if (options.onConflict) {
        return reply.fail(exitUserError, "--on-conflict takes skip or renumber");
    }
    const PenRecord* pen = choosePen(session, options, reply);
    if (!pen) return exitUserError;
    if (refusesWrites(session.platform(), *pen, reply)) return exitFailure;
    const PenView view = viewPen(session.platform(), *pen);
    const std::string& folder = options.operands.front();

    PlanReport planned;
    {
        // Checking a large backup takes long, and writes nothing: an interrupt just stops it.
        GracefulStop stop;
        {
            TerminalLine line(reply);
            planned = planRestore(folder, view.bookFolder,
                                  {.progress =
                                       [&](const BookCopyProgress& p) {
                                           line.show(bookProgressText("checking", p, false));
                                       },
                                   .cancelled = [&] { return stop.requested(); }});
        }
        if (planned.status == PlanStatus::Cancelled) {
            reply.fail(exitFailure, say(texts::messageFor(planned.status), {}));
            stop.endAsSignalled();
            return exitFailure;
        }
    }
    if (planned.status != PlanStatus::Ready) {
        // A folder that is not there, or not a backup, is the user's to mend.
        const bool usersFault = planned.status == PlanStatus::NoBackupFolder ||
                                planned.status == PlanStatus::BadManifest;
        return reply.fail(
            usersFault ? exitUserError : exitFailure,
            say(texts::messageFor(planned.status),
                {escapeField(folder),
                 say(texts::messageFor(planned.manifestError), {escapeField(planned.detail)}),
                 formatFreeSpace(planned.needed), formatFreeSpace(planned.capacity)}));
    }
    const RestorePlan& plan = *planned.plan;
    if (plan.count(RestoreState::Conflict) > 0 && !choice) {
        std::string taken;
        for (const RestoreItem& item : plan.items) {
            if (item.state != RestoreState::Conflict) continue;
            taken += (taken.empty() ? "" : ", ") + escapeField(item.book.entry);
        }
        return reply.fail(exitUserError, "the pen holds other books under the numbers of " + taken +
                                             "; choose --on-conflict skip or --on-conflict "
                                             "renumber (nothing was written)");
    }

    RestoreReport report;
    {
        const InterruptCleanup cleanup;
        TerminalLine line(reply);
        report = runRestore(plan, choice.value_or(ConflictChoice::Skip),
                            {.progress =
                                 [&](const BookCopyProgress& p) {
                                     line.show(bookProgressText("restoring", p, false));
                                 },
                             .cancelled = {}});
    }
    if (report.status != RestoreStatus::Done) {
        return reply.fail(exitFailure,
                          say(texts::messageFor(report.status),
                              {formatFreeSpace(report.needed), formatFreeSpace(report.available)}));
    }

    using Kind = RestoreResult::Kind;
    int status = exitSuccess;
    QJsonArray restored, alreadyThere, skipped, failed;
    for (const RestoreResult& result : report.books) {
        const std::string entry = escapeField(result.book.entry);
        const auto json = [&](const char* key, const std::string& value) {
            return QJsonObject{{"entry", QString::fromStdString(entry)},
                               {"name", QString::fromStdString(result.book.name)},
                               {key, QString::fromStdString(value)}};
        };
        const std::string failure = texts::restoreFailure(result.failure).cli;
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
            status = exitFailure;
        } else if (!reply.json()) {
            reply.out() << line << "\n";
        }
    }
    if (reply.json()) {
        reply.write(QJsonObject{{"pen", QString::fromStdString(view.bsdName)},
                                {"folder", QString::fromStdString(escapeField(folder))},
                                {"restored", restored},
                                {"alreadyThere", alreadyThere},
                                {"skipped", skipped},
                                {"failed", failed}});
    } else {
        reply.out().flush();
    }
    return status;
}

}  // namespace penshelf::cli
