#include "app/CheckWindow.h"

#include "app/WindowTexts.h"
#include "ui_CheckWindow.h"

#include <QMessageBox>
#include <QPointer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <cstring>

namespace penshelf {
namespace {

constexpr int permille = 1000;

QString lines(const std::string& text) {
    QString indented;
    for (const QString& line : QString::fromStdString(text).split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty()) indented += QStringLiteral("    ") + line + "\n";
    }
    return indented;
}

void addBooks(QStringList& summary, const VerifyReport& report) {
    if (!report.bookFolderFound) {
        summary << texts::translated(texts::noBookFolderRead);
        return;
    }
    int readable = 0, unreadable = 0, notBooks = 0;
    QStringList details;
    for (const VerifiedBook& book : report.books) {
        const QString entry = QString::fromStdString(book.entry);
        switch (book.state) {
            case VerifiedBook::State::Readable:
                ++readable;
                break;
            case VerifiedBook::State::Unreadable:
                ++unreadable;
                details << texts::translated(texts::bookUnreadable)
                               .arg(entry, QString::fromLocal8Bit(strerror(book.error)))
                               .arg(book.errorOffset);
                break;
            case VerifiedBook::State::NotABook:
                ++notBooks;
                details << texts::translated(texts::bookNotABook).arg(entry);
                break;
        }
    }
    summary << texts::translated(texts::booksSummary)
                   .arg(report.books.size())
                   .arg(readable)
                   .arg(unreadable)
                   .arg(notBooks);
    summary << details;
}

void addFileSystem(QStringList& summary, const FileSystemCheck& check, bool afterRepair) {
    using Outcome = FileSystemCheck::Outcome;
    const QString reason = QString::fromStdString(check.reason);
    if (afterRepair && !check.repairSaid.empty()) {
        summary << texts::translated(texts::repairSaid) + "\n" + lines(check.repairSaid).chopped(1);
    }
    switch (check.outcome) {
        case Outcome::Clean:
            summary << texts::translated(afterRepair ? texts::afterRepairClean
                                                     : texts::fileSystemClean);
            break;
        case Outcome::Damaged:
            summary << texts::translated(afterRepair ? texts::afterRepairDamaged
                                                     : texts::fileSystemDamaged) +
                           "\n" + lines(check.found);
            break;
        case Outcome::Busy:
            summary << texts::translated(texts::penBusy);
            break;
        case Outcome::ToolMissing:
            summary << texts::translated(texts::checkToolMissing).arg(reason);
            break;
        case Outcome::NotPossible:
            summary << texts::translated(texts::checkNotPossible).arg(reason);
            break;
        case Outcome::Failed:
            summary << texts::translated(texts::checkFailed).arg(reason);
            break;
    }
    if (check.replug && !check.remounted) summary << texts::translated(texts::replugPen);
}

QString verdict(const PenCheckReport& report) {
    if (report.cancelled) return texts::translated(texts::checkCancelled);
    if (report.healthy())
        return texts::translated(report.repair ? texts::penRepaired : texts::penHealthy);
    if (report.repairable()) return texts::translated(texts::penDamagedRepairable);
    if (report.damaged()) return texts::translated(texts::penDamaged);
    return texts::translated(texts::checkIncomplete);
}

}  // namespace

