#include "books/Backup.h"

#include "books/BlockHasher.h"
#include "books/BookPackageFiles.h"
#include "books/Catalogue.h"
#include "books/FileIo.h"
#include "books/InstallTemporary.h"
#include "books/NoReplaceRename.h"
#include "books/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

namespace penshelf {
namespace {

// Large enough that a pen's slow reads come in few calls, small enough that
// a cancel is seen within a fraction of a second even on a slow pen.
constexpr std::int64_t blockSize = 1 << 20;

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

bool isEmptyFolder(int folderFd) {
    FolderListing listing = FolderListing::of(folderFd);
    if (!listing.isOpen()) return false;
    while (const dirent* entry = listing.next()) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            return false;
        }
    }
    return true;
}

// The folder named by path, made with its parents when it is missing; its
// descriptor, or none with status (and error, the system's reason) set.
UniqueFd openBackupFolder(const std::string& path, BackupStatus& status, int& error) {
    std::error_code made;
    if (!path.empty()) std::filesystem::create_directories(path, made);
    UniqueFd folder(path.empty() || made ? -1
                                         : open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen()) {
        status = BackupStatus::FolderUnusable;
        error = made ? made.value() : path.empty() ? ENOENT : errno;
        return folder;
    }
    // A backup killed outright leaves its hidden copies; they are ours to clear.
    removeStaleInstallTemporaries(folder.get());
    if (!isEmptyFolder(folder.get())) {
        // Nothing there is ever replaced, and the manifest must describe the whole folder.
        status = BackupStatus::FolderNotEmpty;
        folder.reset();
    }
    return folder;
}

// A new file in folderFd named name, given its bytes only once they are
// written whole and flushed.
bool writeNewFile(int folderFd, const char* name, const std::string& bytes) {
    std::string temporary;
    UniqueFd file = createInstallTemporary(folderFd, temporary);
    if (!file.isOpen()) return false;
    bool ok = writeAll(file.get(), bytes.data(), static_cast<std::int64_t>(bytes.size())) &&
              fsync(file.get()) == 0 && renameNoReplace(folderFd, temporary.c_str(), name) == 0;
    if (!ok) unlinkat(folderFd, temporary.c_str(), 0);
    forgetInstallTemporary();
    if (!file.close() && ok) {
        unlinkat(folderFd, name, 0);
        ok = false;
    }
    return ok;
}

// The copy that is written whole and checked but waits for its name, for a
// signal handler: only plain stores and loads.
volatile sig_atomic_t unnamedFolderFd = -1;
char unnamedName[64];

// A copy written whole and checked, waiting to be flushed and named. The
// flush waits until the next book has been copied: the disk writes this one
// meanwhile, and the flush has little left to do.
struct WrittenCopy {
    UniqueFd file;
    std::string temporary;
    BackupBook* book = nullptr;

    bool waiting() const { return file.isOpen(); }
};

// Copies one book after another from the pen into the backup folder.
class BookCopier {
  public:
    enum class Result { Copied, Cancelled, ReadFailed, WriteFailed };

    BookCopier(int bookFd, int backupFd, const BackupCallbacks& callbacks)
        : bookFd_(bookFd), backupFd_(backupFd), callbacks_(callbacks) {}

