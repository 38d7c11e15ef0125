// penshelf-cli check: every book read back from the pen, the pen's file system
// checked (the pen unmounted meanwhile) and, with --repair, repaired and the
// books read back again, as the window's 检查点读笔… does.
#include "cli/PenCommandEntries.h"

#include "cli/CliText.h"

#include "cli/FieldEscape.h"
#include "cli/Interruptions.h"
#include "cli/TerminalLine.h"
#include "device/PenCheck.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QTimer>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace penshelf::cli {

namespace {

using Outcome = FileSystemCheck::Outcome;

const char* stateName(VerifiedBook::State state) {
    switch (state) {
        case VerifiedBook::State::Readable:
            return "readable";
        case VerifiedBook::State::Unreadable:
            return "unreadable";
        case VerifiedBook::State::NotABook:
            break;
    }
    return "not a book package";
}

const char* outcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::Clean:
            return CLI_TEXT("clean");
        case Outcome::Damaged:
            return CLI_TEXT("damaged");
        case Outcome::Busy:
            return CLI_TEXT("busy");
        case Outcome::ToolMissing:
            return CLI_TEXT("tool missing");
        case Outcome::NotPossible:
            return CLI_TEXT("not possible");
        case Outcome::Failed:
            break;
    }
    return CLI_TEXT("failed");
}

// Why a file-system check gave no verdict, as the user reads it.
Text notCheckedReason(const FileSystemCheck& check) {
    if (check.outcome == Outcome::Busy) {
        return tr(
            "another program is using the pen, so it was not unmounted and nothing was "
            "checked; close that program and try again");
    }
    return tr("the file system was not checked: %1", {check.reason});
}

QJsonArray booksJson(const VerifyReport& report) {
    QJsonArray books;
    for (const VerifiedBook& book : report.books) {
        QJsonObject entry{{"entry", QString::fromStdString(escapeField(book.entry))},
                          {"state", stateName(book.state)},
                          {"size", static_cast<double>(book.size)}};
        if (book.state == VerifiedBook::State::Unreadable) {
            entry["error"] = QString::fromLocal8Bit(strerror(book.error));
            entry["offset"] = static_cast<double>(book.errorOffset);
        } else {
            entry["sha256"] = QString::fromStdString(book.sha256);
        }
        books.append(entry);
    }
    return books;
}

// The tool's lines that are not blank, each escaped as file names are: they
// name files on the pen, in whatever bytes they have.
std::vector<std::string> toolLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) lines.push_back(escapeField(text.substr(start, end - start)));
        start = end + 1;
    }
    return lines;
}

QJsonArray linesJson(const std::string& text) {
    QJsonArray lines;
    for (const std::string& line : toolLines(text)) lines.append(QString::fromStdString(line));
    return lines;
}

QJsonObject fileSystemJson(const FileSystemCheck& check) {
    return {{"outcome", outcomeName(check.outcome)},
            {"reason", QString::fromStdString(escapeField(check.reason))},
            {"found", linesJson(check.found)},
            {"repair", linesJson(check.repairSaid)},
            {"remounted", check.remounted},
            {"replug", check.replug}};
}

void printBooks(Reply& reply, const VerifyReport& report, const char* heading) {
    std::ostream& out = reply.out();
    out << tr("%1: %2 book package files", {tr(heading), std::to_string(report.books.size())})
        << "\n";
    for (const VerifiedBook& book : report.books) {
        out << "  " << escapeField(book.entry) << "\t" << stateName(book.state);
        if (book.state == VerifiedBook::State::Unreadable) {
            out << "\t"
                << tr("%1 at byte %2", {strerror(book.error), std::to_string(book.errorOffset)});
        }
        out << "\n";
    }
}

void printLines(std::ostream& out, const std::string& text) {
    for (const std::string& line : toolLines(text)) out << "  " << line << "\n";
}

void printFileSystem(Reply& reply, const FileSystemCheck& check, const char* heading) {
    std::ostream& out = reply.out();
    if (!check.repairSaid.empty()) {
        out << tr("the repair:") << "\n";
        printLines(out, check.repairSaid);
    }
    out << tr("%1: %2", {tr(heading), tr(outcomeName(check.outcome))}) << "\n";
    printLines(out, check.found);
}

