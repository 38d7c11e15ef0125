// penshelf-cli remove: deletes one book package that the pen's catalogue
// lists, only when the user has said --yes. A shared package goes alone: the
// package it shares stays.
#include "cli/PenCommandEntries.h"

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
        return reply.fail(exitUserError, "no book package " + escapeField(wanted) + " on " +
                                             view.bsdName + " (see penshelf-cli books)");
    }
    const std::string shown = escapeField(book->entry) + " (" + escapeField(book->name) + ")";
    if (!options.yes) {
        return reply.fail(exitUserError, std::string(texts::removeWarning) +
                                             " Add --yes to remove " + shown + ".");
    }
    switch (removeBookFile(view.bookFolder, book->file)) {
        case RemovalResult::Removed:
            break;
        case RemovalResult::ReadOnly:
            return reply.fail(exitFailure, texts::penReadOnlyCommandLine);
        case RemovalResult::NotRemoved:
            return reply.fail(exitFailure, "could not remove " + escapeField(book->entry));
    }
    if (reply.json()) {
        reply.write(
            QJsonObject{{"pen", QString::fromStdString(view.bsdName)}, {"removed", toJson(*book)}});
    } else {
        reply.out() << "removed " << shown << "\n" << std::flush;
    }
    return exitSuccess;
}

}  // namespace penshelf::cli
