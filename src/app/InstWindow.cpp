#include "app/InstWindow.h"

#include "app/AccessibleRoles.h"
#include "app/DesktopNotifications.h"
#include "app/PenChooser.h"
#include "app/WindowTexts.h"
#include "device/DefaultModeGate.h"
#include "texts/InstallMessages.h"
#include "ui_InstWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>

#include <algorithm>
#include <chrono>
#include <climits>
#include <functional>
#include <utility>

namespace penshelf {
namespace {

// How often a long copy lets the window repaint.
constexpr qint64 redrawIntervalMs = 40;
// How often a pen's thread moves its bar, at most.
constexpr std::int64_t penPostIntervalMs = 50;

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

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
    installAccessibleRoles();
    ui_->setupUi(this);
    ui_->dtBookName->setTextFormat(Qt::PlainText);  // the name comes from the package file
    ui_->prInstall->hide();
    ui_->boxPens->hide();
    ui_->dtSummary->hide();
    for (const Inputs::OtherPen& pen : inputs_.otherPens) {
        auto* item = new QListWidgetItem(
            texts::translated(texts::penWithFreeSpace)
                .arg(penCodeText(pen.identityCode), QString::fromStdString(pen.freeSpace)),
            ui_->listOtherPens);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(pen.ticked ? Qt::Checked : Qt::Unchecked);
    }
    ui_->ttOtherPens->setText(texts::translated(texts::installOnOtherPens));
    ui_->ttOtherPens->setVisible(!inputs_.otherPens.empty());
    ui_->listOtherPens->setVisible(!inputs_.otherPens.empty());
    connect(ui_->btnInstall, &QPushButton::clicked, this, &InstWindow::InstallBook);
    connect(ui_->btnCancel, &QPushButton::clicked, this, &InstWindow::CancelBook);
}

InstWindow::~InstWindow() {
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
}

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
    if (const std::vector<std::size_t> ticked = tickedPens(); !ticked.empty()) {
        // The window's own pen takes the number as shown, or says why not,
        // as when it is alone.
        const std::string number = ui_->dtBookOid->text().toStdString();
        const InstallOutcome checked =
            planInstall(package_, inputs_.pathZiro, number, inputs_.penReadOnly).outcome();
        if (checked != InstallOutcome::Installed)
            return showInfo(texts::messageFor(checked).window);
        return startManyPens(number, ticked);
    }
    InstallPlan plan = planInstall(package_, inputs_.pathZiro, ui_->dtBookOid->text().toStdString(),
                                   inputs_.penReadOnly);
    if (plan.outcome() != InstallOutcome::Installed) {
        showInfo(texts::messageFor(plan.outcome()).window);
        return;
    }

