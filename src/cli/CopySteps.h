#pragma once
// The steps backup, restore and copy share: a pen's books into a folder, and
// a backup's books onto a pen, each telling the user as its command does.

#include "books/Restore.h"
#include "cli/Command.h"
#include "cli/Interruptions.h"
#include "cli/PenSession.h"

#include <QJsonObject>

#include <optional>
#include <string>
#include <vector>

namespace penshelf::cli {

// The --on-conflict choice, or false after a failed reply to a value that
// is neither skip nor renumber.
bool chooseOnConflict(const PenOptions& options, Reply& reply,
                      std::optional<ConflictChoice>& choice);

struct PenBackedUp {
    int status = exitSuccess;
    bool refused = false;  // nothing was written; message says why
    bool stopped = false;  // stop was asked for
    std::string message;
    // {"folder", "outcome", "books", "failed"} when not refused.
    QJsonObject document;
    std::vector<std::string> entries;  // the books copied whole
};

// Backs up pen into folder as backup does. The books that failed and how it
// ended go to standard error, and with listCopied the books copied to
// standard output (unless --json), each line after prefix; a refusal is left
// to the caller. stop stops it after the book under way.
PenBackedUp backUpOne(const Platform& platform, const PenRecord& pen, const std::string& folder,
                      const GracefulStop& stop, Reply& reply, bool listCopied,
                      const std::string& prefix = {});

struct BackupRestored {
    int status = exitSuccess;
    bool stopped = false;  // stop was asked for while the backup was checked
    // {"restored", "alreadyThere", "skipped", "failed"}; empty when the
    // restore was refused or stopped, after a failed reply.
    QJsonObject document;
};

// Restores the backup in folder onto the pen's bookFolder as restore does:
// checked first (stop ends that with nothing written), refused while
// numbers are taken and no choice was made, then copied, each book's line
// told. An ending signal during the copy removes its half-written book, and
// then leftovers (files, then their folder), before the program ends.
BackupRestored restoreOnto(const std::string& folder, const std::string& bookFolder,
                           std::optional<ConflictChoice> choice, const GracefulStop& stop,
                           Reply& reply, const std::vector<std::string>* leftovers = nullptr);

}  // namespace penshelf::cli
