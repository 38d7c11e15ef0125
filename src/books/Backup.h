#pragma once
// Backing up a pen: every book package file of its BOOK/ folder is copied into a
// folder on the computer, each checked against the bytes read from the pen,
// and a manifest of the books copied whole is written last. A book is in the
// folder under its own name only once it is whole and flushed; a cancel or a
// pen pulled out leaves the books finished before and a true manifest of them.

#include "books/BackupManifest.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace penshelf {

struct BackupRequest {
    std::string bookFolder;  // the pen's BOOK/ folder
    std::string folder;      // where the backup goes: made with its parents when missing, else
                             // it must be empty but for the leftovers of a backup killed outright
    std::optional<std::string> identityCode;
    std::optional<std::string> product;
    std::time_t when = 0;  // the date the manifest gives
};

struct BackupCallbacks {
    // After each block copied, and when a book starts.
    std::function<void(const BookCopyProgress&)> progress;
    // Asked before each block; true stops the backup there.
    std::function<bool()> cancelled;
};

enum class BackupStatus {
    Done,            // every book was tried; the manifest lists those copied whole
    Cancelled,       // stopped on request; the manifest lists the books finished before
    FolderNotEmpty,  // the chosen folder holds files already; nothing was written
    FolderUnusable,  // the folder cannot be made or opened (error says why); nothing was written
    NoBookFolder,    // the pen has no BOOK folder of its own; nothing was written
    ManifestFailed,  // the books are there, but the manifest could not be written
};

enum class BackupFailure {
    NotPlainName,  // the catalogue lists it, but its name is no NNN.vxr or NNN.vxs
    ReadFailed,    // the pen could not be read (pulled out?), or the book changed meanwhile
    WriteFailed,   // the copy could not be written, flushed or checked on the computer
};

struct BackupReport {
    BackupStatus status = BackupStatus::Done;
    int error = 0;                   // errno, for FolderUnusable
    std::vector<BackupBook> copied;  // as the manifest lists them
    struct Failure {
        std::string entry;
        std::string name;
        BackupFailure why;
    };
    std::vector<Failure> failed;
};

BackupReport backUpPen(const BackupRequest& request, const BackupCallbacks& callbacks = {});

// Removes the copy of the backup running now that is written whole but not
// yet named, if there is one. Safe to call from a signal handler; with
// removeInterruptedInstall() it leaves no copy of a backup killed midway.
void removeUnnamedBackupCopy();

// when as local time in ISO 8601 with the offset from UTC: 2026-12-06T14:03:11+08:00.
std::string localTimestamp(std::time_t when);

}  // namespace penshelf