    copying_ = true;
    const std::int64_t started = nowMs();
    startCopy(plan.chunkCount());
    const InstallOutcome result = copy(plan);
    copying_ = false;
    notifyLongJobEnded(nowMs() - started, windowTitle(),
                       result == InstallOutcome::Installed
                           ? QCoreApplication::translate("InstWindow", "点读包已安装：%1")
                                 .arg(QString::fromStdString(inputs_.nameBook))
                           : QString::fromStdString(texts::messageFor(result).window));

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
    if (summarised_) return closeModalWindow();
    if (worker_.joinable() && copying_) {
        // Copies still running stop with nothing partial; pens done keep the book.
        cancel_ = true;
        ui_->btnCancel->setEnabled(false);
        return showInfo(texts::cancelling);
    }
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

void InstWindow::showInfo(const char* text) {
    ui_->dtInfo->setText(texts::translated(text));
    announce(ui_->dtInfo);
}

void InstWindow::setControlsEnabled(bool enabled) {
    ui_->btnCancel->setEnabled(enabled);
    ui_->btnInstall->setEnabled(enabled);
    ui_->dtBookOid->setEnabled(enabled);
}

void InstWindow::keepDrawn() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

std::vector<std::size_t> InstWindow::tickedPens() const {
    std::vector<std::size_t> ticked;
    for (int i = 0; i < ui_->listOtherPens->count(); ++i) {
        if (ui_->listOtherPens->item(i)->checkState() == Qt::Checked) {
            ticked.push_back(static_cast<std::size_t>(i));
        }
    }
    return ticked;
}

void InstWindow::startManyPens(const std::string& number, const std::vector<std::size_t>& ticked) {
    // Whether a volume refuses writes is the platform's answer, asked here
    // on the window's thread; a pen turning read-only meanwhile fails its
    // write with EROFS.
    const auto refuses = [](const std::function<bool()>& ask) {
        const bool refused = ask && ask();
        return std::function<bool()>([refused] { return refused; });
    };
    std::vector<PenInstallTarget> targets{
        {inputs_.pathZiro, refuses(inputs_.penReadOnly), /*exactNumber=*/true}};
    std::vector<QString> codes{penCodeText(inputs_.penCode)};
    for (const std::size_t i : ticked) {
        const Inputs::OtherPen& pen = inputs_.otherPens[i];
        targets.push_back({pen.bookFolder, refuses(pen.refusesWrites), false});
        codes.push_back(penCodeText(pen.identityCode));
    }
    auto* grid = static_cast<QGridLayout*>(ui_->boxPens->layout());
    for (std::size_t pen = 0; pen < targets.size(); ++pen) {
        const int row = static_cast<int>(pen);
        auto* bar = new QProgressBar(ui_->boxPens);
        bar->setObjectName(QStringLiteral("prPen%1").arg(row));
        bar->setValue(0);
        bar->setAccessibleName(tr("安装到 %1 的进度").arg(codes[pen]));
        grid->addWidget(new QLabel(codes[pen], ui_->boxPens), row, 0);
        grid->addWidget(bar, row, 1);
        penBars_.push_back(bar);
    }
    chunkCounts_.assign(targets.size(), 1);
    lastPostMs_.assign(targets.size(), 0);

    copying_ = true;
    showInfo(texts::installing);
    setControlsEnabled(false);
    ui_->btnCancel->setEnabled(true);
    ui_->listOtherPens->setEnabled(false);
    ui_->boxPens->show();
    if (inputs_.modeGate) inputs_.modeGate->deliverPending();
    worker_ = std::thread([this, number, targets = std::move(targets), codes = std::move(codes),
                           started = nowMs()] {
        const std::vector<PenInstallStep> steps = installOnPens(
            {package_}, targets, number, defaultPenJobs,
            {.started =
                 [this](std::size_t pen, std::size_t, std::int64_t chunks) {
                     chunkCounts_[pen] = std::max<std::int64_t>(chunks, 1);
                     QMetaObject::invokeMethod(
                         this,
                         [this, pen, chunks] { penBars_[pen]->setRange(0, progressValue(chunks)); },
                         Qt::QueuedConnection);
                 },
             .chunkWritten = [this](std::size_t pen, std::size_t,
                                    std::int64_t chunk) { postProgress(pen, chunk + 1, false); },
             .flushing =
                 [this](std::size_t, std::size_t) {
                     QMetaObject::invokeMethod(
                         this,
                         [this] {
                             if (!cancel_) showInfo(texts::flushingToPen);
                         },
                         Qt::QueuedConnection);
                 },
             .finished =
                 [this](const PenInstallStep& step) {
                     if (step.outcome == InstallOutcome::Installed) {
                         postProgress(step.pen, chunkCounts_[step.pen], true);
                     }
                 },
             .cancel = &cancel_});
        QMetaObject::invokeMethod(
            this,
            [this, steps, codes, started] {
                manyPensDone(steps, codes);
                notifyLongJobEnded(nowMs() - started, windowTitle(), ui_->dtInfo->text());
            },
            Qt::QueuedConnection);
    });
}

void InstWindow::postProgress(std::size_t pen, std::int64_t chunk, bool always) {
    const std::int64_t now = nowMs();
    if (!always && now - lastPostMs_[pen] < penPostIntervalMs) return;
    lastPostMs_[pen] = now;
    QMetaObject::invokeMethod(
        this, [this, pen, chunk] { penBars_[pen]->setValue(progressValue(chunk)); },
        Qt::QueuedConnection);
}

void InstWindow::manyPensDone(const std::vector<PenInstallStep>& steps,
                              const std::vector<QString>& codes) {
    worker_.join();
    copying_ = false;
    summarised_ = true;
    QStringList summary;
    int installed = 0;
    for (const PenInstallStep& step : steps) {
        const QString code = codes[step.pen];
        const QString number = QString::fromStdString(step.number);
        if (step.outcome != InstallOutcome::Installed) {
            summary << texts::translated(texts::penOutcome)
                           .arg(code, texts::translated(texts::messageFor(step.outcome).window));
            continue;
        }
        ++installed;
        summary << (step.renumbered ? texts::translated(texts::installedRenumbered)
                                          .arg(code, number, ui_->dtBookOid->text())
                                    : texts::translated(texts::installedAs).arg(code, number));
    }
    nRefresh_ = installed > 0 ? Outcome::Installed : Outcome::Cancelled;
    ui_->dtInfo->setText(
        texts::translated(texts::installedOnPens).arg(installed).arg(steps.size()));
    announce(ui_->dtInfo);
    ui_->dtSummary->setPlainText(summary.join(QLatin1Char('\n')));
    ui_->dtSummary->show();
    ui_->btnInstall->hide();
    ui_->btnCancel->setText(texts::translated(texts::closeButton));
    ui_->btnCancel->setEnabled(true);
    ui_->btnCancel->setDefault(true);
    ui_->btnCancel->setFocus();
}

}  // namespace penshelf
