// penshelf-cli remove: deletes one book package that the pen's catalogue
// lists, only when the user has said --yes. A shared package goes alone: the
// package it shares stays.
#include "cli/PenCommands.h"

#include "app/Texts.h"
#include "books/BookRemoval.h"

#include <algorithm>
#include <ostream>

namespace penshelf::cli {

int removeCommand(const PenOptions& options, PenSession& session, Reply& reply) {
    const PenRecord* pen = choosePen(session, options, reply);
    if (!pen) return kUserError;
    const PenView view = viewPen(session.platform(), *pen);
    const std::string& wanted = options.operands.front();

    const std::vector<BookView> books = listBooks(view.bookFolder);
    const auto book = std::find_if(books.begin(), books.end(),
                                   [&](const BookView& b) { return b.entry == wanted; });
    if (book == books.end()) {
        return reply.fail(kUserError, "no book package " + wanted + " on " + view.bsdName +
                                          " (see penshelf-cli books)");
    }
    if (!options.yes) {
        return reply.fail(kUserError, std::string(texts::removeWarning) + " Add --yes to remove " +
                                          book->entry + " (" + book->name + ").");
    }
    if (!RemoveBookFile(view.bookFolder, book->path)) {
        return reply.fail(kFailure, "could not remove " + book->entry);
    }
    if (reply.json()) {
        reply.write(
            QJsonObject{{"pen", QString::fromStdString(view.bsdName)}, {"removed", toJson(*book)}});
    } else {
        reply.out() << "removed " << book->entry << " (" << book->name << ")\n" << std::flush;
    }
    return kSuccess;
}

}  // namespace penshelf::cli
