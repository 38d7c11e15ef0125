// penshelf-cli restore: a backup's books back onto a pen under their own
// names and numbers, byte for byte. Books whose number another file holds on
// the pen are skipped or renumbered only as --on-conflict says; without it
// nothing is written.
#include "cli/PenCommandEntries.h"

#include "books/FreeSpace.h"
#include "books/Restore.h"
#include "cli/FieldEscape.h"
#include "cli/Interruptions.h"
#include "cli/TerminalLine.h"

#include <QJsonArray>

#include <ostream>

namespace penshelf::cli {

namespace {

std::string manifestProblem(ManifestError error, const std::string& detail) {
    const std::string about = detail.empty() ? "" : " (" + escapeField(detail) + ")";
    switch (error) {
        case ManifestError::Missing:
            return "no manifest penshelf-backup.json: not a PenShelf backup";
        case ManifestError::Unreadable:
            return "the manifest penshelf-backup.json cannot be read";
        case ManifestError::NotJson:
            return "the manifest penshelf-backup.json is damaged: not JSON";
        case ManifestError::NotAManifest:
            return "the manifest penshelf-backup.json is not one of PenShelf's" + about;
        case ManifestError::UnknownVersion:
            return "the backup has format version" + about + ", which this PenShelf cannot read";
        case ManifestError::BadEntry:
            return "the manifest names a book that is no plain NNN.vxr or NNN.vxs file" + about;
        case ManifestError::None:
            break;
    }
    return "the manifest cannot be used";
}

std::string failureOf(InstallResult result) {
    switch (result) {
        case InstallResult::InvalidSource:
            return "not a book package file";
        case InstallResult::NoSpace:
            return "no room left on the pen";
        case InstallResult::TooLarge:
            return "4 GiB or more, more than a file on the pen can hold";
        case InstallResult::Taken:
            return "its number was taken meanwhile, or no number is free";
        case InstallResult::NoBookFolder:
            return "the pen has no BOOK folder of its own";
        case InstallResult::ReadOnly:
            return "the pen turned read-only";
        case InstallResult::Failed:
        case InstallResult::Installed:
            break;
    }
    return "could not be copied onto the pen whole";
}

int percentOf(std::uint64_t part, std::uint64_t whole) {
    return whole == 0 ? 100 : static_cast<int>(part * 100 / whole);
}

std::string progressText(const char* doing, const RestoreProgress& p) {
    return std::string(doing) + " " + escapeField(p.current->entry) + " " +
           escapeField(p.current->name) + ": " +
           std::to_string(percentOf(p.bookDone, p.current->size)) + "% (book " +
           std::to_string(p.book + 1) + " of " + std::to_string(p.books) + ")";
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
            planned = planRestore(
                folder, view.bookFolder,
                {.progress =
                     [&](const RestoreProgress& p) { line.show(progressText("checking", p)); },
                 .cancelled = [&] { return stop.requested(); }});
        }
        if (planned.status == PlanStatus::Cancelled) {
            reply.fail(exitFailure, "stopped; nothing was written");
            stop.endAsSignalled();
        }
    }
    switch (planned.status) {
        case PlanStatus::NoBackupFolder:
            return reply.fail(exitUserError, "no folder " + escapeField(folder));
        case PlanStatus::BadManifest:
            return reply.fail(exitUserError,
                              escapeField(folder) + ": " +
                                  manifestProblem(planned.manifestError, planned.detail));
        case PlanStatus::NoBookFolder:
            return reply.fail(exitFailure,
                              "the pen has no BOOK folder of its own (missing, or a link to "
                              "elsewhere); nothing was written");
        case PlanStatus::Cancelled:
            return exitFailure;
        case PlanStatus::TooLarge:
            return reply.fail(exitFailure,
                              "the backup's books take " + formatFreeSpace(planned.needed) +
                                  ", more than the whole pen holds (" +
                                  formatFreeSpace(planned.capacity) + "); nothing was written");
        case PlanStatus::Ready:
            break;
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
        report = runRestore(
            plan, choice.value_or(ConflictChoice::Skip),
            {.progress = [&](const RestoreProgress& p) { line.show(progressText("restoring", p)); },
             .cancelled = {}});
    }
    if (report.status == RestoreStatus::NoSpace) {
        return reply.fail(exitFailure, "not enough room on the pen: the restore needs " +
                                           formatFreeSpace(report.needed) + ", " +
                                           formatFreeSpace(report.available) +
                                           " are free; nothing was written");
    }
    if (report.status != RestoreStatus::Done) {
        return reply.fail(exitFailure,
                          "the backup folder or the pen went away; nothing was written");
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
        switch (result.kind) {
            case Kind::Restored: {
                const std::string as = escapeField(result.penEntry);
                restored.append(json("penEntry", as));
                if (!reply.json()) {
                    reply.out() << "restored " << entry
                                << (result.penEntry == result.book.entry ? "" : " as " + as)
                                << "\n";
                }
                break;
            }
            case Kind::AlreadyThere: {
                const std::string as = escapeField(result.penEntry);
                alreadyThere.append(json("penEntry", as));
                if (!reply.json()) {
                    reply.out() << "already there " << entry
                                << (result.penEntry == result.book.entry ? "" : " as " + as)
                                << "\n";
                }
                break;
            }
            case Kind::SkippedConflict:
                skipped.append(json("reason", "conflict"));
                if (!reply.json()) reply.out() << "skipped " << entry << ": its number is taken\n";
                break;
            case Kind::SkippedShared:
                skipped.append(json("reason", "shared book skipped"));
                if (!reply.json()) {
                    reply.out() << "skipped " << entry << ": the book it shares, "
                                << escapeField(result.shares) << ", is not restored\n";
                }
                break;
            case Kind::Missing:
            case Kind::Changed: {
                const bool missing = result.kind == Kind::Missing;
                skipped.append(json("reason", missing ? "missing" : "changed"));
                reply.say(entry + ": " +
                          (missing ? "missing from the backup" : "changed since the backup") +
                          "; skipped");
                status = exitFailure;
                break;
            }
            case Kind::Failed:
                failed.append(json("message", failureOf(result.failure)));
                reply.say(entry + ": " + failureOf(result.failure));
                status = exitFailure;
                break;
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
