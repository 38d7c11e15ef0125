// penshelf-cli copy: one pen's books onto another, byte for byte, as a backup
// of the one restored onto the other. The backup lives in a folder of the
// user's cache that goes with the copy, whatever happens, unless
// --keep-backup names a folder to keep it in.
#include "cli/PenCommandEntries.h"

#include "cli/CliText.h"

#include "books/PenCopy.h"
#include "cli/CopySteps.h"
#include "cli/FieldEscape.h"

#include <cstring>
#include <ostream>

namespace penshelf::cli {

namespace {

std::string named(const PenRecord& pen) {
    return pen.bsdName + " (" + escapeField(pen.identityCodeBytes()) + ")";
}

int copyBetween(const PenRecord& from, const PenRecord& to, std::optional<ConflictChoice> choice,
                const PenOptions& options, const GracefulStop& stop, PenSession& session,
                Reply& reply) {
    int error = 0;
    std::optional<PenCopyFolder> cache =
        options.keepBackup ? std::nullopt : PenCopyFolder::make(error);
    if (!options.keepBackup && !cache) {
        return reply.fail(exitFailure, tr("cannot make a folder for the copy in the cache: %1",
                                          {std::strerror(error)}));
    }
    const std::string folder = cache ? cache->path() : *options.keepBackup;
    const PenBackedUp backedUp =
        backUpOne(session.platform(), from, folder, stop, reply, /*listCopied=*/false);
    if (backedUp.refused) return reply.fail(backedUp.status, backedUp.message);
    // Without its manifest the folder is no backup to restore; the reason was told.
    if (backedUp.stopped || backedUp.document["outcome"] != "done") return exitFailure;

    // An interrupt while the books go onto the pen takes the cache's copy with it.
    std::vector<std::string> leftovers;
    if (cache) {
        for (const std::string& entry : backedUp.entries) leftovers.push_back(folder + "/" + entry);
        leftovers.push_back(folder + "/" + backupManifestName);
        leftovers.push_back(folder);
    }
    const PenView target = viewPen(session.platform(), to);
    BackupRestored restored =
        restoreOnto(folder, target.bookFolder, choice, stop, reply, cache ? &leftovers : nullptr);
    if (restored.document.isEmpty()) return restored.status;
    if (reply.json()) {
        restored.document["from"] = QString::fromStdString(from.bsdName);
        restored.document["to"] = QString::fromStdString(to.bsdName);
        restored.document["folder"] =
            cache ? QJsonValue() : QJsonValue(QString::fromStdString(escapeField(folder)));
        reply.write(restored.document);
    } else {
        reply.out() << tr("copied from %1 onto %2", {named(from), named(to)}) << "\n";
        reply.out().flush();
    }
    return std::max(backedUp.status, restored.status);
}

}  // namespace

int copyCommand(const PenOptions& options, PenSession& session, Reply& reply) {
    std::optional<ConflictChoice> choice;
    if (!chooseOnConflict(options, reply, choice)) return exitUserError;
    if (!options.from || !options.to) {
        return reply.fail(exitUserError, tr("copy needs --from PEN and --to PEN"));
    }
    const PenRecord* from = penNamed(session, *options.from, reply);
    if (!from) return exitUserError;
    const PenRecord* to = penNamed(session, *options.to, reply);
    if (!to) return exitUserError;
    if (from->bsdName == to->bsdName) {
        return reply.fail(exitUserError,
                          tr("--from and --to name the same pen, %1", {from->bsdName}));
    }
    if (refusesWrites(session.platform(), *to, reply)) return exitFailure;

    GracefulStop stop;
    const int status = copyBetween(*from, *to, choice, options, stop, session, reply);
    // Only now, with the cache's copy gone.
    stop.endAsSignalled();
    return status;
}

}  // namespace penshelf::cli
