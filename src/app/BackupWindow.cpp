#include "app/BackupWindow.h"

#include "app/Texts.h"
#include "books/Text.h"
#include "ui_BackupWindow.h"

#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <chrono>
#include <cstring>

namespace penshelf {
namespace {

// How often the job's thread tells the window where it is, at most.
constexpr std::int64_t postIntervalMs = 50;
constexpr int permille = 1000;

QString tr8(const char* text) {
    return QString::fromUtf8(text);
}

QString bytesText(std::uint64_t bytes) {
    return QLocale::c().formattedDataSize(static_cast<qint64>(bytes), 1,
                                          QLocale::DataSizeTraditionalFormat);
}

int permilleOf(std::uint64_t part, std::uint64_t whole) {
    return whole == 0 ? permille
                      : static_cast<int>(std::min<std::uint64_t>(part, whole) * permille / whole);
}

// A book as the window names it: its file, then its name.
QString bookText(const BackupBook& book) {
    return QString::fromStdString(book.entry) + QStringLiteral(" ") +
           QString::fromStdString(book.name);
}

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString manifestMessage(ManifestError error, const std::string& detail) {
    const QString about = QString::fromStdString(detail);
    switch (error) {
        case ManifestError::Missing:
            return tr8(texts::manifestMissing);
        case ManifestError::NotJson:
            return tr8(texts::manifestNotJson);
        case ManifestError::NotAManifest:
            return tr8(texts::manifestInvalid).arg(about);
        case ManifestError::UnknownVersion:
            return tr8(texts::manifestVersion).arg(about);
        case ManifestError::BadEntry:
            return tr8(texts::manifestBadEntry).arg(about);
        case ManifestError::Unreadable:
        case ManifestError::None:
            break;
    }
    return tr8(texts::manifestUnreadable);
}

// One heading with its books below, or nothing when there are none.
void addSection(QStringList& summary, const char* heading, const QStringList& books) {
    if (books.isEmpty()) return;
    summary << tr8(heading).arg(books.size());
    for (const QString& book : books) summary << QStringLiteral("    ") + book;
}

}  // namespace

BackupWindow::BackupWindow(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::BackupWindow>()) {
    ui_->setupUi(this);
    dtInfo = ui_->dtInfo;
    prBook = ui_->prBook;
    dtTotal = ui_->dtTotal;
    prTotal = ui_->prTotal;
    dtSummary = ui_->dtSummary;
    btnCancel = ui_->btnCancel;
    btnClose = ui_->btnClose;
    btnCancel->setText(tr8(texts::cancelButton));
    btnClose->setText(tr8(texts::closeButton));
    connect(btnCancel, &QPushButton::clicked, this, &BackupWindow::cancelJob);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

BackupWindow::~BackupWindow() {
    cancelled_ = true;
    joinWorker();
}

QString BackupWindow::proposedFolderName(const std::optional<std::string>& identityCode,
                                         const QDate& day) {
    // The code names a folder only when it is printable and holds no separator.
    QString code = identityCode ? QString::fromStdString(*identityCode).trimmed() : QString();
    const bool usable = !code.isEmpty() && !code.contains(QLatin1Char('/')) &&
                        code != QStringLiteral(".") && code != QStringLiteral("..") &&
                        std::all_of(code.begin(), code.end(), [](QChar c) { return c.isPrint(); });
    if (!usable) code = tr8(texts::backupFolderFallback);
    return code + QStringLiteral(" ") + day.toString(QStringLiteral("yyyy-MM-dd"));
}

void BackupWindow::run(std::function<void()> work) {
    joinWorker();
    running_ = true;
    cancelled_ = false;
    btnCancel->setEnabled(true);
    btnCancel->show();
    prBook->show();
    dtTotal->show();
    prTotal->show();
    btnClose->hide();
    worker_ = std::thread(std::move(work));
}

void BackupWindow::joinWorker() {
    if (worker_.joinable()) worker_.join();
}

void BackupWindow::post(const char* doing, Moment moment, bool always) {
    // Runs on the job's thread: the window is told often enough to look
    // smooth, not once per block.
    const std::int64_t now = nowMs();
    if (!always && moment.index == lastPostIndex_ && now - lastPostMs_ < postIntervalMs) return;
    lastPostMs_ = now;
    lastPostIndex_ = moment.index;
    QMetaObject::invokeMethod(
        this, [this, doing, moment] { showMoment(doing, moment); }, Qt::QueuedConnection);
}

void BackupWindow::showMoment(const char* doing, const Moment& moment) {
    if (!running_) return;
    if (!cancelled_) dtInfo->setText(tr8(doing).arg(moment.book));
    prBook->setValue(permilleOf(moment.bookDone, moment.bookSize));
    prTotal->setValue(permilleOf(moment.done, moment.total));
    dtTotal->setText(tr8(texts::bookOfBooks)
                         .arg(moment.index + 1)
                         .arg(moment.count)
                         .arg(bytesText(moment.done), bytesText(moment.total)));
}

void BackupWindow::finish(const QString& message, const QStringList& summary) {
    joinWorker();
    running_ = false;
    // The bars showed the way; the message and the summary tell where it ended.
    prBook->hide();
    dtTotal->hide();
    prTotal->hide();
    dtInfo->setText(message);
    dtSummary->setPlainText(summary.join(QLatin1Char('\n')));
    dtSummary->setVisible(!summary.isEmpty());
    btnCancel->hide();
    btnClose->show();
    btnClose->setDefault(true);
    btnClose->setFocus();
    if (!summary.isEmpty()) resize(width(), std::max(height(), 380));
}

void BackupWindow::cancelJob() {
    if (!running_) return;
    cancelled_ = true;
    btnCancel->setEnabled(false);
    dtInfo->setText(tr8(texts::cancelling));
}

void BackupWindow::reject() {
    if (running_) {
        cancelJob();
        return;
    }
    QDialog::reject();
}

void BackupWindow::closeEvent(QCloseEvent* event) {
    if (running_) {
        cancelJob();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

// ---------------------------------------------------------------- backup

void BackupWindow::startBackup(const BackupRequest& request) {
    setWindowTitle(tr8(texts::backupTitle));
    const QString folder = QFile::decodeName(QByteArray::fromStdString(request.folder));
    run([this, request, folder] {
        const BackupReport report =
            backUpPen(request, {.progress =
                                    [this](const BackupProgress& p) {
                                        post(texts::backingUp,
                                             {bookText(*p.current), p.book, p.books, p.bookDone,
                                              p.current->size, p.done, p.total},
                                             p.bookDone == 0);
                                    },
                                .cancelled = [this] { return cancelled_.load(); }});
        QMetaObject::invokeMethod(
            this, [this, report, folder] { backedUp(report, folder); }, Qt::QueuedConnection);
    });
}

void BackupWindow::backedUp(const BackupReport& report, const QString& folder) {
    const QString shownFolder = QDir::toNativeSeparators(folder);
    switch (report.status) {
        case BackupStatus::FolderNotEmpty:
            return finish(tr8(texts::backupFolderNotEmpty));
        case BackupStatus::FolderUnusable:
            return finish(tr8(texts::backupFolderUnusable) + QStringLiteral("（") +
                          QString::fromLocal8Bit(std::strerror(report.error)) +
                          QStringLiteral("）"));
        case BackupStatus::NoBookFolder:
            return finish(tr8(texts::penNoBookFolder));
        case BackupStatus::Done:
        case BackupStatus::Cancelled:
        case BackupStatus::ManifestFailed:
            break;
    }
    QStringList copied, failed;
    for (const BackupBook& book : report.copied) copied << bookText(book);
    for (const BackupReport::Failure& failure : report.failed) {
        const char* why = failure.why == BackupFailure::NotPlainName ? texts::notPlainBookName
                          : failure.why == BackupFailure::ReadFailed ? texts::penReadFailed
                                                                     : texts::backupWriteFailed;
        failed << QString::fromStdString(failure.entry + " " + failure.name) +
                      QStringLiteral("（") + tr8(why) + QStringLiteral("）");
    }
    backedUpWhole_ = report.status == BackupStatus::Done && failed.isEmpty();
    QString message;
    if (report.status == BackupStatus::ManifestFailed) {
        message = tr8(texts::backupManifestFailed);
    } else if (report.status == BackupStatus::Cancelled) {
        message = tr8(texts::backupCancelled).arg(copied.size()).arg(shownFolder);
    } else if (failed.isEmpty()) {
        message = tr8(texts::backupDone).arg(copied.size()).arg(shownFolder);
    } else {
        message = tr8(texts::backupPartly).arg(copied.size()).arg(shownFolder).arg(failed.size());
    }
    QStringList summary;
    addSection(summary, texts::backedUpHeading, copied);
    addSection(summary, texts::notBackedUpHeading, failed);
    finish(message, summary);
}

// ---------------------------------------------------------------- restore

void BackupWindow::startRestore(const std::string& folder, const std::string& bookFolder) {
    setWindowTitle(tr8(texts::restoreTitle));
    run([this, folder, bookFolder] {
        const PlanReport report =
            planRestore(folder, bookFolder,
                        {.progress =
                             [this](const RestoreProgress& p) {
                                 post(texts::checkingBackup,
                                      {bookText(*p.current), p.book, p.books, p.bookDone,
                                       p.current->size, p.done + p.bookDone, p.total},
                                      p.bookDone == 0);
                             },
                         .cancelled = [this] { return cancelled_.load(); }});
        QMetaObject::invokeMethod(
            this, [this, report] { planned(report); }, Qt::QueuedConnection);
    });
}

void BackupWindow::planned(const PlanReport& report) {
    joinWorker();
    switch (report.status) {
        case PlanStatus::NoBackupFolder:
            return finish(tr8(texts::backupFolderGone));
        case PlanStatus::BadManifest:
            return finish(manifestMessage(report.manifestError, report.detail));
        case PlanStatus::NoBookFolder:
            return finish(tr8(texts::penNoBookFolder));
        case PlanStatus::Cancelled:
            return finish(tr8(texts::restoreCancelled));
        case PlanStatus::TooLarge:
            return finish(tr8(texts::restoreTooLarge)
                              .arg(bytesText(report.needed), bytesText(report.capacity)));
        case PlanStatus::Ready:
            break;
    }
    RestorePlan plan = *report.plan;
    ConflictChoice choice = ConflictChoice::Skip;
    if (plan.count(RestoreState::Conflict) > 0) {
        QStringList books;
        for (const RestoreItem& item : plan.items) {
            if (item.state == RestoreState::Conflict) books << bookText(item.book);
        }
        const std::optional<ConflictChoice> chosen =
            askConflicts ? askConflicts(books) : askAboutConflicts(books);
        if (!chosen || cancelled_) return finish(tr8(texts::restoreCancelled));
        choice = *chosen;
    }
    run([this, plan = std::move(plan), choice] {
        const RestoreReport result =
            runRestore(plan, choice,
                       {.progress =
                            [this](const RestoreProgress& p) {
                                post(texts::restoring,
                                     {bookText(*p.current), p.book, p.books, p.bookDone,
                                      p.current->size, p.done + p.bookDone, p.total},
                                     p.bookDone == 0);
                            },
                        .cancelled = [this] { return cancelled_.load(); }});
        QMetaObject::invokeMethod(
            this, [this, result] { restored(result); }, Qt::QueuedConnection);
    });
}

std::optional<ConflictChoice> BackupWindow::askAboutConflicts(const QStringList& books) {
    QMessageBox alert(this);
    alert.setWindowModality(Qt::WindowModal);
    alert.setIcon(QMessageBox::Question);
    alert.setWindowTitle(tr8(texts::restoreTitle));
    // The names come from the backup: plain text, never markup.
    alert.setTextFormat(Qt::PlainText);
    constexpr int listed = 12;
    QStringList shown = books.mid(0, listed);
    if (books.size() > listed) shown << QStringLiteral("……");
    alert.setText(tr8(texts::conflictQuestion) + QStringLiteral("\n") +
                  shown.join(QLatin1Char('\n')));
    alert.setInformativeText(tr8(texts::conflictHint));
    QPushButton* skip = alert.addButton(tr8(texts::skipButton), QMessageBox::ActionRole);
    QPushButton* renumber = alert.addButton(tr8(texts::renumberButton), QMessageBox::ActionRole);
    QPushButton* cancel = alert.addButton(tr8(texts::cancelButton), QMessageBox::RejectRole);
    alert.setDefaultButton(skip);
    alert.setEscapeButton(cancel);
    alert.exec();
    if (alert.clickedButton() == skip) return ConflictChoice::Skip;
    if (alert.clickedButton() == renumber) return ConflictChoice::Renumber;
    return std::nullopt;
}

void BackupWindow::restored(const RestoreReport& report) {
    switch (report.status) {
        case RestoreStatus::NoSpace:
            return finish(tr8(texts::restoreNoSpace)
                              .arg(bytesText(report.needed), bytesText(report.available)));
        case RestoreStatus::NoBookFolder:
            return finish(tr8(texts::penNoBookFolder));
        case RestoreStatus::NoBackupFolder:
            return finish(tr8(texts::backupFolderGone));
        case RestoreStatus::Done:
        case RestoreStatus::Cancelled:
            break;
    }
    using Kind = RestoreResult::Kind;
    QStringList restoredBooks, alreadyThere, skipped, failed;
    const auto withReason = [](const BackupBook& book, const char* reason) {
        return bookText(book) + QStringLiteral("（") + tr8(reason) + QStringLiteral("）");
    };
    for (const RestoreResult& result : report.books) {
        switch (result.kind) {
            case Kind::Restored:
                restoredBooks << (result.penEntry == result.book.entry
                                      ? bookText(result.book)
                                      : bookText(result.book) + QStringLiteral(" → ") +
                                            QString::fromStdString(result.penEntry));
                penChanged_ = true;
                break;
            case Kind::AlreadyThere:
                alreadyThere << (result.penEntry == result.book.entry
                                     ? bookText(result.book)
                                     : bookText(result.book) + QStringLiteral(" → ") +
                                           QString::fromStdString(result.penEntry));
                break;
            case Kind::SkippedConflict:
                skipped << withReason(result.book, texts::numberTakenReason);
                break;
            case Kind::Missing:
                skipped << withReason(result.book, texts::missingReason);
                break;
            case Kind::Changed:
                skipped << withReason(result.book, texts::changedReason);
                break;
            case Kind::SkippedShared:
                skipped << bookText(result.book) + QStringLiteral("（") +
                               tr8(texts::sharedTargetReason)
                                   .arg(QString::fromStdString(result.shares)) +
                               QStringLiteral("）");
                break;
            case Kind::Failed:
                failed << withReason(result.book, result.failure == InstallResult::TooLarge
                                                      ? texts::bookFileTooLarge
                                                  : result.failure == InstallResult::ReadOnly
                                                      ? texts::penReadOnlyTip
                                                      : texts::copyFailedReason);
                break;
        }
    }
    QStringList summary;
    addSection(summary, texts::restoredHeading, restoredBooks);
    addSection(summary, texts::alreadyThereHeading, alreadyThere);
    addSection(summary, texts::skippedHeading, skipped);
    addSection(summary, texts::failedHeading, failed);
    finish(
        tr8(report.status == RestoreStatus::Cancelled ? texts::restoreStopped : texts::restoreDone),
        summary);
}

// ---------------------------------------------------------------- folders

void askForBackupFolder(QWidget* parent, const QString& proposedName,
                        std::function<void(const QString&)> chosen) {
    // A new folder, named in the dialog: a backup never writes among other files.
    auto* panel = new QFileDialog(parent, tr8(texts::chooseBackupFolder), QDir::homePath());
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    panel->setOption(QFileDialog::DontConfirmOverwrite);
    panel->setLabelText(QFileDialog::FileName, tr8(texts::backupFolderName));
    panel->setLabelText(QFileDialog::Accept, tr8(texts::backupButton));
    panel->selectFile(proposedName);
    QObject::connect(panel, &QFileDialog::fileSelected, panel, std::move(chosen));
    panel->open();
}

void askForRestoreFolder(QWidget* parent, std::function<void(const QString&)> chosen) {
    auto* panel = new QFileDialog(parent, tr8(texts::chooseRestoreFolder), QDir::homePath());
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly);
    QObject::connect(panel, &QFileDialog::fileSelected, panel, std::move(chosen));
    panel->open();
}

}  // namespace penshelf
