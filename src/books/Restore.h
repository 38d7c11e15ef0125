#pragma once
// Restoring a backup onto a pen: each book of the manifest goes back under
// its own name and number, byte for byte, through the install's safe copy.
// First a plan: the manifest is read, every file checked against its
// SHA-256 and each book compared with what the pen holds under its number.
// Sizes no pen can hold are refused before anything is read. Then the run:
// the free space for the whole restore is checked before anything is
// written, and books whose number is taken by another file are skipped or
// given the lowest free number of their kind, as the user chose. A shared
// package goes back only with the book it shares, pointing at its number.

#include "books/BackupManifest.h"
#include "books/Installer.h"
#include "books/UniqueFd.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace penshelf {

enum class RestoreState {
    ToCopy,        // its number is free on the pen
    AlreadyThere,  // the pen holds the very same file under its name, or under
                   // another number of its kind (restored renumbered before)
    Conflict,      // the pen holds another file under its name
    Missing,       // the backup has no such file (or no regular one)
    Changed,       // the backup's file is not what the manifest says
    TooLarge,      // 4 GiB or more, more than a pen can hold in a file; never read
};

struct RestoreItem {
    BackupBook book;
    RestoreState state = RestoreState::ToCopy;
    std::string penEntry;     // where the pen holds it, when AlreadyThere
    std::string sharesEntry;  // the book of the backup that this shared package plays
};

struct RestorePlan {
    std::string folder;      // the backup folder
    std::string bookFolder;  // the pen's BOOK/ folder
    BackupManifest manifest;
    std::vector<RestoreItem> items;  // in the manifest's order
    // The pen's BOOK/ folder, held open from the plan to the end of the
    // restore: a pen swapped at the same path meanwhile receives nothing.
    std::shared_ptr<const UniqueFd> bookFd;

    std::size_t count(RestoreState state) const;
};

struct RestoreCallbacks {
    std::function<void(const BookCopyProgress&)> progress;
    // Asked while the files are checked and before each book is copied.
    std::function<bool()> cancelled;
};

enum class PlanStatus {
    Ready,
    NoBackupFolder,
    BadManifest,
    NoBookFolder,
    Cancelled,
    TooLarge,  // the books together are more than the pen's whole volume
};

struct PlanReport {
    PlanStatus status = PlanStatus::Ready;
    std::optional<RestorePlan> plan;
    ManifestError manifestError = ManifestError::None;
    std::string detail;                      // what the manifest reader found at fault
    std::uint64_t needed = 0, capacity = 0;  // for TooLarge: the books' bytes, the volume's
};

PlanReport planRestore(const std::string& folder, const std::string& bookFolder,
                       const RestoreCallbacks& callbacks = {});

enum class ConflictChoice { Skip, Renumber };

enum class RestoreStatus { Done, Cancelled, NoSpace, NoBookFolder, NoBackupFolder };

struct RestoreResult {
    enum class Kind {
        Restored,
        AlreadyThere,
        SkippedConflict,
        Missing,
        Changed,
        Failed,
        SkippedShared,  // a shared package whose book (shares) is not on the pen
    };
    BackupBook book;
    Kind kind = Kind::Failed;
    std::string penEntry;  // where it is on the pen: its own entry, or a new number
    InstallResult failure = InstallResult::Installed;  // why it Failed
    std::string shares{};  // of SkippedShared: the backup's book it plays
};

struct RestoreReport {
    RestoreStatus status = RestoreStatus::Done;
    std::uint64_t needed = 0;     // bytes the restore writes to the pen
    std::uint64_t available = 0;  // free bytes on the pen before it started
    std::vector<RestoreResult> books;
};

RestoreReport runRestore(const RestorePlan& plan, ConflictChoice choice,
                         const RestoreCallbacks& callbacks = {});

}  // namespace penshelf
