#include "app/BackupWindow.h"

#include "app/DesktopNotifications.h"
#include "app/WindowTexts.h"
#include "books/Text.h"
#include "texts/BackupMessages.h"
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

// The window's words for an outcome, with its values filled in.
QString say(const texts::Message& message, std::initializer_list<std::string_view> values = {}) {
    return QString::fromStdString(texts::fillIn(texts::translatedUtf8(message.window), values));
}

// One heading with its books below, or nothing when there are none.
void addSection(QStringList& summary, const char* heading, const QStringList& books) {
    if (books.isEmpty()) return;
    summary << texts::translated(heading).arg(books.size());
    for (const QString& book : books) summary << QStringLiteral("    ") + book;
}

}  // namespace

BackupWindow::BackupWindow(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::BackupWindow>()) {
    ui_->setupUi(this);
    ui_->btnCancel->setText(texts::translated(texts::cancelButton));
    ui_->btnClose->setText(texts::translated(texts::closeButton));
    connect(ui_->btnCancel, &QPushButton::clicked, this, &BackupWindow::cancelJob);
    connect(ui_->btnClose, &QPushButton::clicked, this, &QDialog::accept);
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
    if (!usable) code = texts::translated(texts::backupFolderFallback);
    return code + QStringLiteral(" ") + day.toString(QStringLiteral("yyyy-MM-dd"));
}

void BackupWindow::run(std::function<void()> work) {
    joinWorker();
    if (!running_) startedMs_ = nowMs();  // a restore's second step continues the job
    running_ = true;
    cancelled_ = false;
    ui_->btnCancel->setEnabled(true);
    ui_->btnCancel->show();
    ui_->prBook->show();
    ui_->dtTotal->show();
    ui_->prTotal->show();
    ui_->btnClose->hide();
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
    if (!cancelled_) ui_->dtInfo->setText(texts::translated(doing).arg(moment.book));
    ui_->prBook->setValue(permilleOf(moment.bookDone, moment.bookSize));
    ui_->prTotal->setValue(permilleOf(moment.done, moment.total));
    ui_->dtTotal->setText(texts::translated(texts::bookOfBooks)
                              .arg(moment.index + 1)
                              .arg(moment.count)
                              .arg(bytesText(moment.done), bytesText(moment.total)));
}

void BackupWindow::finish(const QString& message, const QStringList& summary) {
    joinWorker();
    running_ = false;
    // The bars showed the way; the message and the summary tell where it ended.
    ui_->prBook->hide();
    ui_->dtTotal->hide();
    ui_->prTotal->hide();
    copyCache_.reset();  // the copy's backup, whatever became of it
    ui_->dtInfo->setText(message);
    ui_->dtSummary->setPlainText(summary.join(QLatin1Char('\n')));
    ui_->dtSummary->setVisible(!summary.isEmpty());
    ui_->btnCancel->hide();
    ui_->btnClose->show();
    ui_->btnClose->setDefault(true);
    ui_->btnClose->setFocus();
    if (!summary.isEmpty()) resize(width(), std::max(height(), 380));
    notifyLongJobEnded(nowMs() - startedMs_, windowTitle(), message);
}

