#include "app/InstWindow.h"

#include "app/WindowTexts.h"
#include "device/DefaultModeGate.h"
#include "texts/InstallMessages.h"
#include "ui_InstWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressBar>

#include <algorithm>
#include <climits>
#include <functional>
#include <utility>

namespace penshelf {
namespace {

// How often a long copy lets the window repaint.
constexpr qint64 redrawIntervalMs = 40;

int progressValue(std::int64_t value) {
    return static_cast<int>(std::min<std::int64_t>(value, INT_MAX));
}

// Moves the progress bar along a copy of chunks chunks. A visible
// QProgressBar repaints at once whenever its value moves by a percent or a
// few pixels, which over a whole copy costs more than the copy's own work. So
// the bar is set only just before each redraw and at the last chunk: whenever
// it can be seen or read, it stands at the last chunk written.
class ThrottledProgress {
  public:
    ThrottledProgress(QProgressBar& bar, std::int64_t chunks, std::function<void()> redraw)
        : bar_(bar), chunks_(chunks), redraw_(std::move(redraw)) {
        sinceDrawn_.start();
    }

    void chunkWritten(std::int64_t chunk) {
        const bool redraw = chunk % 64 == 0 && sinceDrawn_.elapsed() >= redrawIntervalMs;
        if (redraw || chunk == chunks_ - 1) bar_.setValue(progressValue(chunk));
        if (redraw) {
            redraw_();
            sinceDrawn_.restart();
        }
    }

  private:
    QProgressBar& bar_;
    const std::int64_t chunks_;
    QElapsedTimer sinceDrawn_;
    std::function<void()> redraw_;
};

}  // namespace

InstWindow::InstWindow(Inputs inputs, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::InstWindow>()), inputs_(std::move(inputs)) {
    ui_->setupUi(this);
    ui_->dtBookName->setTextFormat(Qt::PlainText);  // the name comes from the package file
    ui_->prInstall->hide();
    connect(ui_->btnInstall, &QPushButton::clicked, this, &InstWindow::InstallBook);
    connect(ui_->btnCancel, &QPushButton::clicked, this, &InstWindow::CancelBook);
}

InstWindow::~InstWindow() = default;

void InstWindow::showWindow() {
    if (!loaded_) {
        loaded_ = true;
        windowDidLoad();
    }
    exec();
}

void InstWindow::windowDidLoad() {
    package_ = readInstallPackage(inputs_.pathBook);
    ui_->dtBookName->setText(QString::fromStdString(inputs_.nameBook));
    ui_->dtBookOid->setText(QString::fromStdString(package_.proposedNumber(inputs_.pathZiro)));
    // Said at once rather than after the user has picked a number.
    if (inputs_.penReadOnly && inputs_.penReadOnly()) {
        showInfo(texts::messageFor(InstallOutcome::ReadOnly).window);
    }
}

void InstWindow::InstallBook() {
    if (copying_ || nRefresh_ != Outcome::None) return;
    InstallPlan plan = planInstall(package_, inputs_.pathZiro, ui_->dtBookOid->text().toStdString(),
                                   inputs_.penReadOnly);
    if (plan.outcome() != InstallOutcome::Installed) {
        showInfo(texts::messageFor(plan.outcome()).window);
        return;
    }

    copying_ = true;
    startCopy(plan.chunkCount());
    const InstallOutcome result = copy(plan);
    copying_ = false;

    if (result == InstallOutcome::Installed) {
        nRefresh_ = Outcome::Installed;
        QMetaObject::invokeMethod(this, &InstWindow::closeModalWindow, Qt::QueuedConnection);
        return;
    }
    // Nothing of the book is on the pen; the user may try again or cancel.
    showInfo(texts::messageFor(result).window);
    ui_->prInstall->hide();
    setControlsEnabled(true);
}

void InstWindow::startCopy(std::int64_t chunks) {
    showInfo(texts::installing);
    setControlsEnabled(false);
    ui_->prInstall->show();
    ui_->prInstall->setRange(0, progressValue(chunks));
    ui_->prInstall->setValue(0);
    // One turn of the event loop: the window shows its new state, and pen
    // events held back by the modal run come through.
    QCoreApplication::processEvents();
    if (inputs_.modeGate) inputs_.modeGate->deliverPending();
}

InstallOutcome InstWindow::copy(InstallPlan& plan) {
    ThrottledProgress progress(*ui_->prInstall, plan.chunkCount(), [this] { keepDrawn(); });
    return plan.install({.chunkWritten = [&](std::int64_t chunk) { progress.chunkWritten(chunk); },
                         .flushing =
                             [this] {
                                 showInfo(texts::flushingToPen);
                                 keepDrawn();
                             }});
}

void InstWindow::CancelBook() {
    if (copying_ || nRefresh_ != Outcome::None) return;
    nRefresh_ = Outcome::Cancelled;
    QMetaObject::invokeMethod(this, &InstWindow::closeModalWindow, Qt::QueuedConnection);
}

void InstWindow::closeModalWindow() {
    done(static_cast<int>(nRefresh_));
}

void InstWindow::reject() {
    if (!copying_) QDialog::reject();
}

void InstWindow::closeEvent(QCloseEvent* event) {
    if (copying_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void InstWindow::showInfo(const std::string& text) {
    ui_->dtInfo->setText(QString::fromStdString(text));
}

void InstWindow::setControlsEnabled(bool enabled) {
    ui_->btnCancel->setEnabled(enabled);
    ui_->btnInstall->setEnabled(enabled);
    ui_->dtBookOid->setEnabled(enabled);
}

void InstWindow::keepDrawn() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace penshelf
