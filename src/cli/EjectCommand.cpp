// penshelf-cli eject: unmounts and powers off a pen, or several, with the
// window's rule: a pen still mounted after a failed eject must not be pulled
// out. A busy pen is kept and the others still go.
#include "cli/PenCommandEntries.h"

#include "cli/CliText.h"

#include "texts/SharedTexts.h"

#include <QJsonArray>

#include <ostream>

namespace penshelf::cli {

int ejectCommand(const PenOptions& options, PenSession& session, Reply& reply) {
    const std::optional<std::vector<PenRecord>> pens = choosePens(session, options, reply);
    if (!pens) return exitUserError;
    const bool several = options.severalPens();
    int worst = exitSuccess;
    QJsonArray results;
    for (const PenRecord& pen : *pens) {
        const EjectOutcome outcome = session.monitor().eject(pen.bsdName);
        if (outcome == EjectOutcome::StillMounted) {
            if (!several) return reply.fail(exitFailure, sharedText(texts::ejectFailed));
            reply.say(pen.bsdName + ": " + sharedText(texts::ejectFailed));
            worst = exitFailure;
        } else if (!reply.json()) {
            reply.out() << (outcome == EjectOutcome::Gone
                                ? tr("no longer mounted: %1", {pen.bsdName})
                                : tr("ejected %1", {pen.bsdName}))
                        << "\n";
        }
        const char* said = outcome == EjectOutcome::StillMounted ? "still mounted"
                           : outcome == EjectOutcome::Gone       ? "gone"
                                                                 : "ejected";
        QJsonObject result{{"pen", QString::fromStdString(pen.bsdName)}, {"outcome", said}};
        if (outcome == EjectOutcome::StillMounted) {
            result["message"] = texts::translated(texts::ejectFailed);
        }
        results.append(result);
    }
    if (!reply.json()) {
        reply.out().flush();
    } else if (several) {
        reply.write(QJsonObject{{"pens", results}});
    } else {
        reply.write(results.first().toObject());
    }
    return worst;
}

}  // namespace penshelf::cli
