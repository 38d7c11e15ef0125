// penshelf-cli remove: deletes one book package that the pen's catalogue
// lists, only when the user has said --yes. A shared package goes alone: the
// package it shares stays.
#include "cli/PenCommandEntries.h"

#include "cli/CliText.h"

#include "books/BookRemoval.h"
#include "cli/FieldEscape.h"
#include "texts/SharedTexts.h"

#include <algorithm>
#include <ostream>

namespace penshelf::cli {

int removeCommand(const PenOptions& options, PenSession& session, Reply& reply) {
    const PenRecord* pen = choosePenWithVolume(session, options, reply);
    if (!pen) return exitUserError;
    if (refusesWrites(session.platform(), *pen, reply)) return exitFailure;
    const PenView view = viewPen(session.platform(), *pen);
    // The entry as books prints it (escaped), or as the file is named.
    const std::string& wanted = options.operands.front();
    const std::optional<std::string> unescaped = unescapeField(wanted);

    const std::vector<ListData> books = listBooks(view.bookFolder);
    auto book = std::find_if(books.begin(), books.end(),
                             [&](const ListData& b) { return unescaped && b.entry == *unescaped; });
    if (book == books.end()) {
        book = std::find_if(books.begin(), books.end(),
                            [&](const ListData& b) { return b.entry == wanted; });
    }
    if (book == books.end()) {
        return reply.fail(exitUserError, tr("no book package %1 on %2 (see penshelf-cli books)",
                                            {escapeField(wanted), view.bsdName}));
    }
    const std::string shown = escapeField(book->entry) + " (" + escapeField(book->name) + ")";
    if (!options.yes) {
        return reply.fail(exitUserError, sharedText(texts::removeWarning) + " " +
                                             tr("Add --yes to remove %1.", {shown}));
    }
    switch (removeBookFile(view.bookFolder, book->file)) {
        case RemovalResult::Removed:
            break;
        case RemovalResult::ReadOnly:
            return reply.fail(exitFailure, sharedText(texts::penReadOnlyCommandLine));
        case RemovalResult::NotRemoved:
            return reply.fail(exitFailure, tr("could not remove %1", {escapeField(book->entry)}));
    }
    if (reply.json()) {
        reply.write(
            QJsonObject{{"pen", QString::fromStdString(view.bsdName)}, {"removed", toJson(*book)}});
    } else {
        reply.out() << tr("removed %1", {shown}) << "\n" << std::flush;
    }
    return exitSuccess;
}

}  // namespace penshelf::cli
