// penshelf-cli install: book package files onto a pen, each with the number
// the window would propose (or the one given), the window's checks and its
// safe copy. Every file is tried; the exit status is the worst outcome.
#include "cli/PenCommands.h"

#include "app/InstallMessages.h"
#include "app/Texts.h"
#include "books/BookHeader.h"
#include "books/BookNumber.h"
#include "books/Installer.h"

#include <QJsonArray>

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <ostream>

namespace penshelf::cli {

namespace {

struct Outcome {
    int status = kSuccess;
    std::string number;  // empty until there is one
    std::string entry;
    std::string message;
};

int statusOf(InstallResult result) {
    switch (result) {
        case InstallResult::Installed:
            return kSuccess;
        case InstallResult::InvalidSource:
        case InstallResult::Taken:
            return kUserError;
        case InstallResult::NoSpace:
        case InstallResult::Failed:
            break;
    }
    return kFailure;
}

// The install window's information line, redrawn in place on a terminal.
class Progress {
  public:
    Progress(std::ostream& err, bool shown, const std::string& file)
        : err_(err), shown_(shown), file_(file) {}
    ~Progress() {
        if (drawn_) err_ << "\n" << std::flush;
    }
    void show(const char* message, int percent = -1) {
        if (!shown_) return;
        err_ << "\r\033[K" << file_ << ": " << message;
        if (percent >= 0) err_ << " " << percent << "%";
        err_ << std::flush;
        drawn_ = true;
    }

  private:
    std::ostream& err_;
    bool shown_;
    const std::string& file_;
    bool drawn_ = false;
};

Outcome installOne(const std::string& file, const std::optional<std::string>& number,
                   const std::string& folder, Reply& reply) {
    Outcome outcome;
    const auto refuse = [&](int status, const std::string& message) {
        outcome.status = status;
        outcome.message = message;
        reply.say(file + ": " + message);
        return outcome;
    };
    if (!isBookPackageSource(file)) return refuse(kUserError, "not a .vxb book package");

    const std::string extBook = GetBookType(file);
    outcome.number = number.value_or(proposeBookNumberFor(folder, file));
    if (const NumberCheck check = checkBookNumber(folder, outcome.number, extBook);
        check != NumberCheck::Valid) {
        return refuse(kUserError, messageFor(check));
    }
    outcome.entry = outcome.number + extBook;
    BookInstaller installer(file, folder, outcome.entry, extBook == ".vxr");
    if (const InstallResult refused = installer.check(); refused != InstallResult::Installed) {
        return refuse(statusOf(refused), messageFor(refused));
    }

    // Progress only where someone watches it: a captured stream is no terminal.
    const bool terminal = &reply.err() == &std::cerr && isatty(STDERR_FILENO) == 1;
    InstallResult result;
    {
        Progress progress(reply.err(), terminal, file);
        progress.show(texts::installing, 0);
        const std::int64_t chunks = installer.chunkCount();
        int shownPercent = 0;
        result = installer.install({.chunkWritten =
                                        [&](std::int64_t chunk) {
                                            const int percent =
                                                static_cast<int>((chunk + 1) * 100 / chunks);
                                            if (percent == shownPercent) return;
                                            shownPercent = percent;
                                            progress.show(texts::installing, percent);
                                        },
                                    .flushing = [&] { progress.show(texts::flushingToPen); }});
    }
    if (result != InstallResult::Installed) return refuse(statusOf(result), messageFor(result));
    return outcome;
}

}  // namespace

int installCommand(const PenOptions& options, PenSession& session, Reply& reply) {
    if (options.number && options.operands.size() > 1) {
        return reply.fail(kUserError, "--number takes one file only; install the others apart");
    }
    const PenRecord* pen = choosePen(session, options, reply);
    if (!pen) return kUserError;
    const PenView view = viewPen(session.platform(), *pen);

    int worst = kSuccess;
    QJsonArray installs;
    for (const std::string& file : options.operands) {
        const Outcome outcome = installOne(file, options.number, view.bookFolder, reply);
        worst = std::max(worst, outcome.status);
        if (!reply.json()) {
            if (outcome.status == kSuccess) {
                reply.out() << "installed " << file << " as " << outcome.entry << "\n";
            }
            continue;
        }
        const auto textOrNull = [](const std::string& text) {
            return text.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(text));
        };
        installs.append(QJsonObject{{"file", QString::fromStdString(file)},
                                    {"installed", outcome.status == kSuccess},
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
