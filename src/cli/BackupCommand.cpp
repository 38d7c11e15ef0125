// penshelf-cli backup: every book package of a pen copied into a folder,
// each checked against the bytes read from the pen, with a manifest of them.
// An interrupt stops the backup after the book under way has been given up:
// the books finished before and their manifest stay. Several pens go one
// after another, each into a folder of its own.
#include "cli/PenCommandEntries.h"

#include "books/Text.h"
#include "cli/CopySteps.h"
#include "cli/FieldEscape.h"

#include <QJsonArray>

#include <ostream>
#include <set>

namespace penshelf::cli {

namespace {

// Whether a pen's identity code can name its folder: it comes from the pen,
// so it may hold anything.
bool usableFolderName(const std::string& code) {
    if (code.empty() || code == "." || code == ".." || !isValidUtf8(code)) return false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const auto byte = static_cast<unsigned char>(code[i]);
        const auto next = i + 1 < code.size() ? static_cast<unsigned char>(code[i + 1]) : 0;
        const bool c1 = byte == 0xC2 && next >= 0x80 && next < 0xA0;
        if (byte < 0x20 || byte == 0x7F || byte == '/' || c1) return false;
    }
    return true;
}

// Each pen's folder in a backup of several: its identity code where that is a
// usable name no other pen chosen answers to, else its kernel name.
std::vector<std::string> folderNames(const std::vector<PenRecord>& pens) {
    std::vector<std::string> names;
    for (const PenRecord& pen : pens) {
        const std::string code = pen.identityCodeBytes();
        bool unique = usableFolderName(code);
        for (const PenRecord& other : pens) {
            if (&other != &pen && (other.identityCodeBytes() == code || other.bsdName == code)) {
                unique = false;
            }
        }
        names.push_back(unique ? code : pen.bsdName);
    }
    return names;
}

int backUpSeveral(const std::vector<PenRecord>& pens, const std::string& folder,
                  PenSession& session, Reply& reply) {
    const std::vector<std::string> names = folderNames(pens);
    GracefulStop stop;
    int worst = exitSuccess;
    QJsonArray results;
    for (std::size_t i = 0; i < pens.size() && !stop.requested(); ++i) {
        const std::string prefix = pens[i].bsdName + ": ";
        const std::string into = folder + "/" + names[i];
        PenBackedUp done = backUpOne(session.platform(), pens[i], into, stop, reply,
                                     /*listCopied=*/true, prefix);
        worst = std::max(worst, done.status);
        if (done.refused) {
            reply.say(prefix + done.message);
            done.document = {{"folder", QString::fromStdString(escapeField(into))},
                             {"outcome", "refused"},
                             {"message", QString::fromStdString(done.message)}};
        }
        const std::optional<std::string> code = viewPen(session.platform(), pens[i]).identityCode;
        done.document["pen"] = QString::fromStdString(pens[i].bsdName);
        done.document["identityCode"] =
            code ? QJsonValue(QString::fromStdString(*code)) : QJsonValue();
        done.document["status"] = done.status;
        results.append(done.document);
    }
    if (reply.json()) {
        reply.write(QJsonObject{{"folder", QString::fromStdString(escapeField(folder))},
                                {"pens", results}});
    } else {
        reply.out().flush();
    }
    stop.endAsSignalled();
    return worst;
}

}  // namespace

int backupCommand(const PenOptions& options, PenSession& session, Reply& reply) {
    const std::string& folder = options.operands.front();
    if (options.severalPens()) {
        const std::optional<std::vector<PenRecord>> pens = choosePens(session, options, reply);
        return pens ? backUpSeveral(*pens, folder, session, reply) : exitUserError;
    }
    const PenRecord* pen = choosePen(session, options, reply);
    if (!pen) return exitUserError;

    GracefulStop stop;
    PenBackedUp done =
        backUpOne(session.platform(), *pen, folder, stop, reply, /*listCopied=*/true);
    if (done.refused) return reply.fail(done.status, done.message);
    if (reply.json()) {
        done.document["pen"] = QString::fromStdString(pen->bsdName);
        reply.write(done.document);
    } else {
        reply.out().flush();
    }
    stop.endAsSignalled();
    return done.status;
}

}  // namespace penshelf::cli
