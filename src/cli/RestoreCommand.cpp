// penshelf-cli restore: a backup's books back onto a pen under their own
// names and numbers, byte for byte. Books whose number another file holds on
// the pen are skipped or renumbered only as --on-conflict says; without it
// nothing is written.
#include "cli/PenCommandEntries.h"

#include "cli/CopySteps.h"
#include "cli/FieldEscape.h"

namespace penshelf::cli {

int restoreCommand(const PenOptions& options, PenSession& session, Reply& reply) {
    std::optional<ConflictChoice> choice;
    if (!chooseOnConflict(options, reply, choice)) return exitUserError;
    const PenRecord* pen = choosePen(session, options, reply);
    if (!pen) return exitUserError;
    if (refusesWrites(session.platform(), *pen, reply)) return exitFailure;
    const PenView view = viewPen(session.platform(), *pen);
    const std::string& folder = options.operands.front();

    GracefulStop stop;
    BackupRestored restored = restoreOnto(folder, view.bookFolder, choice, stop, reply);
    if (restored.stopped) stop.endAsSignalled();
    if (restored.document.isEmpty()) return restored.status;
    if (reply.json()) {
        restored.document["pen"] = QString::fromStdString(view.bsdName);
        restored.document["folder"] = QString::fromStdString(escapeField(folder));
        reply.write(restored.document);
    } else {
        reply.out().flush();
    }
    return restored.status;
}

}  // namespace penshelf::cli
