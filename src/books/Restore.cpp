#include "books/Restore.h"

#include "books/BookNumber.h"
#include "books/Catalogue.h"
#include "books/FileIo.h"
#include "books/Sha256.h"
#include "books/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace penshelf {
namespace {

constexpr std::int64_t blockSize = 1 << 20;
// The numbers a renumbered book may take, as the install proposes them.
constexpr int lowestNumber = 1;
constexpr int highestNumber = 998;

// The entries of the pen's folder by their folded names: a FAT pen takes
// 002.VXS and 002.vxs for one file.
std::map<std::string, std::string> penEntries(int bookFd) {
    std::map<std::string, std::string> entries;
    FolderListing listing = FolderListing::of(bookFd);
    while (const dirent* entry = listing.next())
        entries.emplace(foldedEntry(entry->d_name), entry->d_name);
    return entries;
}

// A regular file in the folder, opened without following a link or waiting
// on a FIFO; not open when there is none.
UniqueFd openRegular(int folderFd, const std::string& name, struct stat& st) {
    UniqueFd file(
        openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.isOpen() && (fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode))) file.reset();
    return file;
}

// Reads a whole file and hashes it, telling progress as it goes.
class Checker {
  public:
    explicit Checker(const RestoreCallbacks& callbacks) : callbacks_(callbacks) {}

    bool cancelled() const { return callbacks_.cancelled && callbacks_.cancelled(); }

    // Whether the file in the folder holds the book's bytes exactly.
    bool holds(int folderFd, const std::string& name, const BackupBook& book,
               RestoreProgress& progress) {
        struct stat st;
        const UniqueFd file = openRegular(folderFd, name, st);
        if (!file.isOpen() || static_cast<std::uint64_t>(st.st_size) != book.size) return false;
        posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        Sha256 sha;
        progress.bookDone = 0;
        for (std::uint64_t offset = 0; offset < book.size;) {
            if (cancelled()) return false;
            const auto want =
                static_cast<std::int64_t>(std::min<std::uint64_t>(blockSize, book.size - offset));
            if (readAt(file.get(), buffer_.get(), want, static_cast<std::int64_t>(offset)) !=
                want) {
                return false;
            }
            sha.update(buffer_.get(), static_cast<size_t>(want));
            offset += static_cast<std::uint64_t>(want);
            progress.bookDone = offset;
            if (callbacks_.progress) callbacks_.progress(progress);
        }
        return sha.finishHex() == book.sha256;
    }

  private:
    const RestoreCallbacks& callbacks_;
    std::unique_ptr<char[]> buffer_ = std::make_unique<char[]>(blockSize);
};

// The lowest number from 001 to 998 whose name is not taken for the
// extension of entry; taken gets the new name. Nothing when all are.
std::optional<std::string> lowestFreeEntry(const std::string& entry, std::set<std::string>& taken) {
    const std::string extension = entry.substr(3);
    for (int n = lowestNumber; n <= highestNumber; ++n) {
        const std::string candidate = formatBookNumber(n) + extension;
        if (taken.insert(foldedEntry(candidate)).second) return candidate;
    }
    return std::nullopt;
}

}  // namespace

std::size_t RestorePlan::count(RestoreState state) const {
    return static_cast<std::size_t>(std::count_if(
        items.begin(), items.end(), [&](const RestoreItem& item) { return item.state == state; }));
}

PlanReport planRestore(const std::string& folder, const std::string& bookFolder,
                       const RestoreCallbacks& callbacks) {
    PlanReport report;
    const UniqueFd backupFd(
        folder.empty() ? -1 : open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!backupFd.isOpen()) {
        report.status = PlanStatus::NoBackupFolder;
        return report;
    }
    ManifestReading reading = readBackupManifestAt(backupFd.get());
    if (!reading.manifest) {
        report.status = PlanStatus::BadManifest;
        report.manifestError = reading.error;
        report.detail = reading.detail;
        return report;
    }
    const UniqueFd bookFd = bookFolder.empty() ? UniqueFd() : openBookFolder(bookFolder);
    if (!bookFd.isOpen()) {
        report.status = PlanStatus::NoBookFolder;
        return report;
    }

    RestorePlan plan{folder, bookFolder, std::move(*reading.manifest), {}};
    const std::map<std::string, std::string> onPen = penEntries(bookFd.get());
    Checker checker(callbacks);
    RestoreProgress progress;
    progress.books = plan.manifest.books.size();
    for (const BackupBook& book : plan.manifest.books) progress.total += book.size;
    for (const BackupBook& book : plan.manifest.books) {
        progress.current = &book;
        RestoreItem item{book, RestoreState::ToCopy};
        // The pen's own copy first: restoring onto the pen it came from reads
        // nothing of the backup.
        const auto there = onPen.find(foldedEntry(book.entry));
        if (there != onPen.end()) {
            item.state = checker.holds(bookFd.get(), there->second, book, progress)
                             ? RestoreState::AlreadyThere
                             : RestoreState::Conflict;
        }
        if (item.state != RestoreState::AlreadyThere) {
            struct stat st;
            if (!openRegular(backupFd.get(), book.entry, st).isOpen()) {
                item.state = RestoreState::Missing;
            } else if (!checker.holds(backupFd.get(), book.entry, book, progress)) {
                item.state = RestoreState::Changed;
            }
        }
        if (checker.cancelled()) {
            report.status = PlanStatus::Cancelled;
            return report;
        }
        plan.items.push_back(std::move(item));
        progress.done += book.size;
        ++progress.book;
    }
    report.plan = std::move(plan);
    return report;
}

