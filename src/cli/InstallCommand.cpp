// penshelf-cli install: book package files onto one pen or several, each with
// the number the window would propose (or the one given), the window's checks
// and its safe copy. Pens are written in parallel, each file on its own: every
// pen and file is tried, and the exit status is the worst outcome.
#include "cli/PenCommandEntries.h"

#include "cli/CliText.h"

#include "books/ManyPensInstall.h"
#include "books/Volumes.h"
#include "cli/FieldEscape.h"
#include "cli/Interruptions.h"
#include "cli/TerminalLine.h"
#include "texts/InstallMessages.h"
#include "texts/SharedTexts.h"

#include <QJsonArray>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <mutex>
#include <ostream>

namespace penshelf::cli {

namespace {

int statusOf(InstallOutcome outcome) {
    if (outcome == InstallOutcome::Installed) return exitSuccess;
    return isUsersMistake(outcome) ? exitUserError : exitFailure;
}

QJsonValue textOrNull(const std::string& text) {
    return text.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(text));
}

// The progress line's words, marked here for lupdate, outside the class.
constexpr const char* flushingWord = CLI_TEXT("flushing");
constexpr const char* installingWord = CLI_TEXT("installing:");
constexpr const char* doneWord = CLI_TEXT("done");

// The copies' progress on a terminal: with one pen, the install window's
// information line for the file under way; with several, each pen's share of
// its file on one line.
class InstallProgress {
  public:
    InstallProgress(Reply& reply, const std::vector<PenView>& pens,
                    const std::vector<std::string>& files, bool several)
        : line_(reply),
          pens_(pens),
          files_(files),
          several_(several),
          shown_(pens.size()),
          chunks_(pens.size()) {}

    void started(std::size_t pen, std::size_t file, std::int64_t chunks) {
        chunks_[pen] = chunks;
        show(pen, file, sharedText(texts::installing), 0);
    }
    void chunkWritten(std::size_t pen, std::size_t file, std::int64_t chunk) {
        const int percent = static_cast<int>((chunk + 1) * 100 / chunks_[pen]);
        if (shown_[pen] == std::to_string(percent) + "%") return;
        show(pen, file, sharedText(texts::installing), percent);
    }
    void flushing(std::size_t pen, std::size_t file) {
        show(pen, file, several_ ? tr(flushingWord) : sharedText(texts::flushingToPen));
    }
    void finished(std::size_t pen, bool lastFile) {
        if (several_ && lastFile) shown_[pen] = tr(doneWord);
        line_.end();
    }

  private:
    void show(std::size_t pen, std::size_t file, std::string what, int percent = -1) {
        const std::string share = percent >= 0 ? std::to_string(percent) + "%" : what;
        shown_[pen] = share;
        if (!several_) {
            // Appended piece by piece: GCC 12 sees overlapping copies in a chain of +.
            std::string text = escapeField(files_[file]);
            text.append(": ").append(what);
            if (percent >= 0) text.append(" ").append(share);
            line_.show(text);
            return;
        }
        std::string text = tr(installingWord);
        for (std::size_t i = 0; i < pens_.size(); ++i) {
            text.append(i == 0 ? " " : ", ").append(pens_[i].bsdName);
            if (!shown_[i].empty()) text.append(" ").append(shown_[i]);
        }
        line_.show(text);
    }

    TerminalLine line_;
    const std::vector<PenView>& pens_;
    const std::vector<std::string>& files_;
    bool several_;
    std::vector<std::string> shown_;  // each pen's share or step
    std::vector<std::int64_t> chunks_;
};

std::optional<int> jobCount(const PenOptions& options) {
    if (!options.jobs) return defaultPenJobs;
    int jobs = 0;
    const std::string& text = *options.jobs;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc() || end != text.data() + text.size() || jobs < 1) return std::nullopt;
    return jobs;
}

}  // namespace

