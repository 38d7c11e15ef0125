#include "books/BookVerify.h"

#include "books/BlockHasher.h"
#include "books/BookHeader.h"
#include "books/BookPackageFiles.h"
#include "books/Catalogue.h"
#include "books/Text.h"
#include "books/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string_view>

namespace penshelf {
namespace {

// Large enough that the pen's own speed, not the calls, sets the pace.
constexpr std::size_t blockSize = std::size_t{4} << 20;

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// Whether a file whose first bytes are head is a book package, as the
// catalogue decides. The name is taken from the bytes already read (as
// bookNameAt reads it): opening the file again would record an access.
bool isBookPackage(std::string_view head, std::uint64_t size) {
    if (size < static_cast<std::uint64_t>(BookHeader::size)) return false;
    head = head.substr(0, std::min(head.find('\0'), head.find('\xFF')));
    const std::optional<std::string> name = decodeGb18030(head);
    return name && (startsWith(*name, "VXB") || startsWith(*name, "ATT"));
}

// Opens a book for reading only. O_NOATIME keeps the pen's access dates as
// they are (reading must write nothing); it is refused on files of others.
UniqueFd openBook(int folderFd, const std::string& entry) {
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    UniqueFd file(openat(folderFd, entry.c_str(), flags | O_NOATIME));
    if (!file.isOpen() && errno == EPERM) file.reset(openat(folderFd, entry.c_str(), flags));
    return file;
}

class BookReader {
  public:
    BookReader(int folderFd, const VerifyCallbacks& callbacks, VerifyProgress& progress)
        : folderFd_(folderFd), callbacks_(callbacks), progress_(progress) {}

    // Reads one book to its end; false when the pass was cancelled first.
    bool read(VerifiedBook& book) {
        const UniqueFd file = openBook(folderFd_, book.entry);
        struct stat st;
        if (!file.isOpen() || fstat(file.get(), &st) != 0) return failed(book, errno, 0);
        // Anything else took the file's name since the folder was listed.
        if (!S_ISREG(st.st_mode)) return failed(book, EINVAL, 0);
        book.size = static_cast<std::uint64_t>(st.st_size);  // until it is read to its end
        // What the page cache still holds of the book is dropped first, so
        // that the pen itself is read, not a copy in memory.
        posix_fadvise(file.get(), 0, 0, POSIX_FADV_DONTNEED);
        posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

        std::string head;
        std::uint64_t offset = 0;
        for (int i = 0;; ++i) {
            if (callbacks_.cancelled && callbacks_.cancelled()) {
                hasher_.finishHex();
                return false;
            }
            // The hasher still reads the block before, in the other buffer.
            char* block = buffers_[i % 2].get();
            std::size_t got = 0;
            while (got < blockSize) {
                const ssize_t n = pread(file.get(), block + got, blockSize - got,
                                        static_cast<off_t>(offset + got));
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) {
                    const int error = errno;
                    hasher_.finishHex();
                    progress_.done += got;
                    return failed(book, error, offset + got);
                }
                if (n == 0) break;
                got += static_cast<std::size_t>(n);
            }
            if (i == 0) head.assign(block, std::min(got, BookHeader::nameAreaSize));
            if (got > 0) hasher_.add(block, got);
            offset += got;
            progress_.done += got;
            if (got < blockSize) break;
            if (callbacks_.progress) callbacks_.progress(progress_);
        }
        book.size = offset;
        book.sha256 = hasher_.finishHex();
        book.state = isBookPackage(head, offset) ? VerifiedBook::State::Readable
                                                 : VerifiedBook::State::NotABook;
        return true;
    }

  private:
    static bool failed(VerifiedBook& book, int error, std::uint64_t offset) {
        book.state = VerifiedBook::State::Unreadable;
        book.error = error;
        book.errorOffset = offset;
        return true;
    }

    int folderFd_;
    const VerifyCallbacks& callbacks_;
    VerifyProgress& progress_;
    std::unique_ptr<char[]> buffers_[2] = {std::make_unique<char[]>(blockSize),
                                           std::make_unique<char[]>(blockSize)};
    BlockHasher hasher_;
};

}  // namespace

bool VerifyReport::foundDamage() const {
    return std::any_of(books.begin(), books.end(), [](const VerifiedBook& book) {
        return book.state == VerifiedBook::State::Unreadable;
    });
}

VerifyReport verifyBooks(const std::string& bookFolder, const VerifyCallbacks& callbacks) {
    VerifyReport report;
    const UniqueFd folder = openBookFolder(bookFolder);
    if (!folder.isOpen()) return report;
    report.bookFolderFound = true;

    const std::vector<std::string> entries = bookPackageFiles(folder.get());
    VerifyProgress progress{.books = entries.size()};
    for (const std::string& entry : entries) {
        struct stat st;
        if (fstatat(folder.get(), entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            progress.total += static_cast<std::uint64_t>(st.st_size);
        }
    }

    BookReader reader(folder.get(), callbacks, progress);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        progress.book = i;
        if (callbacks.progress) callbacks.progress(progress);
        VerifiedBook book;
        book.entry = entries[i];
        if (!reader.read(book)) {
            report.cancelled = true;
            break;
        }
        report.books.push_back(std::move(book));
        if (callbacks.progress) callbacks.progress(progress);
    }
    return report;
}

}  // namespace penshelf