// What the check ends with: a line for the user, and the exit status.
int conclude(Reply& reply, const PenCheckReport& report, bool repaired) {
    const FileSystemCheck* fs = report.latestFileSystem();
    const VerifyReport* books = report.latestBooks();
    if (report.cancelled) {
        reply.say(tr("stopped before everything was checked"));
        return exitFailure;
    }
    if (!books) reply.say(tr("the pen has no mounted volume, so its books were not read"));
    if (books && !books->bookFolderFound) reply.say(tr("the pen has no BOOK folder of its own"));
    if (fs && fs->outcome != Outcome::Clean && fs->outcome != Outcome::Damaged) {
        reply.say(notCheckedReason(*fs));
    }
    if (fs && fs->replug && !fs->remounted) {
        reply.say(tr("nothing here mounts the pen again: unplug it and plug it in again"));
    }
    if (report.healthy()) {
        reply.say(repaired ? tr("the pen was repaired and is healthy") : tr("the pen is healthy"));
        return exitSuccess;
    }
    if (report.damaged()) {
        reply.say(report.repairable() ? tr("the pen is damaged; back its books up, then run "
                                           "penshelf-cli check --repair")
                                      : tr("the pen is damaged"));
    }
    return exitFailure;
}

// Runs loop until done() says so, giving an interrupt to check as a cancel.
void waitFor(PenCheck& check, GracefulStop& stop, const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (stop.requested()) check.cancel();
        if (done()) loop.quit();
    });
    poll.start(50);
    if (!done()) loop.exec();
}

}  // namespace

int checkCommand(const PenOptions& options, PenSession& session, Reply& reply) {
    const PenRecord* pen = choosePenWithVolume(session, options, reply);
    if (!pen) return exitUserError;
    const std::string bsdName = pen->bsdName;

    PenCheck check(session.platform(), bsdName);
    GracefulStop stop;
    bool over = false;
    {
        TerminalLine line(reply);
        QObject::connect(&check, &PenCheck::progress, &check,
                         [&](quint64 done, quint64 total, int book, int books) {
                             line.show(tr("reading book %1 of %2 (%3%)",
                                          {std::to_string(book + 1), std::to_string(books),
                                           std::to_string(total ? done * 100 / total : 100)}));
                         });
        QObject::connect(&check, &PenCheck::stageChanged, &check, [&](PenCheck::Stage stage) {
            line.end();
            if (stage == PenCheck::Stage::CheckingFileSystem) {
                reply.say(tr("checking the file system; the pen is unmounted meanwhile"));
            } else if (stage == PenCheck::Stage::Repairing) {
                reply.say(tr("repairing the file system; the pen is unmounted meanwhile"));
            }
        });
        QObject::connect(&check, &PenCheck::checked, &check, [&] { over = true; });
        QObject::connect(&check, &PenCheck::repaired, &check, [&] { over = true; });
        check.start();
        waitFor(check, stop, [&] { return over; });
        if (options.repair && check.report().repairable()) {
            over = false;
            check.repair();
            waitFor(check, stop, [&] { return over; });
        }
    }

    const PenCheckReport& report = check.report();
    if (reply.json()) {
        QJsonObject document{{"pen", QString::fromStdString(bsdName)},
                             {"cancelled", report.cancelled},
                             {"healthy", report.healthy()}};
        if (report.books) document["books"] = booksJson(*report.books);
        if (report.fileSystem) document["fileSystem"] = fileSystemJson(*report.fileSystem);
        if (report.repair) document["repair"] = fileSystemJson(*report.repair);
        if (report.booksAfter) document["booksAfter"] = booksJson(*report.booksAfter);
        QJsonArray changes;
        for (const BookChange& change : report.changes) {
            changes.append(QJsonObject{
                {"entry", QString::fromStdString(escapeField(change.entry))},
                {"change", change.kind == BookChange::Kind::Gone ? "gone" : "changed"}});
        }
        document["changes"] = changes;
        reply.write(document);
    } else {
        if (report.books) printBooks(reply, *report.books, CLI_TEXT("books"));
        if (report.fileSystem) printFileSystem(reply, *report.fileSystem, CLI_TEXT("file system"));
        if (report.repair)
            printFileSystem(reply, *report.repair, CLI_TEXT("file system after the repair"));
        if (report.booksAfter)
            printBooks(reply, *report.booksAfter, CLI_TEXT("books after the repair"));
        for (const BookChange& change : report.changes) {
            reply.out() << tr(change.kind == BookChange::Kind::Gone ? CLI_TEXT("gone %1")
                                                                    : CLI_TEXT("changed %1"),
                              {escapeField(change.entry)})
                        << "\n";
        }
        reply.out().flush();
    }
    const int status = conclude(reply, report, report.repair.has_value());
    stop.endAsSignalled();
    return status;
}

}  // namespace penshelf::cli