int installCommand(const PenOptions& options, PenSession& session, Reply& reply) {
    if (options.number && options.operands.size() > 1) {
        return reply.fail(exitUserError,
                          tr("--number takes one file only; install the others apart"));
    }
    const std::optional<int> jobs = jobCount(options);
    if (!jobs)
        return reply.fail(exitUserError, tr("--jobs takes a whole number of pens, 1 or more"));
    const bool several = options.severalPens();
    const std::optional<std::vector<PenRecord>> chosen =
        choosePensWithVolumes(session, options, reply);
    if (!chosen) return exitUserError;
    // One pen asked for is refused whole; of several, each refuses its files.
    if (!several && refusesWrites(session.platform(), chosen->front(), reply)) return exitFailure;

    std::vector<PenView> pens;
    std::vector<PenInstallTarget> targets;
    for (const PenRecord& pen : *chosen) {
        pens.push_back(viewPen(session.platform(), pen));
        const bool readOnly = session.platform().volumes().isReadOnly(pen.bsdName);
        // One pen keeps the number asked for, as the window does; of several,
        // a pen where the proposal is taken gives the lowest free one.
        targets.push_back({.bookFolder = pens.back().bookFolder,
                           .refusesWrites = [readOnly] { return readOnly; },
                           .exactNumber = !several || options.number.has_value()});
    }
    std::vector<InstallPackage> packages;
    for (const std::string& file : options.operands) packages.push_back(readInstallPackage(file));

    std::mutex shared;  // the reply and the progress line, from the pens' threads
    InstallProgress progress(reply, pens, options.operands, several);
    const auto message = [&](const PenInstallStep& step) {
        const int error = packages[step.file].error;
        return texts::fillIn(texts::translatedUtf8(texts::messageFor(step.outcome).cli),
                             {step.number, std::strerror(error)});
    };
    const auto finished = [&](const PenInstallStep& step) {
        const std::lock_guard lock(shared);
        progress.finished(step.pen, step.file + 1 == packages.size());
        const std::string pen = several ? pens[step.pen].bsdName + ": " : "";
        const std::string file = escapeField(options.operands[step.file]);
        if (step.outcome != InstallOutcome::Installed) {
            reply.say(pen + file + ": " + message(step));
        } else if (!reply.json()) {
            reply.out() << pen
                        << (several && step.renumbered
                                ? tr("installed %1 as %2 (its number is taken on this pen)",
                                     {file, step.entry})
                                : tr("installed %1 as %2", {file, step.entry}))
                        << "\n";
        }
    };

    // A signal stops the copies under way, leaving nothing partial, and the
    // results are told before the program ends as the signal would have.
    GracefulStop stop;
    const std::vector<PenInstallStep> steps =
        installOnPens(packages, targets, options.number, *jobs,
                      {.started =
                           [&](std::size_t pen, std::size_t file, std::int64_t count) {
                               const std::lock_guard lock(shared);
                               progress.started(pen, file, count);
                           },
                       .chunkWritten =
                           [&](std::size_t pen, std::size_t file, std::int64_t chunk) {
                               const std::lock_guard lock(shared);
                               progress.chunkWritten(pen, file, chunk);
                           },
                       .flushing =
                           [&](std::size_t pen, std::size_t file) {
                               const std::lock_guard lock(shared);
                               progress.flushing(pen, file);
                           },
                       .finished = finished,
                       .cancel = &stop.requestedFlag()});

    int worst = exitSuccess;
    QJsonArray results, installs;
    for (const PenInstallStep& step : steps) {
        const int status = statusOf(step.outcome);
        worst = std::max(worst, status);
        QJsonObject install{
            {"file", QString::fromStdString(escapeField(options.operands[step.file]))},
            {"installed", status == exitSuccess},
            {"status", status},
            {"number", textOrNull(step.number)},
            {"entry", textOrNull(step.entry)},
            {"message", textOrNull(status == exitSuccess ? "" : message(step))}};
        if (several) install["renumbered"] = step.renumbered;
        installs.append(install);
        if (several && step.file + 1 == packages.size()) {
            const PenView& pen = pens[step.pen];
            results.append(QJsonObject{
                {"pen", QString::fromStdString(pen.bsdName)},
                {"identityCode", pen.identityCode
                                     ? QJsonValue(QString::fromStdString(*pen.identityCode))
                                     : QJsonValue()},
                {"installs", installs}});
            installs = {};
        }
    }
    if (!reply.json()) {
        reply.out().flush();
    } else if (several) {
        reply.write(QJsonObject{{"pens", results}});
    } else {
        reply.write(QJsonObject{{"pen", QString::fromStdString(pens.front().bsdName)},
                                {"installs", installs}});
    }
    stop.endAsSignalled();
    return worst;
}

}  // namespace penshelf::cli
