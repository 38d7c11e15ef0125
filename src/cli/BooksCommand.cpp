// penshelf-cli books: a pen's catalogue, by book package number.
#include "cli/PenCommandEntries.h"

#include "cli/FieldEscape.h"

#include <QJsonArray>

#include <ostream>

namespace penshelf::cli {

int booksCommand(const PenOptions& options, PenSession& session, Reply& reply) {
    const PenRecord* pen = choosePenWithVolume(session, options, reply);
    if (!pen) return exitUserError;
    const PenView view = viewPen(session.platform(), *pen);
    const std::vector<ListData> books = listBooks(view.bookFolder);
    if (!reply.json()) {
        for (const ListData& book : books) {
            reply.out() << escapeField(book.number) << "\t" << kindName(book.kind) << "\t"
                        << escapeField(book.name) << "\t" << escapeField(book.entry) << "\n";
        }
        reply.out().flush();
        return exitSuccess;
    }
    QJsonArray rows;
    for (const ListData& book : books) rows.append(toJson(book));
    reply.write(QJsonObject{
        {"pen", QString::fromStdString(view.bsdName)},
        {"bookFolder", view.bookFolder.empty()
                           ? QJsonValue()
                           : QJsonValue(QString::fromStdString(escapeField(view.bookFolder)))},
        {"books", rows}});
    return exitSuccess;
}

}  // namespace penshelf::cli
