#pragma once
// A pen's health check, the same for the window and the command line: every
// book read back from the pen, then the file system checked with the pen
// unmounted and mounted again; once the user agrees, repaired, and the books
// read back again to tell what the repair changed.

#include "books/BookVerify.h"
#include "device/Platform.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace penshelf {

// A book that the repair changed, against the first reading.
struct BookChange {
    enum class Kind {
        Changed,  // its size or SHA-256 differ, or it reads (or not) where it did not
        Gone,     // it is no longer on the pen
    };
    std::string entry;
    Kind kind = Kind::Changed;
};

struct PenCheckReport {
    bool cancelled = false;
    // The first reading; none when the pen had no volume to read.
    std::optional<VerifyReport> books;
    std::optional<FileSystemCheck> fileSystem;
    // The repair, judged by the check that followed it.
    std::optional<FileSystemCheck> repair;
    std::optional<VerifyReport> booksAfter;
    std::vector<BookChange> changes;  // booksAfter against books

    // The file system as the latest check left it, and the books as last read.
    const FileSystemCheck* latestFileSystem() const;
    const VerifyReport* latestBooks() const;
    // Every part was checked: the books read whole and the file system checked.
    bool checkedEverything() const;
    // The latest check found damage, or a book cannot be read.
    bool damaged() const;
    bool healthy() const { return checkedEverything() && !damaged(); }
    // The file system check found damage that a repair may mend.
    bool repairable() const;
};

class PenCheck : public QObject {
    Q_OBJECT
  public:
    enum class Stage { ReadingBooks, CheckingFileSystem, Repairing, ReadingBooksAgain, Done };
    Q_ENUM(Stage)

    PenCheck(Platform& platform, std::string bsdName, QObject* parent = nullptr);
    // Stops a reading under way and waits for its thread.
    ~PenCheck() override;

    // Reads the books, then checks the file system; checked() at the end.
    void start();
    // After checked(): repairs the file system, reads the books again and
    // compares; repaired() at the end.
    void repair();
    // Stops the reading of the books at its next block; the file system is
    // then left unchecked.
    void cancel();

    const PenCheckReport& report() const { return report_; }
    Stage stage() const { return stage_; }

  signals:
    void stageChanged(penshelf::PenCheck::Stage stage);
    // While the books are read: bytes of every book read so far of total.
    void progress(quint64 done, quint64 total, int book, int books);
    void checked();
    void repaired();

  private:
    void setStage(Stage stage);
    // Reads the books on a thread of its own; then() runs on this object's
    // thread with what was read, or nothing when the pen has no volume.
    void readBooks(std::function<void(std::optional<VerifyReport>)> then);
    void joinReader();
    void compareReadings();

    Platform& platform_;
    const std::string bsdName_;
    PenCheckReport report_;
    Stage stage_ = Stage::Done;
    std::thread reader_;
    std::atomic<bool> cancelled_{false};
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace penshelf
