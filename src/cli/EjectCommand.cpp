// penshelf-cli eject: unmounts and powers off a pen, with the window's rule: a
// pen still mounted after a failed eject must not be pulled out.
#include "cli/PenCommandEntries.h"

#include "texts/SharedTexts.h"

#include <ostream>

namespace penshelf::cli {

int ejectCommand(const PenOptions& options, PenSession& session, Reply& reply) {
    const PenRecord* pen = choosePen(session, options, reply);
    if (!pen) return exitUserError;
    const std::string bsdName = pen->bsdName;
    const EjectOutcome outcome = session.monitor().eject(bsdName);
    if (outcome == EjectOutcome::StillMounted) return reply.fail(exitFailure, texts::ejectFailed);

    const bool gone = outcome == EjectOutcome::Gone;
    if (reply.json()) {
        reply.write(QJsonObject{{"pen", QString::fromStdString(bsdName)},
                                {"outcome", gone ? "gone" : "ejected"}});
    } else {
        reply.out() << (gone ? "no longer mounted: " : "ejected ") << bsdName << "\n" << std::flush;
    }
    return exitSuccess;
}

}  // namespace penshelf::cli
