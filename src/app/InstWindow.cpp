#include "app/InstWindow.h"

#include "app/Texts.h"
#include "books/BookHeader.h"
#include "books/BookNumber.h"
#include "books/Installer.h"
#include "device/DefaultModeGate.h"
#include "texts/InstallMessages.h"
#include "ui_InstWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <climits>

namespace penshelf {
namespace {

// How often a long copy lets the window repaint.
constexpr qint64 redrawIntervalMs = 40;

int progressValue(std::int64_t value) {
    return static_cast<int>(std::min<std::int64_t>(value, INT_MAX));
}

}  // namespace

InstWindow::InstWindow(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::InstWindow>()) {
    ui_->setupUi(this);
    dtBookName = ui_->dtBookName;
    dtBookName->setTextFormat(Qt::PlainText);  // the name comes from the package file
    dtBookOid = ui_->dtBookOid;
    ttBookOid = ui_->ttBookOid;
    dtInfo = ui_->dtInfo;
    prInstall = ui_->prInstall;
    btnInstall = ui_->btnInstall;
    btnCancel = ui_->btnCancel;

    prInstall->hide();
    connect(btnInstall, &QPushButton::clicked, this, &InstWindow::InstallBook);
    connect(btnCancel, &QPushButton::clicked, this, &InstWindow::CancelBook);
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
    extBook_ = GetBookType(pathBook);
    dtBookName->setText(QString::fromStdString(nameBook));
    dtBookOid->setText(QString::fromStdString(proposeBookNumberFor(pathZiro, pathBook)));
}

void InstWindow::InstallBook() {
    if (copying_ || nRefresh != 0) return;
    const std::string number = dtBookOid->text().toStdString();
    if (const NumberCheck check = checkBookNumber(pathZiro, number, extBook_);
        check != NumberCheck::Valid) {
        showInfo(messageFor(check));
        return;
    }
    BookInstaller installer(pathBook, pathZiro, number + extBook_, extBook_ == ".vxr");
    if (const InstallResult refused = installer.check(); refused != InstallResult::Installed) {
        showInfo(messageFor(refused));
        return;
    }

    copying_ = true;
    showInfo(texts::installing);
    setControlsEnabled(false);
    prInstall->show();
    prInstall->setRange(0, progressValue(installer.chunkCount()));
    prInstall->setValue(0);
    // One turn of the event loop: the window shows its new state, and pen
    // events held back by the modal run come through.
    QCoreApplication::processEvents();
    if (modeGate) modeGate->deliverPending();

    // Setting a QProgressBar's value takes microseconds (it lays out its
    // text each time), more than copying a chunk. So the bar moves whenever
    // that can show, every thousandth of the way, and is set exactly before
    // each redraw and at the last chunk: whenever it can be seen or read, it
    // stands at the last chunk written.
    const std::int64_t chunks = installer.chunkCount();
    const std::int64_t step = std::max<std::int64_t>(1, chunks / 1000);
    std::int64_t nextStep = 0;
    QElapsedTimer sinceDrawn;
    sinceDrawn.start();
    const InstallResult result =
        installer.install({.chunkWritten =
                               [&](std::int64_t chunk) {
                                   const bool redraw =
                                       chunk % 64 == 0 && sinceDrawn.elapsed() >= redrawIntervalMs;
                                   if (chunk >= nextStep || redraw || chunk == chunks - 1) {
                                       prInstall->setValue(progressValue(chunk));
                                       nextStep = chunk + step;
                                   }
                                   if (redraw) {
                                       keepDrawn();
                                       sinceDrawn.restart();
                                   }
                               },
                           .flushing =
                               [&] {
                                   showInfo(texts::flushingToPen);
                                   keepDrawn();
                               }});
    copying_ = false;

    if (result == InstallResult::Installed) {
        nRefresh = 2;
        QMetaObject::invokeMethod(this, &InstWindow::closeModalWindow, Qt::QueuedConnection);
        return;
    }
    // Nothing of the book is on the pen; the user may try again or cancel.
    showInfo(messageFor(result));
    prInstall->hide();
    setControlsEnabled(true);
}

void InstWindow::CancelBook() {
    if (copying_ || nRefresh != 0) return;
    nRefresh = 1;
    QMetaObject::invokeMethod(this, &InstWindow::closeModalWindow, Qt::QueuedConnection);
}

void InstWindow::closeModalWindow() {
    done(nRefresh);
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
    dtInfo->setText(QString::fromUtf8(text));
}

void InstWindow::setControlsEnabled(bool enabled) {
    btnCancel->setEnabled(enabled);
    btnInstall->setEnabled(enabled);
    dtBookOid->setEnabled(enabled);
}

void InstWindow::keepDrawn() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace penshelf
