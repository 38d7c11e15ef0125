#include "cli/PenSession.h"

#include "cli/CliText.h"

#include "books/Catalogue.h"
#include "books/FreeSpace.h"
#include "books/Text.h"
#include "books/Volumes.h"
#include "cli/Command.h"
#include "cli/FieldEscape.h"
#include "device/Platform.h"
#include "device/PlatformChoice.h"
#include "device/simulated/SimulatedPlatform.h"
#include "texts/SharedTexts.h"

#include <QEventLoop>
#include <QJsonDocument>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <ostream>
#include <set>
#include <tuple>

namespace penshelf::cli {

namespace {

// Takes the value of an option given as "--name value" or "--name=value".
bool optionValue(const std::vector<std::string>& args, std::size_t& i, std::string_view name,
                 std::optional<std::string>& value, std::string& problem) {
    const std::string& arg = args[i];
    if (arg == name) {
        if (i + 1 == args.size()) {
            problem = tr("%1 needs a value", {name});
            return true;
        }
        value = args[++i];
        return true;
    }
    if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
        arg[name.size()] == '=') {
        value = arg.substr(name.size() + 1);
        return true;
    }
    return false;
}

std::string joined(const std::map<std::string, PenRecord>& pens) {
    std::string names;
    for (const auto& [bsdName, pen] : pens) names += (names.empty() ? "" : ", ") + bsdName;
    return names;
}

// The name of a simulated pen's folder, which is what its user knows it by;
// "" for a pen of any other platform.
std::string folderNameOf(const Platform& platform, const std::string& bsdName) {
    const auto* simulated = dynamic_cast<const SimulatedPlatform*>(&platform);
    if (!simulated) return {};
    for (const auto& [name, pen] : simulated->pens()) {
        if (pen.bsdName == bsdName) return name;
    }
    return {};
}

void mountIfNeeded(PenSession& session, const std::string& bsdName, Reply& reply) {
    const Volumes& volumes = session.platform().volumes();
    if (!volumes.GetVolumePath(bsdName).empty()) return;
    const MountResult mounted = session.mountVolume(bsdName);
    if (mounted.outcome == MountResult::Outcome::Mounted) {
        reply.say(tr("mounted %1 at %2", {bsdName, escapeField(volumes.GetVolumePath(bsdName))}));
    } else if (mounted.outcome == MountResult::Outcome::Failed) {
        reply.say(tr("could not mount %1: %2", {bsdName, mounted.reason}));
    }
}

}  // namespace

