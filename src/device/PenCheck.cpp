#include "device/PenCheck.h"

#include "books/Catalogue.h"
#include "books/Volumes.h"

#include <algorithm>

namespace penshelf {

const FileSystemCheck* PenCheckReport::latestFileSystem() const {
    if (repair) return &*repair;
    return fileSystem ? &*fileSystem : nullptr;
}

const VerifyReport* PenCheckReport::latestBooks() const {
    if (booksAfter) return &*booksAfter;
    return books ? &*books : nullptr;
}

bool PenCheckReport::checkedEverything() const {
    const FileSystemCheck* fs = latestFileSystem();
    const VerifyReport* read = latestBooks();
    return !cancelled && fs &&
           (fs->outcome == FileSystemCheck::Outcome::Clean ||
            fs->outcome == FileSystemCheck::Outcome::Damaged) &&
           read && read->bookFolderFound && !read->cancelled;
}

bool PenCheckReport::damaged() const {
    const FileSystemCheck* fs = latestFileSystem();
    const VerifyReport* read = latestBooks();
    return (fs && fs->outcome == FileSystemCheck::Outcome::Damaged) ||
           (read && read->foundDamage());
}

bool PenCheckReport::repairable() const {
    return !repair && fileSystem && fileSystem->outcome == FileSystemCheck::Outcome::Damaged;
}

PenCheck::PenCheck(Platform& platform, std::string bsdName, QObject* parent)
    : QObject(parent), platform_(platform), bsdName_(std::move(bsdName)) {}

PenCheck::~PenCheck() {
    *alive_ = false;
    cancelled_ = true;
    joinReader();
}

void PenCheck::setStage(Stage stage) {
    stage_ = stage;
    emit stageChanged(stage);
}

void PenCheck::joinReader() {
    if (reader_.joinable()) reader_.join();
}

void PenCheck::readBooks(std::function<void(std::optional<VerifyReport>)> then) {
    joinReader();
    const std::string bookFolder = penBookFolder(platform_.volumes(), bsdName_);
    if (bookFolder.empty()) return then(std::nullopt);
    reader_ = std::thread([this, bookFolder, then = std::move(then)] {
        VerifyCallbacks callbacks;
        callbacks.cancelled = [this] { return cancelled_.load(); };
        callbacks.progress = [this](const VerifyProgress& p) {
            QMetaObject::invokeMethod(
                this,
                [this, p] {
                    emit progress(p.done, p.total, static_cast<int>(p.book),
                                  static_cast<int>(p.books));
                },
                Qt::QueuedConnection);
        };
        VerifyReport read = verifyBooks(bookFolder, callbacks);
        // Queued to this object: dropped when it has gone meanwhile.
        QMetaObject::invokeMethod(
            this, [then, read = std::move(read)] { then(read); }, Qt::QueuedConnection);
    });
}

void PenCheck::start() {
    report_ = {};
    cancelled_ = false;
    setStage(Stage::ReadingBooks);
    readBooks([this](std::optional<VerifyReport> read) {
        joinReader();
        report_.books = std::move(read);
        if (cancelled_ || (report_.books && report_.books->cancelled)) {
            report_.cancelled = true;
            setStage(Stage::Done);
            return emit checked();
        }
        setStage(Stage::CheckingFileSystem);
        platform_.checkFileSystem(bsdName_, FileSystemAction::Check,
                                  [this, alive = alive_](const FileSystemCheck& check) {
                                      if (!*alive) return;
                                      report_.fileSystem = check;
                                      setStage(Stage::Done);
                                      emit checked();
                                  });
    });
}

void PenCheck::repair() {
    cancelled_ = false;
    setStage(Stage::Repairing);
    platform_.checkFileSystem(bsdName_, FileSystemAction::Repair,
                              [this, alive = alive_](const FileSystemCheck& check) {
                                  if (!*alive) return;
                                  report_.repair = check;
                                  setStage(Stage::ReadingBooksAgain);
                                  readBooks([this](std::optional<VerifyReport> read) {
                                      joinReader();
                                      report_.booksAfter = std::move(read);
                                      if (report_.booksAfter && report_.booksAfter->cancelled)
                                          report_.cancelled = true;
                                      compareReadings();
                                      setStage(Stage::Done);
                                      emit repaired();
                                  });
                              });
}

void PenCheck::cancel() {
    cancelled_ = true;
}

void PenCheck::compareReadings() {
    report_.changes.clear();
    if (!report_.books || !report_.booksAfter || report_.booksAfter->cancelled) return;
    const std::vector<VerifiedBook>& after = report_.booksAfter->books;
    for (const VerifiedBook& before : report_.books->books) {
        const auto now = std::find_if(after.begin(), after.end(), [&](const VerifiedBook& book) {
            return book.entry == before.entry;
        });
        if (now == after.end()) {
            report_.changes.push_back({before.entry, BookChange::Kind::Gone});
        } else if (now->size != before.size || now->sha256 != before.sha256 ||
                   now->state != before.state) {
            report_.changes.push_back({before.entry, BookChange::Kind::Changed});
        }
    }
}

}  // namespace penshelf