void BackupWindow::cancelJob() {
    if (!running_) return;
    cancelled_ = true;
    ui_->btnCancel->setEnabled(false);
    ui_->dtInfo->setText(texts::translated(texts::cancelling));
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
    if (copyTarget_.empty()) setWindowTitle(texts::translated(texts::backupTitle));
    const QString folder = QFile::decodeName(QByteArray::fromStdString(request.folder));
    run([this, request, folder] {
        const BackupReport report =
            backUpPen(request, {.progress =
                                    [this](const BookCopyProgress& p) {
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
    QStringList copied, failed;
    for (const BackupBook& book : report.copied) copied << bookText(book);
    for (const BackupReport::Failure& failure : report.failed) {
        failed << tr("%1（%2）")
                      .arg(QString::fromStdString(failure.entry + " " + failure.name),
                           say(texts::messageFor(failure.why)));
    }
    backedUpWhole_ = report.status == BackupStatus::Done && failed.isEmpty();
    if (!copyTarget_.empty() && report.status == BackupStatus::Done && !cancelled_) {
        notCopied_ = failed;
        return startRestore(QFile::encodeName(folder).toStdString(), copyTarget_);
    }
    if (copyCache_ && (report.status == BackupStatus::Cancelled || cancelled_)) {
        // The books copied so far go with the cache: the target pen was not touched.
        return finish(say(texts::messageFor(PlanStatus::Cancelled)));
    }
    const QString message =
        say(texts::messageFor(report),
            {QDir::toNativeSeparators(folder).toStdString(), std::to_string(copied.size()),
             std::to_string(failed.size()),
             QString::fromLocal8Bit(std::strerror(report.error)).toStdString()});
    // A refused backup copied nothing: no summary.
    QStringList summary;
    addSection(summary, texts::backedUpHeading, copied);
    addSection(summary, texts::notBackedUpHeading, failed);
    finish(message, summary);
}

// ---------------------------------------------------------------- restore

std::function<void(const BookCopyProgress&)> BackupWindow::restoreProgress(const char* doing) {
    // A restore counts the bytes of the books before this one in done.
    return [this, doing](const BookCopyProgress& p) {
        post(doing,
             {bookText(*p.current), p.book, p.books, p.bookDone, p.current->size,
              p.done + p.bookDone, p.total},
             p.bookDone == 0);
    };
}

void BackupWindow::startRestore(const std::string& folder, const std::string& bookFolder) {
    if (copyTarget_.empty()) setWindowTitle(texts::translated(texts::restoreTitle));
    run([this, folder, bookFolder] {
        const PlanReport report = planRestore(folder, bookFolder,
                                              {.progress = restoreProgress(texts::checkingBackup),
                                               .cancelled = [this] { return cancelled_.load(); }});
        QMetaObject::invokeMethod(
            this, [this, report] { planned(report); }, Qt::QueuedConnection);
    });
}

void BackupWindow::planned(const PlanReport& report) {
    joinWorker();
    if (report.status != PlanStatus::Ready) {
        return finish(say(
            texts::messageFor(report.status),
            {"", say(texts::messageFor(report.manifestError), {report.detail}).toStdString(),
             bytesText(report.needed).toStdString(), bytesText(report.capacity).toStdString()}));
    }
    RestorePlan plan = *report.plan;
    ConflictChoice choice = ConflictChoice::Skip;
    if (plan.count(RestoreState::Conflict) > 0) {
        QStringList books;
        for (const RestoreItem& item : plan.items) {
            if (item.state == RestoreState::Conflict) books << bookText(item.book);
        }
        const std::optional<ConflictChoice> chosen = askAboutConflicts(books);
        if (!chosen || cancelled_) return finish(say(texts::messageFor(PlanStatus::Cancelled)));
        choice = *chosen;
    }
    run([this, plan = std::move(plan), choice] {
        const RestoreReport result = runRestore(
            plan, choice, {.progress = restoreProgress(texts::restoring), .cancelled = [this] {
                               return cancelled_.load();
                           }});
        QMetaObject::invokeMethod(
            this, [this, result] { restored(result); }, Qt::QueuedConnection);
    });
}

std::optional<ConflictChoice> BackupWindow::askAboutConflicts(const QStringList& books) {
    QMessageBox alert(this);
    alert.setWindowModality(Qt::WindowModal);
    alert.setIcon(QMessageBox::Question);
    alert.setWindowTitle(windowTitle());
    // The names come from the backup: plain text, never markup.
    alert.setTextFormat(Qt::PlainText);
    constexpr int listed = 12;
    QStringList shown = books.mid(0, listed);
    if (books.size() > listed) shown << QStringLiteral("……");
    alert.setText(texts::translated(texts::conflictQuestion) + QStringLiteral("\n") +
                  shown.join(QLatin1Char('\n')));
    alert.setInformativeText(texts::translated(texts::conflictHint));
    QPushButton* skip =
        alert.addButton(texts::translated(texts::skipButton), QMessageBox::ActionRole);
    QPushButton* renumber =
        alert.addButton(texts::translated(texts::renumberButton), QMessageBox::ActionRole);
    QPushButton* cancel =
        alert.addButton(texts::translated(texts::cancelButton), QMessageBox::RejectRole);
    alert.setDefaultButton(skip);
    alert.setEscapeButton(cancel);
    alert.exec();
    if (alert.clickedButton() == skip) return ConflictChoice::Skip;
    if (alert.clickedButton() == renumber) return ConflictChoice::Renumber;
    return std::nullopt;
}

void BackupWindow::restored(const RestoreReport& report) {
    // A copy between pens is a restore from the cache, but the user copied.
    const bool copied = !copyTarget_.empty() && report.status == RestoreStatus::Done;
    const QString message =
        copied ? texts::translated(texts::copyDone)
               : say(texts::messageFor(report.status), {bytesText(report.needed).toStdString(),
                                                        bytesText(report.available).toStdString()});
    if (report.status != RestoreStatus::Done && report.status != RestoreStatus::Cancelled) {
        return finish(message);
    }
    using Kind = RestoreResult::Kind;
    QStringList restoredBooks, alreadyThere, skipped, failed;
    for (const RestoreResult& result : report.books) {
        const QString line =
            say(texts::messageFor(result),
                {bookText(result.book).toStdString(), result.penEntry, result.shares,
                 texts::translatedUtf8(texts::restoreFailure(result.failure).window)});
        switch (result.kind) {
            case Kind::Restored:
                restoredBooks << line;
                penChanged_ = true;
                break;
            case Kind::AlreadyThere:
                alreadyThere << line;
                break;
            case Kind::Failed:
                failed << line;
                break;
            case Kind::SkippedConflict:
            case Kind::SkippedShared:
            case Kind::Missing:
            case Kind::Changed:
                skipped << line;
                break;
        }
    }
    QStringList summary;
    addSection(summary, copied ? texts::copiedHeading : texts::restoredHeading, restoredBooks);
    addSection(summary, texts::alreadyThereHeading, alreadyThere);
    addSection(summary, texts::skippedHeading, skipped);
    addSection(summary, texts::failedHeading, failed);
    addSection(summary, texts::notBackedUpHeading, notCopied_);
    finish(message, summary);
}

// ---------------------------------------------------------------- copy

void BackupWindow::startCopy(BackupRequest request, const std::string& targetFolder) {
    setWindowTitle(texts::translated(texts::copyPensTitle));
    copyTarget_ = targetFolder;
    if (request.folder.empty()) {
        int error = 0;
        if (std::optional<PenCopyFolder> made = PenCopyFolder::make(error)) {
            copyCache_.emplace(std::move(*made));
        }
        if (!copyCache_) {
            return finish(texts::translated(texts::copyCacheFailed)
                              .arg(QString::fromLocal8Bit(std::strerror(error))));
        }
        request.folder = copyCache_->path();
    }
    startBackup(request);
}

// ---------------------------------------------------------------- folders

void askForBackupFolder(QWidget* parent, const QString& proposedName,
                        std::function<void(const QString&)> chosen) {
    // A new folder, named in the dialog: a backup never writes among other files.
    auto* panel =
        new QFileDialog(parent, texts::translated(texts::chooseBackupFolder), QDir::homePath());
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    panel->setOption(QFileDialog::DontConfirmOverwrite);
    panel->setLabelText(QFileDialog::FileName, texts::translated(texts::backupFolderName));
    panel->setLabelText(QFileDialog::Accept, texts::translated(texts::backupButton));
    panel->selectFile(proposedName);
    QObject::connect(panel, &QFileDialog::fileSelected, panel, std::move(chosen));
    panel->open();
}

void askForRestoreFolder(QWidget* parent, std::function<void(const QString&)> chosen) {
    auto* panel =
        new QFileDialog(parent, texts::translated(texts::chooseRestoreFolder), QDir::homePath());
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly);
    QObject::connect(panel, &QFileDialog::fileSelected, panel, std::move(chosen));
    panel->open();
}

}  // namespace penshelf