RestoreReport runRestore(const RestorePlan& plan, ConflictChoice choice,
                         const RestoreCallbacks& callbacks) {
    RestoreReport report;
    const UniqueFd backupFd(open(plan.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!backupFd.isOpen()) {
        report.status = RestoreStatus::NoBackupFolder;
        return report;
    }
    const UniqueFd bookFd = plan.bookFolder.empty() ? UniqueFd() : openBookFolder(plan.bookFolder);
    if (!bookFd.isOpen()) {
        report.status = RestoreStatus::NoBookFolder;
        return report;
    }

    // The books that keep their number go first, so that a renumbered one
    // cannot take a number that a book of the backup comes back to.
    std::vector<const RestoreItem*> writes;
    for (const RestoreItem& item : plan.items) {
        if (item.state == RestoreState::ToCopy) writes.push_back(&item);
    }
    for (const RestoreItem& item : plan.items) {
        if (item.state == RestoreState::Conflict && choice == ConflictChoice::Renumber) {
            writes.push_back(&item);
        }
    }

    struct statvfs fs;
    if (fstatvfs(bookFd.get(), &fs) == 0) {
        // Each file takes whole blocks.
        const std::uint64_t block = std::max<std::uint64_t>(fs.f_bsize, 1);
        for (const RestoreItem* item : writes) {
            report.needed += (item->book.size + block - 1) / block * block;
        }
        report.available = std::uint64_t{fs.f_bavail} * fs.f_frsize;
        if (report.needed > report.available) {
            report.status = RestoreStatus::NoSpace;
            return report;
        }
    }

    using Kind = RestoreResult::Kind;
    for (const RestoreItem& item : plan.items) {
        switch (item.state) {
            case RestoreState::AlreadyThere:
                report.books.push_back({item.book, Kind::AlreadyThere, item.book.entry});
                break;
            case RestoreState::Missing:
                report.books.push_back({item.book, Kind::Missing, {}});
                break;
            case RestoreState::Changed:
                report.books.push_back({item.book, Kind::Changed, {}});
                break;
            case RestoreState::Conflict:
                if (choice == ConflictChoice::Skip) {
                    report.books.push_back({item.book, Kind::SkippedConflict, {}});
                }
                break;
            case RestoreState::ToCopy:
                break;
        }
    }

    RestoreProgress progress;
    progress.books = writes.size();
    for (const RestoreItem* item : writes) progress.total += item->book.size;
    std::set<std::string> taken;
    bool listed = false;
    for (const RestoreItem* item : writes) {
        if (callbacks.cancelled && callbacks.cancelled()) {
            report.status = RestoreStatus::Cancelled;
            break;
        }
        const BackupBook& book = item->book;
        RestoreResult result{book, Kind::Failed, book.entry};
        if (item->state == RestoreState::Conflict) {
            // What the pen holds now, the books just restored included.
            if (!listed) {
                for (const auto& [folded, name] : penEntries(bookFd.get())) taken.insert(folded);
                listed = true;
            }
            const std::optional<std::string> entry = lowestFreeEntry(book.entry, taken);
            if (!entry) {
                result.failure = InstallResult::Taken;
                report.books.push_back(std::move(result));
                continue;
            }
            result.penEntry = *entry;
        }

        progress.current = &book;
        progress.bookDone = 0;
        if (callbacks.progress) callbacks.progress(progress);
        struct stat st;
        UniqueFd source = openRegular(backupFd.get(), book.entry, st);
        BookInstaller installer(std::move(source), joinPath(plan.folder, book.entry),
                                plan.bookFolder, result.penEntry, /*customPackage=*/false);
        InstallResult installed = installer.check();
        // The digest of the bytes copied, checked before the copy takes its name.
        Sha256 sha;
        bool changed = false;
        if (installed == InstallResult::Installed) {
            installed = installer.install(
                {.chunkWritten =
                     [&](std::int64_t chunk) {
                         progress.bookDone = std::min<std::uint64_t>(
                             static_cast<std::uint64_t>(chunk + 1) * installChunkSize, book.size);
                         if (chunk % 1024 == 0 || progress.bookDone == book.size) {
                             if (callbacks.progress) {
                                 RestoreProgress shown = progress;
                                 shown.done += progress.bookDone;
                                 callbacks.progress(shown);
                             }
                         }
                     },
                 .flushing = {}},
                {.blockRead =
                     [&](const char* data, std::int64_t size) {
                         sha.update(data, static_cast<size_t>(size));
                     },
                 .accept =
                     [&] {
                         changed = sha.finishHex() != book.sha256;
                         return !changed;
                     }});
        }
        // A new number that stayed unused is free for the next book again.
        if (installed != InstallResult::Installed && installed != InstallResult::Taken &&
            item->state == RestoreState::Conflict) {
            taken.erase(foldedEntry(result.penEntry));
        }
        if (installed == InstallResult::Installed) {
            result.kind = Kind::Restored;
        } else if (changed) {
            result.kind = Kind::Changed;
            result.penEntry.clear();
        } else {
            result.failure = installed;
        }
        report.books.push_back(std::move(result));
        progress.done += book.size;
        ++progress.book;
    }
    return report;
}

}  // namespace penshelf