CheckWindow::CheckWindow(Platform& platform, const std::string& bsdName, Hooks hooks,
                         QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::CheckWindow>()),
      hooks_(std::move(hooks)),
      check_(platform, bsdName) {
    ui_->setupUi(this);
    setWindowTitle(texts::translated(texts::checkPenTitle));
    ui_->ttNotice->setText(texts::translated(texts::checkNotice));
    ui_->btnCancel->setText(texts::translated(texts::cancelButton));
    ui_->btnRepair->setText(texts::translated(texts::repairButton));
    ui_->btnClose->setText(texts::translated(texts::closeButton));
    ui_->btnRepair->hide();
    ui_->btnClose->hide();
    ui_->dtSummary->hide();
    connect(ui_->btnCancel, &QPushButton::clicked, &check_, &PenCheck::cancel);
    connect(ui_->btnRepair, &QPushButton::clicked, this, &CheckWindow::askAndRepair);
    connect(ui_->btnClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(&check_, &PenCheck::stageChanged, this, &CheckWindow::showStage);
    connect(&check_, &PenCheck::progress, this, &CheckWindow::showProgress);
    connect(&check_, &PenCheck::checked, this, &CheckWindow::showReport);
    connect(&check_, &PenCheck::repaired, this, &CheckWindow::showReport);
}

CheckWindow::~CheckWindow() = default;

void CheckWindow::start() {
    check_.start();
}

bool CheckWindow::running() const {
    return check_.stage() != PenCheck::Stage::Done;
}

void CheckWindow::showStage(PenCheck::Stage stage) {
    const bool reading =
        stage == PenCheck::Stage::ReadingBooks || stage == PenCheck::Stage::ReadingBooksAgain;
    ui_->btnCancel->setVisible(reading);
    ui_->btnCancel->setEnabled(reading);
    ui_->prTotal->setVisible(stage != PenCheck::Stage::Done);
    switch (stage) {
        case PenCheck::Stage::ReadingBooks:
            ui_->prTotal->setRange(0, permille);
            ui_->prTotal->setValue(0);
            break;
        case PenCheck::Stage::ReadingBooksAgain:
            ui_->dtInfo->setText(texts::translated(texts::readingBooksAgain));
            ui_->prTotal->setRange(0, permille);
            ui_->prTotal->setValue(0);
            break;
        case PenCheck::Stage::CheckingFileSystem:
        case PenCheck::Stage::Repairing:
            ui_->dtInfo->setText(texts::translated(stage == PenCheck::Stage::Repairing
                                                       ? texts::repairingFileSystem
                                                       : texts::checkingFileSystem));
            ui_->prTotal->setRange(0, 0);  // busy: the tool says nothing of its progress
            ui_->btnRepair->hide();
            break;
        case PenCheck::Stage::Done:
            break;
    }
}

void CheckWindow::showProgress(quint64 done, quint64 total, int book, int books) {
    if (check_.stage() == PenCheck::Stage::ReadingBooks) {
        ui_->dtInfo->setText(texts::translated(texts::readingBooks).arg(book + 1).arg(books));
    }
    ui_->prTotal->setValue(total == 0 ? permille : static_cast<int>(done * permille / total));
}

void CheckWindow::showReport() {
    const PenCheckReport& report = check_.report();
    QStringList summary;
    if (report.books) {
        addBooks(summary, *report.books);
    } else {
        summary << texts::translated(texts::noBooksRead);
    }
    if (report.fileSystem) addFileSystem(summary, *report.fileSystem, false);
    if (report.repair && backedUp_) summary << texts::translated(texts::backedUpBeforeRepair);
    if (report.repair) addFileSystem(summary, *report.repair, true);
    if (report.booksAfter) {
        addBooks(summary, *report.booksAfter);
        if (report.changes.empty()) {
            summary << texts::translated(texts::booksUnchanged);
        } else {
            summary << texts::translated(texts::changedHeading).arg(report.changes.size());
            for (const BookChange& change : report.changes) {
                summary << texts::translated(change.kind == BookChange::Kind::Gone
                                                 ? texts::bookGone
                                                 : texts::bookChanged)
                               .arg(QString::fromStdString(change.entry));
            }
        }
    }
    ui_->dtInfo->setText(verdict(report));
    ui_->dtSummary->setPlainText(summary.join(QLatin1Char('\n')));
    ui_->dtSummary->show();
    ui_->btnRepair->setVisible(report.repairable() && !report.cancelled);
    ui_->btnRepair->setEnabled(true);
    ui_->btnClose->show();
    ui_->btnClose->setDefault(true);
    // The button Enter presses is the one the user sees focused.
    ui_->btnClose->setFocus();
}

void CheckWindow::askAndRepair() {
    if (running() || !check_.report().repairable() || backingUp_) return;
    RepairChoice choice = RepairChoice::Cancel;
    if (hooks_.askRepair) {
        choice = hooks_.askRepair();
    } else {
        QMessageBox question(QMessageBox::Warning, windowTitle(),
                             texts::translated(texts::repairQuestion), QMessageBox::NoButton, this);
        QPushButton* backUpFirst =
            hooks_.backUp ? question.addButton(texts::translated(texts::backUpThenRepair),
                                               QMessageBox::AcceptRole)
                          : nullptr;
        QPushButton* repairNow = question.addButton(texts::translated(texts::repairWithoutBackup),
                                                    QMessageBox::DestructiveRole);
        QPushButton* cancel =
            question.addButton(texts::translated(texts::cancelButton), QMessageBox::RejectRole);
        question.setDefaultButton(backUpFirst ? backUpFirst : cancel);
        question.exec();
        if (backUpFirst && question.clickedButton() == backUpFirst) {
            choice = RepairChoice::BackUpFirst;
        } else if (question.clickedButton() == repairNow) {
            choice = RepairChoice::RepairNow;
        }
    }
    if (choice == RepairChoice::RepairNow) return startRepair();
    if (choice != RepairChoice::BackUpFirst || !hooks_.backUp) return;
    backingUp_ = true;
    ui_->dtInfo->setText(texts::translated(texts::chooseBackupForRepair));
    hooks_.backUp([self = QPointer<CheckWindow>(this)](bool backedUp) {
        if (!self) return;
        self->backingUp_ = false;
        self->backedUp_ = backedUp;
        if (backedUp) return self->startRepair();
        self->ui_->dtInfo->setText(texts::translated(texts::backupNotWhole));
    });
}

void CheckWindow::startRepair() {
    ui_->btnClose->hide();
    check_.repair();
}

void CheckWindow::reject() {
    // While the file system is checked the pen is unmounted: the window stays
    // until it is mounted again. A reading can stop at once.
    if (!running()) return QDialog::reject();
    if (check_.stage() == PenCheck::Stage::ReadingBooks ||
        check_.stage() == PenCheck::Stage::ReadingBooksAgain) {
        check_.cancel();
    }
}

}  // namespace penshelf