std::optional<PenOptions> parsePenOptions(const std::vector<std::string>& args,
                                          const OptionSet& allowed, std::string& problem) {
    PenOptions options;
    std::optional<std::string> pen;
    bool operandsOnly = false;
    for (std::size_t i = 0; i < args.size() && problem.empty(); ++i) {
        const std::string& arg = args[i];
        if (operandsOnly || arg == "-" || arg.empty() || arg[0] != '-') {
            options.operands.push_back(arg);
        } else if (arg == "--") {
            operandsOnly = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (allowed.yes && arg == "--yes") {
            options.yes = true;
        } else if (allowed.repair && arg == "--repair") {
            options.repair = true;
        } else if (allowed.manyPens && arg == "--all-pens") {
            options.allPens = true;
        } else if (!allowed.betweenPens && optionValue(args, i, "--pen", pen, problem)) {
            if (pen) options.pens.push_back(*pen);
            pen.reset();
        } else if (allowed.betweenPens && optionValue(args, i, "--from", options.from, problem)) {
        } else if (allowed.betweenPens && optionValue(args, i, "--to", options.to, problem)) {
        } else if (allowed.betweenPens &&
                   optionValue(args, i, "--keep-backup", options.keepBackup, problem)) {
        } else if (allowed.jobs && optionValue(args, i, "--jobs", options.jobs, problem)) {
        } else if (allowed.number && optionValue(args, i, "--number", options.number, problem)) {
        } else if (allowed.onConflict &&
                   optionValue(args, i, "--on-conflict", options.onConflict, problem)) {
        } else {
            problem = tr("unknown option %1", {arg});
        }
    }
    if (!problem.empty()) return std::nullopt;
    if (options.pens.size() > 1 && !allowed.manyPens) {
        problem = tr("--pen names one pen here");
    } else if (options.allPens && !options.pens.empty()) {
        problem = tr("--all-pens and --pen do not go together");
    } else if (options.operands.size() < allowed.minOperands) {
        problem = tr("missing operand");
    } else if (options.operands.size() > allowed.maxOperands) {
        problem = tr("unexpected operand %1", {options.operands[allowed.maxOperands]});
    }
    if (!problem.empty()) return std::nullopt;
    return options;
}

PenSession::PenSession(Platform& platform, Diagnostics diagnostics)
    : monitor_(platform, diagnostics, {.mountWait = nullptr, .followVolumes = false}) {
    // The pens present now are identified at once; later attaches would need
    // the event loop, and a command does not wait for them.
    monitor_.start();
}

MountResult PenSession::mountVolume(const std::string& bsdName) {
    std::optional<MountResult> result;
    QEventLoop loop;
    monitor_.mountVolume(bsdName, [&](const MountResult& done) {
        result = done;
        loop.quit();
    });
    if (!result) loop.exec();
    return *result;
}

Reply::Reply(std::string_view command, bool json, std::ostream& out, std::ostream& err)
    : command_(command), json_(json), out_(out), err_(err) {}

void Reply::say(const std::string& message) {
    err_ << "penshelf-cli " << command_ << ": " << message << "\n";
    err_.flush();
}

int Reply::fail(int status, const std::string& message) {
    say(message);
    if (json_) {
        write(QJsonObject{{"error", QJsonObject{{"status", status},
                                                {"message", QString::fromStdString(message)}}}});
    }
    return status;
}

void Reply::write(const QJsonObject& document) {
    // Qt writes DEL and the C1 controls (U+0080 to U+009F) as they are, and a
    // terminal may obey them; outside strings JSON has none, so each becomes \u00XX.
    const std::string text = QJsonDocument(document).toJson(QJsonDocument::Indented).toStdString();
    std::string escaped;
    escaped.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (byte == 0x7F || (byte == 0xC2 && next >= 0x80 && next < 0xA0)) {
            const unsigned code = byte == 0x7F ? byte : next;
            escaped += "\\u00";
            escaped += "0123456789abcdef"[code >> 4];
            escaped += "0123456789abcdef"[code & 0xF];
            if (byte == 0xC2) ++i;
        } else {
            escaped += text[i];
        }
    }
    out_ << escaped;
    out_.flush();
}

const PenRecord* penNamed(const PenSession& session, const std::string& value, Reply& reply) {
    const auto& pens = session.pens();
    std::vector<const PenRecord*> named;
    for (const auto& [bsdName, pen] : pens) {
        // A code as pens writes it matches too: the bytes a terminal cannot show, escaped.
        const std::string code = pen.identityCodeBytes();
        if (!value.empty() && (value == bsdName || value == code || value == escapeField(code) ||
                               value == folderNameOf(session.platform(), bsdName))) {
            named.push_back(&pen);
        }
    }
    if (named.size() == 1) return named.front();
    if (named.empty()) {
        reply.fail(exitUserError, pens.empty() ? tr("no pen %1 is attached", {value})
                                               : tr("no pen %1 is attached (attached: %2)",
                                                    {value, joined(pens)}));
        return nullptr;
    }
    std::string listed;
    for (const PenRecord* pen : named) {
        listed += (listed.empty() ? "" : ", ") + pen->bsdName + " (" +
                  escapeField(pen->identityCodeBytes()) + ")";
    }
    reply.fail(exitUserError,
               tr("%1 names several pens: %2; name one by its BSD name", {value, listed}));
    return nullptr;
}

const PenRecord* choosePen(const PenSession& session, const PenOptions& options, Reply& reply) {
    const auto& pens = session.pens();
    if (!options.pens.empty()) return penNamed(session, options.pens.front(), reply);
    if (pens.empty()) {
        reply.fail(exitUserError, sharedText(texts::connectPenPrompt));
        return nullptr;
    }
    if (pens.size() > 1) {
        reply.fail(exitUserError,
                   tr("several pens are attached (%1); choose one with --pen", {joined(pens)}));
        return nullptr;
    }
    return &pens.begin()->second;
}

const PenRecord* choosePenWithVolume(PenSession& session, const PenOptions& options, Reply& reply) {
    const PenRecord* pen = choosePen(session, options, reply);
    if (pen) mountIfNeeded(session, pen->bsdName, reply);
    return pen;
}

