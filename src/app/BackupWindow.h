#pragma once
// The window that backs a pen's books up into a folder, or restores a backup
// onto a pen: the book under way and the whole job on two progress bars, a
// cancel that works while the copy runs (the copy has a thread of its own, so
// the window stays drawn), and at the end what was done, book by book. A
// copy between pens is a backup of the one restored onto the other.

#include "books/Backup.h"
#include "books/PenCopy.h"
#include "books/Restore.h"

#include <QDialog>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

class QDate;
namespace Ui {
class BackupWindow;
}

namespace penshelf {

class BackupWindow : public QDialog {
    Q_OBJECT
  public:
    explicit BackupWindow(QWidget* parent = nullptr);
    // Stops a job still running and waits for it.
    ~BackupWindow() override;

    void startBackup(const BackupRequest& request);
    // Checks the backup in folder against the pen's BOOK/ folder, asks what
    // to do with books whose number the pen gives to another book, then restores.
    void startRestore(const std::string& folder, const std::string& bookFolder);
    // Backs request.bookFolder up and restores that onto the pen whose BOOK/
    // folder is targetFolder. The backup goes to request.folder, or, when
    // that is empty, to a folder in the user's cache that goes at the end.
    void startCopy(BackupRequest request, const std::string& targetFolder);

    bool running() const { return running_; }
    // Whether a restore wrote to the pen.
    bool penChanged() const { return penChanged_; }
    // Whether a backup copied every book, with its manifest.
    bool backedUpWhole() const { return backedUpWhole_; }

    // The folder name proposed for a backup of the pen with this identity
    // code on this day: "KLV8A3C5D21 2026-12-06".
    static QString proposedFolderName(const std::optional<std::string>& identityCode,
                                      const QDate& day);

    // Escape and the title bar cancel while a job runs, and close after it.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // What the progress shows of one moment of a job.
    struct Moment {
        QString book;
        std::size_t index = 0, count = 0;
        std::uint64_t bookDone = 0, bookSize = 0, done = 0, total = 0;
    };
    // Runs work on the job's thread; report() it hands its result over with
    // runs on this window's thread afterwards.
    void run(std::function<void()> work);
    // Stops the job at its next step; what is finished stays.
    void cancelJob();
    void joinWorker();
    // From the job's thread: the moment, now and then.
    void post(const char* doing, Moment moment, bool always);
    // Posts a restore's progress under the words of doing.
    std::function<void(const BookCopyProgress&)> restoreProgress(const char* doing);
    void showMoment(const char* doing, const Moment& moment);
    void finish(const QString& message, const QStringList& summary = {});

    void backedUp(const BackupReport& report, const QString& folder);
    void planned(const PlanReport& report);
    void restored(const RestoreReport& report);
    // Asks about the books whose number is taken ("001.vxr 小猫钓鱼" each);
    // nothing cancels the restore.
    std::optional<ConflictChoice> askAboutConflicts(const QStringList& books);

    std::unique_ptr<Ui::BackupWindow> ui_;
    std::thread worker_;
    std::atomic<bool> cancelled_{false};
    bool running_ = false;
    bool penChanged_ = false;
    bool backedUpWhole_ = false;
    std::int64_t startedMs_ = 0;  // when the job began, for its notification
    std::int64_t lastPostMs_ = 0;
    std::size_t lastPostIndex_ = SIZE_MAX;
    // A copy between pens: where the books go, the backup's own folder when
    // the user keeps none, and the books that could not be backed up.
    std::string copyTarget_;
    std::optional<PenCopyFolder> copyCache_;
    QStringList notCopied_;
};

// The folder dialogs, window-modal over parent: where a new backup goes (its
// folder's name proposed), and which backup to restore. chosen gets the
// folder, or is never called when the user cancels.
void askForBackupFolder(QWidget* parent, const QString& proposedName,
                        std::function<void(const QString&)> chosen);
void askForRestoreFolder(QWidget* parent, std::function<void(const QString&)> chosen);

}  // namespace penshelf
