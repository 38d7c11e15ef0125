// penshelf-cli install: book package files onto a pen, each with the number
// the window would propose (or the one given), the window's checks and its
// safe copy. Every file is tried; the exit status is the worst outcome.
#include "cli/PenCommandEntries.h"

#include "books/InstallPlan.h"
#include "cli/FieldEscape.h"
#include "cli/Interruptions.h"
#include "cli/TerminalLine.h"
#include "texts/InstallMessages.h"
#include "texts/SharedTexts.h"

#include <QJsonArray>

#include <algorithm>
#include <cstring>
#include <ostream>

namespace penshelf::cli {

namespace {

struct Outcome {
    int status = exitSuccess;
    std::string number;  // empty until there is one
    std::string entry;
    std::string message;
};

// The install window's information line, redrawn in place on a terminal.
class Progress {
  public:
    Progress(Reply& reply, std::string file) : line_(reply), file_(std::move(file)) {}
    void show(const char* message, int percent = -1) {
        // Appended piece by piece: GCC 12 sees overlapping copies in a chain of +.
        std::string text = file_;
        text.append(": ").append(message);
        if (percent >= 0) text.append(" ").append(std::to_string(percent)).append("%");
        line_.show(text);
    }

  private:
    TerminalLine line_;
    std::string file_;
};

Outcome installOne(const std::string& file, const std::optional<std::string>& number,
                   const std::string& folder, Reply& reply) {
    Outcome outcome;
    const auto refuse = [&](InstallOutcome refused, int error = 0) {
        outcome.status = isUsersMistake(refused) ? exitUserError : exitFailure;
        outcome.message =
            texts::fillIn(texts::messageFor(refused).cli, {outcome.number, std::strerror(error)});
        reply.say(escapeField(file) + ": " + outcome.message);
        return outcome;
    };
    const InstallPackage package = readInstallPackage(file);
    if (package.outcome != InstallOutcome::Installed) return refuse(package.outcome, package.error);

    InstallPlan plan = planInstall(package, folder, number);
    outcome.number = plan.number();
    outcome.entry = plan.entry();
    if (plan.outcome() != InstallOutcome::Installed) return refuse(plan.outcome());

    {
        const InterruptCleanup cleanup;
        Progress progress(reply, escapeField(file));
        progress.show(texts::installing, 0);
        const std::int64_t chunks = plan.chunkCount();
        int shownPercent = 0;
        plan.install({.chunkWritten =
                          [&](std::int64_t chunk) {
                              const int percent = static_cast<int>((chunk + 1) * 100 / chunks);
                              if (percent == shownPercent) return;
                              shownPercent = percent;
                              progress.show(texts::installing, percent);
                          },
                      .flushing = [&] { progress.show(texts::flushingToPen); }});
    }
    if (plan.outcome() != InstallOutcome::Installed) return refuse(plan.outcome());
    return outcome;
}

}  // namespace

int installCommand(const PenOptions& options, PenSession& session, Reply& reply) {
    if (options.number && options.operands.size() > 1) {
        return reply.fail(exitUserError, "--number takes one file only; install the others apart");
    }
    const PenRecord* pen = choosePenWithVolume(session, options, reply);
    if (!pen) return exitUserError;
    if (refusesWrites(session.platform(), *pen, reply)) return exitFailure;
    const PenView view = viewPen(session.platform(), *pen);

    int worst = exitSuccess;
    QJsonArray installs;
    for (const std::string& file : options.operands) {
        const Outcome outcome = installOne(file, options.number, view.bookFolder, reply);
        worst = std::max(worst, outcome.status);
        if (!reply.json()) {
            if (outcome.status == exitSuccess) {
                reply.out() << "installed " << escapeField(file) << " as " << outcome.entry << "\n";
            }
            continue;
        }
        const auto textOrNull = [](const std::string& text) {
            return text.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(text));
        };
        installs.append(QJsonObject{{"file", QString::fromStdString(escapeField(file))},
                                    {"installed", outcome.status == exitSuccess},
                                    {"status", outcome.status},
                                    {"number", textOrNull(outcome.number)},
                                    {"entry", textOrNull(outcome.entry)},
                                    {"message", textOrNull(outcome.message)}});
    }
    if (reply.json()) {
        reply.write(
            QJsonObject{{"pen", QString::fromStdString(view.bsdName)}, {"installs", installs}});
    } else {
        reply.out().flush();
    }
    return worst;
}

}  // namespace penshelf::cli
