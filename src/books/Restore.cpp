#include "books/Restore.h"

#include "books/BookHeader.h"
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
#include <cstring>
#include <map>
#include <memory>

namespace penshelf {
namespace {

constexpr std::int64_t blockSize = 1 << 20;

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

// The target numbers of a shared package: on the pen, and in the backup.
struct Retarget {
    std::string onPen, inBackup;
};

// Reads a whole file and hashes it, telling progress as it goes.
class Checker {
  public:
    explicit Checker(const RestoreCallbacks& callbacks) : callbacks_(callbacks) {}

    bool cancelled() const { return callbacks_.cancelled && callbacks_.cancelled(); }

    // Whether the file in the folder holds the book's bytes exactly; with
    // retarget, a shared package that names retarget->onPen where the book
    // names retarget->inBackup, and is otherwise the same.
    bool holds(int folderFd, const std::string& name, const BackupBook& book,
               BookCopyProgress& progress, const Retarget* retarget = nullptr) {
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
            if (offset == 0 && retarget) {
                if (want < 6 || std::memcmp(buffer_.get(), "ATT", 3) != 0 ||
                    std::memcmp(buffer_.get() + 3, retarget->onPen.data(), 3) != 0) {
                    return false;
                }
                std::memcpy(buffer_.get() + 3, retarget->inBackup.data(), 3);
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

// The lowest number the install would propose for the kind of entry, which
// taken then counts; nothing when every one is taken.
std::optional<std::string> takeLowestFreeEntry(const std::string& entry, TakenNames& taken) {
    const std::string extension = entry.substr(3);
    const std::optional<std::string> number = lowestFreeNumber(taken, extension);
    if (!number) return std::nullopt;
    taken.take(*number + extension);
    return *number + extension;
}

// The book of the backup that a shared package in it plays: its name string
// is ATT and a number, the file that number names with the package's own
// extension. Empty for any other book.
std::string sharedTarget(int backupFd, const BackupBook& book, const BackupManifest& manifest) {
    const std::optional<std::string> name = bookNameAt(backupFd, book.entry);
    if (!name || name->size() != 6 || !name->starts_with("ATT")) return {};
    const std::string target = foldedEntry(name->substr(3) + book.entry.substr(3));
    for (const BackupBook& other : manifest.books) {
        if (foldedEntry(other.entry) == target && other.entry != book.entry) return other.entry;
    }
    return {};
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
    auto bookFd = std::make_shared<const UniqueFd>(bookFolder.empty() ? UniqueFd()
                                                                      : openBookFolder(bookFolder));
    if (!bookFd->isOpen()) {
        report.status = PlanStatus::NoBookFolder;
        return report;
    }

    RestorePlan plan{folder, bookFolder, std::move(*reading.manifest), {}, bookFd};
    const auto fits = [](const BackupBook& book) {
        return book.size <= static_cast<std::uint64_t>(largestPenFile);
    };
    BookCopyProgress progress;
    progress.books = plan.manifest.books.size();
    for (const BackupBook& book : plan.manifest.books) {
        if (fits(book)) progress.total += book.size;
    }
    // Sizes no pen can hold are refused before a byte is read: hashing a
    // terabyte would take half an hour only to fail.
    struct statvfs fs;
    if (fstatvfs(bookFd->get(), &fs) == 0 &&
        progress.total > std::uint64_t{fs.f_blocks} * fs.f_frsize) {
        report.status = PlanStatus::TooLarge;
        report.needed = progress.total;
        report.capacity = std::uint64_t{fs.f_blocks} * fs.f_frsize;
        return report;
    }

    const std::map<std::string, std::string> onPen = penEntries(bookFd->get());
    Checker checker(callbacks);
    // Whether the pen holds the book in a file of its kind other than skipped
    // (restored renumbered before, say); notes where.
    const auto foundOnPen = [&](RestoreItem& item, const std::string& skipped,
                                const Retarget* retarget) {
        for (const auto& [folded, name] : onPen) {
            struct stat st;
            if (name != skipped && isPlainBookEntry(folded) &&
                folded.substr(3) == foldedEntry(item.book.entry).substr(3) &&
                fstatat(bookFd->get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                static_cast<std::uint64_t>(st.st_size) == item.book.size &&
                checker.holds(bookFd->get(), name, item.book, progress, retarget)) {
                item.state = RestoreState::AlreadyThere;
                item.penEntry = name;
                return true;
            }
        }
        return false;
    };
    for (const BackupBook& book : plan.manifest.books) {
        progress.current = &book;
        RestoreItem item{book, RestoreState::ToCopy, book.entry, {}};
        // The pen's own copy first: restoring onto the pen it came from reads
        // nothing of the backup.
        const auto there = onPen.find(foldedEntry(book.entry));
        if (!fits(book)) {
            item.state = RestoreState::TooLarge;
        } else if (there != onPen.end()) {
            item.state = checker.holds(bookFd->get(), there->second, book, progress)
                             ? RestoreState::AlreadyThere
                             : RestoreState::Conflict;
        }
        if (item.state == RestoreState::ToCopy || item.state == RestoreState::Conflict) {
            struct stat st;
            if (!openRegular(backupFd.get(), book.entry, st).isOpen()) {
                item.state = RestoreState::Missing;
            } else if (!checker.holds(backupFd.get(), book.entry, book, progress)) {
                item.state = RestoreState::Changed;
            } else {
                item.sharesEntry = sharedTarget(backupFd.get(), book, plan.manifest);
            }
        }
        if (item.state == RestoreState::Conflict && item.sharesEntry.empty()) {
            foundOnPen(item, there->second, nullptr);
        }
        if (checker.cancelled()) {
            report.status = PlanStatus::Cancelled;
            return report;
        }
        if (fits(book)) progress.done += book.size;
        plan.items.push_back(std::move(item));
        ++progress.book;
    }
    // A shared package restored before plays its book under the number that
    // book has on the pen now.
    for (RestoreItem& item : plan.items) {
        if (item.state != RestoreState::Conflict || item.sharesEntry.empty()) continue;
        for (const RestoreItem& target : plan.items) {
            if (target.book.entry == item.sharesEntry &&
                target.state == RestoreState::AlreadyThere) {
                const Retarget retarget{target.penEntry.substr(0, 3), target.book.number};
                foundOnPen(item, {}, &retarget);
            }
        }
        if (checker.cancelled()) {
            report.status = PlanStatus::Cancelled;
            return report;
        }
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
    const std::shared_ptr<const UniqueFd> bookFd =
        plan.bookFd ? plan.bookFd
                    : std::make_shared<const UniqueFd>(
                          plan.bookFolder.empty() ? UniqueFd() : openBookFolder(plan.bookFolder));
    if (!bookFd->isOpen()) {
        report.status = RestoreStatus::NoBookFolder;
        return report;
    }
    const int bookFolderFd = bookFd->get();

    // The books that keep their number go first, so that a renumbered one
    // cannot take a number that a book of the backup comes back to; shared
    // packages last, once the books they play are where they will stay.
    std::vector<const RestoreItem*> writes;
    for (const bool shared : {false, true}) {
        for (const RestoreState state : {RestoreState::ToCopy, RestoreState::Conflict}) {
            if (state == RestoreState::Conflict && choice == ConflictChoice::Skip) continue;
            for (const RestoreItem& item : plan.items) {
                if (item.state == state && item.sharesEntry.empty() != shared) {
                    writes.push_back(&item);
                }
            }
        }
    }

    struct statvfs fs;
    if (fstatvfs(bookFolderFd, &fs) == 0) {
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
    // Where each book of the backup is on the pen now, by its folded entry.
    std::map<std::string, std::string> placed;
    for (const RestoreItem& item : plan.items) {
        switch (item.state) {
            case RestoreState::AlreadyThere:
                report.books.push_back({item.book, Kind::AlreadyThere, item.penEntry});
                placed.emplace(foldedEntry(item.book.entry), item.penEntry);
                break;
            case RestoreState::Missing:
                report.books.push_back({item.book, Kind::Missing, {}});
                break;
            case RestoreState::Changed:
                report.books.push_back({item.book, Kind::Changed, {}});
                break;
            case RestoreState::TooLarge:
                report.books.push_back({item.book, Kind::Failed, {}, InstallResult::TooLarge});
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

    BookCopyProgress progress;
    progress.books = writes.size();
    for (const RestoreItem* item : writes) progress.total += item->book.size;
    TakenNames taken;
    bool listed = false;
    for (const RestoreItem* item : writes) {
        if (callbacks.cancelled && callbacks.cancelled()) {
            report.status = RestoreStatus::Cancelled;
            break;
        }
        const BackupBook& book = item->book;
        RestoreResult result{book, Kind::Failed, book.entry};
        // A shared package plays the very book it played in the backup, under
        // the number that book has now, or stays out with it.
        std::string oldTarget, newTarget;
        if (!item->sharesEntry.empty()) {
            const auto target = placed.find(foldedEntry(item->sharesEntry));
            if (target == placed.end()) {
                result.kind = Kind::SkippedShared;
                result.penEntry.clear();
                result.shares = item->sharesEntry;
                report.books.push_back(std::move(result));
                progress.done += book.size;
                ++progress.book;
                continue;
            }
            oldTarget = item->sharesEntry.substr(0, 3);
            newTarget = target->second.substr(0, 3);
        }
        if (item->state == RestoreState::Conflict) {
            // What the pen holds now, and the numbers books still to come keep.
            if (!listed) {
                taken = TakenNames(bookFolderFd);
                for (const RestoreItem* keeping : writes) {
                    if (keeping->state == RestoreState::ToCopy) taken.take(keeping->book.entry);
                }
                listed = true;
            }
            const std::optional<std::string> entry = takeLowestFreeEntry(book.entry, taken);
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
                                UniqueFd(fcntl(bookFolderFd, F_DUPFD_CLOEXEC, 0)), result.penEntry,
                                /*customPackage=*/false);
        InstallResult installed = installer.check();
        // The digest of the bytes copied, checked before the copy takes its name.
        Sha256 sha;
        bool changed = false;
        bool rewritten = oldTarget == newTarget;
        if (installed == InstallResult::Installed) {
            installed = installer.install(
                {.chunkWritten =
                     [&](std::int64_t chunk) {
                         progress.bookDone = std::min<std::uint64_t>(
                             static_cast<std::uint64_t>(chunk + 1) * installChunkSize, book.size);
                         if (chunk % 1024 == 0 || progress.bookDone == book.size) {
                             if (callbacks.progress) {
                                 BookCopyProgress shown = progress;
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
                 .rewriteFirst =
                     [&](char* data, std::int64_t size) {
                         // The number alone changes, digit for digit, in the name string.
                         if (!rewritten && size > 6 && std::memcmp(data, "ATT", 3) == 0 &&
                             std::memcmp(data + 3, oldTarget.data(), 3) == 0) {
                             std::memcpy(data + 3, newTarget.data(), 3);
                             rewritten = true;
                         }
                     },
                 .accept =
                     [&] {
                         changed = sha.finishHex() != book.sha256;
                         return !changed && rewritten;
                     }});
        }
        // What the pen now holds under the new name must name the new number.
        if (installed == InstallResult::Installed && oldTarget != newTarget &&
            bookNameAt(bookFolderFd, result.penEntry) != "ATT" + newTarget) {
            unlinkat(bookFolderFd, result.penEntry.c_str(), 0);
            installed = InstallResult::Failed;
        }
        // A new number that stayed unused is free for the next book again.
        if (installed != InstallResult::Installed && installed != InstallResult::Taken &&
            item->state == RestoreState::Conflict) {
            taken.release(result.penEntry);
        }
        if (installed == InstallResult::Installed) {
            result.kind = Kind::Restored;
            placed.emplace(foldedEntry(book.entry), result.penEntry);
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