    // Copies book into a temporary file of the folder; fills in its size and
    // digest. Copied leaves the file in written, for name().
    Result copy(BackupBook& book, BookCopyProgress& progress, WrittenCopy& copy) {
        UniqueFd source(openat(bookFd_, book.entry.c_str(),
                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        struct stat before;
        if (!source.isOpen() || fstat(source.get(), &before) != 0 || !S_ISREG(before.st_mode)) {
            return Result::ReadFailed;
        }
        posix_fadvise(source.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

        std::string temporary;
        UniqueFd file = createInstallTemporary(backupFd_, temporary);
        if (!file.isOpen()) return Result::WriteFailed;
        // The copy is read back through a descriptor of its own: the
        // temporary file is opened for writing only.
        UniqueFd written(openat(backupFd_, temporary.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        struct stat fileStat, writtenStat;
        Result result = Result::Copied;
        if (!written.isOpen() || fstat(file.get(), &fileStat) != 0 ||
            fstat(written.get(), &writtenStat) != 0 || fileStat.st_ino != writtenStat.st_ino ||
            fileStat.st_dev != writtenStat.st_dev) {
            result = Result::WriteFailed;
        }
        if (result == Result::Copied) {
            result = copyBlocks(source.get(), before.st_size, file.get(), written.get(), progress);
        }
        // Waits for the last block, so that no buffer is read once this returns.
        const std::string digest = hasher_.finishHex();
        struct stat after;
        if (result == Result::Copied &&
            (fstat(source.get(), &after) != 0 || !sameFile(before, after) || digest.empty())) {
            result = Result::ReadFailed;  // changed while it was read
        }
        if (result != Result::Copied) {
            unlinkat(backupFd_, temporary.c_str(), 0);
            forgetInstallTemporary();
            return result;
        }
        book.size = static_cast<std::uint64_t>(before.st_size);
        book.sha256 = digest;
        // From here on the copy waits under the backup's own watch, and the
        // install temporary's watch is free for the next book.
        unnamedFolderFd = -1;
        std::snprintf(unnamedName, sizeof unnamedName, "%s", temporary.c_str());
        unnamedFolderFd = backupFd_;
        forgetInstallTemporary();
        copy = {std::move(file), std::move(temporary), &book};
        return Result::Copied;
    }

    // Flushes the copy and gives it its book's name; whether it has it now.
    bool name(WrittenCopy& copy) {
        bool named =
            fsync(copy.file.get()) == 0 &&
            renameNoReplace(backupFd_, copy.temporary.c_str(), copy.book->entry.c_str()) == 0;
        if (!named) unlinkat(backupFd_, copy.temporary.c_str(), 0);
        unnamedFolderFd = -1;
        if (!copy.file.close() && named) {
            unlinkat(backupFd_, copy.book->entry.c_str(), 0);
            named = false;
        }
        return named;
    }

  private:
    Result copyBlocks(int source, std::int64_t size, int file, int written,
                      BookCopyProgress& progress) {
        std::int64_t offset = 0;
        for (int i = 0; offset < size; ++i) {
            if (callbacks_.cancelled && callbacks_.cancelled()) return Result::Cancelled;
            // The hasher still reads the block before, in the other buffer.
            char* block = buffers_[i % 2].get();
            const std::int64_t want = std::min(blockSize, size - offset);
            if (readAt(source, block, want, offset) != want) return Result::ReadFailed;
            hasher_.add(block, static_cast<size_t>(want));
            if (!writeAll(file, block, want)) return Result::WriteFailed;
            // What the file system now holds for this block must be what the
            // pen gave: a short or misplaced write would show here.
            if (readAt(written, check_.get(), want, offset) != want ||
                std::memcmp(check_.get(), block, static_cast<size_t>(want)) != 0) {
                return Result::WriteFailed;
            }
            // The disk starts writing the block now, not when the book is flushed.
            sync_file_range(file, offset, want, SYNC_FILE_RANGE_WRITE);
            offset += want;
            progress.bookDone += static_cast<std::uint64_t>(want);
            progress.done += static_cast<std::uint64_t>(want);
            if (callbacks_.progress) callbacks_.progress(progress);
        }
        return Result::Copied;
    }

    int bookFd_;
    int backupFd_;
    const BackupCallbacks& callbacks_;
    std::unique_ptr<char[]> buffers_[2] = {std::make_unique<char[]>(blockSize),
                                           std::make_unique<char[]>(blockSize)};
    std::unique_ptr<char[]> check_ = std::make_unique<char[]>(blockSize);
    BlockHasher hasher_;
};

}  // namespace

void removeUnnamedBackupCopy() {
    const int folderFd = unnamedFolderFd;
    if (folderFd >= 0) unlinkat(folderFd, unnamedName, 0);
    unnamedFolderFd = -1;
}

std::string localTimestamp(std::time_t when) {
    struct tm local {};
    localtime_r(&when, &local);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff / 60;
    const long minutes = offset < 0 ? -offset : offset;
    char zone[32];
    std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", offset < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return std::string(text) + zone;
}

BackupReport backUpPen(const BackupRequest& request, const BackupCallbacks& callbacks) {
    BackupReport report;
    const UniqueFd bookFd =
        request.bookFolder.empty() ? UniqueFd() : openBookFolder(request.bookFolder);
    if (!bookFd.isOpen()) {
        report.status = BackupStatus::NoBookFolder;
        return report;
    }
    const UniqueFd backupFd = openBackupFolder(request.folder, report.status, report.error);
    if (!backupFd.isOpen()) return report;

    // Every book package file by its name, whatever its header says; the
    // catalogue gives the kind and name of those it lists.
    std::map<std::string, ListData> listed;
    for (ListData& row : listBookFolder(request.bookFolder)) {
        if (!isPlainBookEntry(row.entry)) {
            report.failed.push_back({row.entry, row.name, BackupFailure::NotPlainName});
        } else {
            listed.emplace(row.entry, std::move(row));
        }
    }
    std::vector<BackupBook> books;
    for (const std::string& entry : bookPackageFiles(bookFd.get())) {
        BackupBook book;
        book.entry = entry;
        book.number = entry.substr(0, 3);
        const auto row = listed.find(entry);
        book.kind = row != listed.end()                   ? kindName(row->second.kind)
                    : foldedEntry(entry).ends_with("vxs") ? "smart"
                                                          : "custom";
        if (row != listed.end()) book.name = row->second.name;
        struct stat st;
        if (fstatat(bookFd.get(), book.entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            book.size = static_cast<std::uint64_t>(st.st_size);
        }
        books.push_back(std::move(book));
    }
    std::sort(books.begin(), books.end(), [](const BackupBook& a, const BackupBook& b) {
        return foldedEntry(a.entry) < foldedEntry(b.entry);
    });

    BookCopyProgress progress;
    progress.books = books.size();
    for (const BackupBook& book : books) progress.total += book.size;
    BookCopier copier(bookFd.get(), backupFd.get(), callbacks);
    WrittenCopy waiting;
    const auto nameWaiting = [&] {
        if (!waiting.waiting()) return;
        if (copier.name(waiting)) {
            report.copied.push_back(*waiting.book);
        } else {
            report.failed.push_back(
                {waiting.book->entry, waiting.book->name, BackupFailure::WriteFailed});
        }
    };
    for (BackupBook& book : books) {
        progress.current = &book;
        progress.bookDone = 0;
        const std::uint64_t doneBefore = progress.done;
        if (callbacks.progress) callbacks.progress(progress);
        WrittenCopy written;
        const BookCopier::Result result = copier.copy(book, progress, written);
        // The total counts each book once, as large as it was planned.
        progress.done = doneBefore + book.size;
        ++progress.book;
        nameWaiting();
        waiting = std::move(written);
        if (result == BookCopier::Result::Cancelled) {
            report.status = BackupStatus::Cancelled;
            break;
        }
        if (result == BookCopier::Result::ReadFailed || result == BookCopier::Result::WriteFailed) {
            report.failed.push_back({book.entry, book.name,
                                     result == BookCopier::Result::ReadFailed
                                         ? BackupFailure::ReadFailed
                                         : BackupFailure::WriteFailed});
        }
    }
    nameWaiting();

    // The names of the books go to the disk before the manifest that lists them.
    BackupManifest manifest;
    manifest.identityCode = request.identityCode;
    manifest.product = request.product;
    manifest.date = localTimestamp(request.when);
    manifest.books = report.copied;
    const bool folderSynced = fsync(backupFd.get()) == 0 || errno == EINVAL;
    if (!folderSynced ||
        !writeNewFile(backupFd.get(), backupManifestName, writeBackupManifest(manifest)) ||
        (fsync(backupFd.get()) != 0 && errno != EINVAL)) {
        report.status = BackupStatus::ManifestFailed;
    }
    return report;
}

}  // namespace penshelf