std::optional<std::vector<PenRecord>> choosePens(const PenSession& session,
                                                 const PenOptions& options, Reply& reply) {
    const auto& pens = session.pens();
    if (options.allPens && pens.empty()) {
        reply.fail(exitUserError, sharedText(texts::connectPenPrompt));
        return std::nullopt;
    }
    std::set<std::string> named;
    if (options.pens.empty() && !options.allPens) {
        const PenRecord* only = choosePen(session, options, reply);
        if (!only) return std::nullopt;
        named.insert(only->bsdName);
    }
    for (const std::string& value : options.pens) {
        const PenRecord* pen = penNamed(session, value, reply);
        if (!pen) return std::nullopt;
        named.insert(pen->bsdName);
    }
    std::vector<PenRecord> chosen;
    for (const auto& [bsdName, pen] : pens) {
        if (options.allPens || named.contains(bsdName)) chosen.push_back(pen);
    }
    return chosen;
}

std::optional<std::vector<PenRecord>> choosePensWithVolumes(PenSession& session,
                                                            const PenOptions& options,
                                                            Reply& reply) {
    std::optional<std::vector<PenRecord>> chosen = choosePens(session, options, reply);
    if (!chosen) return chosen;
    for (PenRecord& pen : *chosen) {
        mountIfNeeded(session, pen.bsdName, reply);
        // Identified again with its volume.
        if (const auto found = session.pens().find(pen.bsdName); found != session.pens().end()) {
            pen = found->second;
        }
    }
    return chosen;
}

bool refusesWrites(const Platform& platform, const PenRecord& pen, Reply& reply) {
    if (!platform.volumes().isReadOnly(pen.bsdName)) return false;
    reply.fail(exitFailure, sharedText(texts::penReadOnlyCommandLine));
    return true;
}

PenView viewPen(const Platform& platform, const PenRecord& pen) {
    PenView view;
    view.bsdName = pen.bsdName;
    if (const std::string code = pen.identityCodeBytes(); isValidUtf8(code)) {
        view.identityCode = code;
    }
    view.volume = platform.volumes().GetVolumePath(pen.bsdName);
    view.bookFolder = penBookFolder(platform.volumes(), pen.bsdName);
    view.freeSpace = GetFreeSpaceText(view.bookFolder);
    if (!view.bookFolder.empty()) view.freeBytes = freeSpaceBytes(view.bookFolder);
    return view;
}

std::vector<ListData> listBooks(const std::string& bookFolder) {
    std::vector<ListData> books = listBookFolder(bookFolder);
    std::sort(books.begin(), books.end(), [](const ListData& a, const ListData& b) {
        return std::tie(a.number, a.entry) < std::tie(b.number, b.entry);
    });
    return books;
}

QJsonObject toJson(const ListData& book) {
    // What comes from file names is escaped: a name that is not UTF-8 must
    // come back unchanged when remove is given it.
    const auto escaped = [](const std::string& bytes) {
        return QString::fromStdString(escapeField(bytes));
    };
    return {{"number", escaped(book.number)},
            {"kind", QString::fromLatin1(kindName(book.kind))},
            {"name", QString::fromStdString(book.name)},
            {"entry", escaped(book.entry)},
            {"path", escaped(book.file)},
            {"stat", escaped(book.stat)},
            {"flag", QString::fromStdString(book.flag)}};
}

int runPenCommand(const PenCommand& command, const std::vector<std::string>& args,
                  std::ostream& out, std::ostream& err, Platform* platform) {
    std::string problem;
    const std::optional<PenOptions> options = parsePenOptions(args, command.options, problem);
    if (!options) {
        bool json = false;
        for (const std::string& arg : args) json = json || arg == "--json";
        Reply(command.name, json, out, err)
            .fail(exitUserError, tr("%1 (see penshelf-cli %2 --help)", {problem, command.name}));
        return exitUserError;
    }
    std::unique_ptr<Platform> own;
    if (!platform) {
        PlatformChoice choice = makePlatformFromEnvironment();
        if (!choice.platform) {
            return Reply(command.name, options->json, out, err).fail(exitUserError, choice.error);
        }
        own = std::move(choice.platform);
        platform = own.get();
    }
    // Discovery's log lines are for finding out why a pen is not seen; they
    // would only get in the way of the command's own output.
    std::ostream silent(nullptr);
    const Diagnostics diagnostics =
        options->verbose ? Diagnostics{err, err} : Diagnostics{silent, silent};
    PenSession session(*platform, diagnostics);
    Reply reply(command.name, options->json, out, err);
    return command.act(*options, session, reply);
}

}  // namespace penshelf::cli
