// penshelf-cli install: book package files onto a pen, each with the number
// the window would propose (or the one given), the window's checks and its
// safe copy. Every file is tried; the exit status is the worst outcome.
#include "cli/PenCommandEntries.h"

#include "books/BookHeader.h"
#include "books/BookNumber.h"
#include "books/InstallTemporary.h"
#include "books/Installer.h"
#include "books/UniqueFd.h"
#include "cli/FieldEscape.h"
#include "cli/Interruptions.h"
#include "cli/TerminalLine.h"
#include "texts/InstallMessages.h"
#include "texts/SharedTexts.h"

#include <QJsonArray>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <iostream>
#include <ostream>

namespace penshelf::cli {

namespace {

struct Outcome {
    int status = exitSuccess;
    std::string number;  // empty until there is one
    std::string entry;
    std::string message;
};

int statusOf(InstallResult result) {
    switch (result) {
        case InstallResult::Installed:
            return exitSuccess;
        case InstallResult::InvalidSource:
        case InstallResult::TooLarge:
        case InstallResult::Taken:
            return exitUserError;
        case InstallResult::NoSpace:
        case InstallResult::NoBookFolder:
        case InstallResult::ReadOnly:
        case InstallResult::Failed:
            break;
    }
    return exitFailure;
}

// The window's message, with the number and what to do about it.
std::string takenMessage(const std::string& number) {
    return std::string(texts::numberTaken) + " (number " + number +
           " is taken; choose another with --number)";
}

std::string messageOf(InstallResult result, const std::string& number) {
    if (result == InstallResult::Taken) return takenMessage(number);
    if (result == InstallResult::ReadOnly) return penReadOnlyMessage;
    if (result == InstallResult::NoBookFolder) {
        return "the pen has no BOOK folder of its own (missing, or a link to elsewhere); "
               "nothing was written";
    }
    return messageFor(result);
}

// Why a file cannot be read, or nothing when it can.
std::optional<std::string> unreadable(const std::string& file) {
    const UniqueFd fd(open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.isOpen()) {
        return errno == ENOENT ? std::string("no such file")
                               : std::string("cannot read the file: ") + std::strerror(errno);
    }
    return std::nullopt;
}

// The install window's information line, redrawn in place on a terminal.
class Progress {
  public:
    Progress(Reply& reply, std::string file) : line_(reply), file_(std::move(file)) {}
    void show(const char* message, int percent = -1) {
        line_.show(file_ + ": " + message +
                   (percent >= 0 ? " " + std::to_string(percent) + "%" : ""));
    }

  private:
    TerminalLine line_;
    std::string file_;
};

Outcome installOne(const std::string& file, const std::optional<std::string>& number,
                   const std::string& folder, Reply& reply) {
    Outcome outcome;
    const auto refuse = [&](int status, const std::string& message) {
        outcome.status = status;
        outcome.message = message;
        reply.say(escapeField(file) + ": " + message);
        return outcome;
    };
    if (!isBookPackageSource(file)) return refuse(exitUserError, "not a .vxb book package");
    if (const auto problem = unreadable(file)) return refuse(exitUserError, *problem);

    const std::string extBook = GetBookType(file);
    outcome.number = number.value_or(proposeBookNumberFor(folder, file));
    if (const NumberCheck check = checkBookNumber(folder, outcome.number, extBook);
        check != NumberCheck::Valid) {
        return refuse(exitUserError, check == NumberCheck::Taken ? takenMessage(outcome.number)
                                                                 : messageFor(check));
    }
    outcome.entry = outcome.number + extBook;
    BookInstaller installer(file, folder, outcome.entry, extBook == ".vxr");
    if (const InstallResult refused = installer.check(); refused != InstallResult::Installed) {
        return refuse(statusOf(refused), messageOf(refused, outcome.number));
    }

    InstallResult result;
    {
        const InterruptCleanup cleanup;
        Progress progress(reply, escapeField(file));
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
    if (result != InstallResult::Installed) {
        return refuse(statusOf(result), messageOf(result, outcome.number));
    }
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
