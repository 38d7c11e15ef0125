// penshelf-cli pens: the pens attached now, one line each.
#include "cli/PenCommandEntries.h"

#include "cli/CliText.h"

#include "cli/FieldEscape.h"

#include "device/PenRecord.h"

#include <QJsonArray>

#include <ostream>

namespace penshelf::cli {

namespace {

// A path, in the escaped form that keeps bytes that are not UTF-8.
QJsonValue pathOrNull(const std::string& path) {
    return path.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(escapeField(path)));
}

}  // namespace

int pensCommand(const PenOptions&, PenSession& session, Reply& reply) {
    // Said apart from the list, which stays empty, so that a script reads no pen as no lines.
    if (session.pens().empty()) reply.say(tr("no pen is attached"));
    QJsonArray pens;
    for (const auto& [bsdName, pen] : session.pens()) {
        const PenView view = viewPen(session.platform(), pen);
        if (!reply.json()) {
            reply.out() << escapeField(view.bsdName) << "\t"
                        << escapeField(view.identityCode.value_or("")) << "\t" << view.freeSpace
                        << "\t" << (view.volume.empty() ? "-" : escapeField(view.volume)) << "\n";
            continue;
        }
        pens.append(QJsonObject{
            {"bsdName", QString::fromStdString(view.bsdName)},
            {"displayName", QString::fromStdString(pen.displayName)},
            {"product", QString::fromStdString(pen.product)},
            {"revision", QString::fromStdString(pen.revision)},
            {"identityCode", view.identityCode
                                 ? QJsonValue(QString::fromStdString(*view.identityCode))
                                 : QJsonValue()},
            {"volume", pathOrNull(view.volume)},
            {"bookFolder", pathOrNull(view.bookFolder)},
            {"freeSpace", QString::fromStdString(view.freeSpace)},
            {"freeBytes",
             view.freeBytes ? QJsonValue(static_cast<double>(*view.freeBytes)) : QJsonValue()},
        });
    }
    if (reply.json()) {
        reply.write(QJsonObject{{"pens", pens}});
    } else {
        reply.out().flush();
    }
    return exitSuccess;
}

}  // namespace penshelf::cli
