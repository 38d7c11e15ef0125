#include "app/AppDelegate.h"

#include "app/AccessibleRoles.h"
#include "app/Alerts.h"
#include "app/BackupWindow.h"
#include "app/CheckWindow.h"
#include "app/DesktopNotifications.h"
#include "app/BookTableModel.h"
#include "app/PortalAddress.h"
#include "app/PortalWeb.h"
#include "app/InstWindow.h"
#include "app/PenChooser.h"
#include "app/WindowTexts.h"
#include "books/BookHeader.h"
#include "books/BookRemoval.h"
#include "books/Catalogue.h"
#include "books/FreeSpace.h"
#include "books/Text.h"
#include "books/Volumes.h"
#include "device/Platform.h"
#include "soap/DebugLog.h"
#include "soap/PagorFunc.h"
#include "soap/ServiceEndpoint.h"
#include "ui_MainWindow.h"

#include <QDate>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMainWindow>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <QWebEngineView>

#include <ctime>
#include <iterator>

namespace penshelf {
namespace {

// A statvfs and a look at the mount table cost microseconds: the window may
// ask often.
constexpr int writablePollMs = 2000;

// The identity code as the window shows it, or "" when it is no text.
std::string codeOf(const PenRecord& pen) {
    const std::string code = pen.identityCodeBytes();
    return isValidUtf8(code) ? code : std::string();
}

}  // namespace

AppDelegate::AppDelegate(Platform& platform, Diagnostics diagnostics, Hooks hooks,
                         UsbWatch::Wait attachWait, UsbWatch::Wait mountWait, QObject* parent)
    : QObject(parent),
      platform_(platform),
      hooks_(std::move(hooks)),
      monitor_(platform, diagnostics,
               {.attachWait = std::move(attachWait), .mountWait = std::move(mountWait)}),
      window_(std::make_unique<QMainWindow>()),
      ui_(std::make_unique<Ui::MainWindow>()) {
    installAccessibleRoles();
    ui_->setupUi(window_.get());
    if (!hooks_.chooseBookFile) {
        hooks_.chooseBookFile = [this](auto chosen) { askForBookFile(chosen); };
    }
    if (!hooks_.confirmRemoval) {
        hooks_.confirmRemoval = [this](const QString& name) {
            return runRemovalAlert(name, window_.get());
        };
    }
    if (!hooks_.reportEjectFailure) {
        hooks_.reportEjectFailure = [this] { showEjectFailedAlert(window_.get()); };
    }
    if (!hooks_.chooseBackupFolder) {
        hooks_.chooseBackupFolder = [this](const QString& name, auto chosen) {
            askForBackupFolder(window_.get(), name, chosen);
        };
    }
    if (!hooks_.chooseRestoreFolder) {
        hooks_.chooseRestoreFolder = [this](auto chosen) {
            askForRestoreFolder(window_.get(), chosen);
        };
    }
    if (!hooks_.showPortalPage) {
        hooks_.showPortalPage = [this](const std::optional<QUrl>& page) {
            if (page) {
                portal_->load(*page);
            } else {
                portal_->showNotice();
            }
        };
    }
    if (!hooks_.lookUpPortal) hooks_.lookUpPortal = askServiceForPortal;

    portal_ = new PortalWeb(
        ui_->webView, ui_->listDownload,
        {.bookArrived = [this](const QString& path) { return installDownloadedBook(path); }}, this);

    bookModel_ = new BookTableModel(dataBook, this);
    sortedBooks_ = new QSortFilterProxyModel(this);
    sortedBooks_->setSourceModel(bookModel_);
    sortedBooks_->setSortLocaleAware(true);
    ui_->listBook->setModel(sortedBooks_);
    QHeaderView* header = ui_->listBook->horizontalHeader();
    header->setSectionResizeMode(BookTableModel::NameColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(BookTableModel::StatColumn, QHeaderView::ResizeToContents);
    // The rows come in the pen's own order, without a sort indicator, until
    // the user clicks a column's header.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    ui_->listBook->setSortingEnabled(true);

    // activated comes from the user only, not from InitZiro's own selection.
    connect(ui_->listZiro, &QComboBox::activated, this, &AppDelegate::OnComboboxChanged);
    connect(ui_->btnRefresh, &QPushButton::clicked, this, &AppDelegate::RefreshList);
    connect(ui_->btnEject, &QPushButton::clicked, this, &AppDelegate::EjectPen);
    connect(ui_->btnInstall, &QPushButton::clicked, this, &AppDelegate::InstallBook);
    connect(ui_->btnRemove, &QPushButton::clicked, this, &AppDelegate::RemoveBook);
    connect(ui_->tabContent, &QPushButton::clicked, this, &AppDelegate::ShowTabContent);
    connect(ui_->tabBook, &QPushButton::clicked, this, &AppDelegate::ShowTabBook);
    connect(ui_->tabRepair, &QPushButton::clicked, this, &AppDelegate::ShowTabRepair);
    connect(ui_->actBackup, &QAction::triggered, this, &AppDelegate::backupBooks);
    connect(ui_->actRestore, &QAction::triggered, this, &AppDelegate::restoreBooks);
    connect(ui_->actCheck, &QAction::triggered, this, &AppDelegate::checkPen);
    connect(ui_->actCopyPens, &QAction::triggered, this, &AppDelegate::copyToOtherPen);
    connect(ui_->actEjectAll, &QAction::triggered, this, &AppDelegate::ejectAllPens);
    // Delete on a selected book asks as 删除点读包 does; F5 refreshes as 刷新.
    connect(
        new QShortcut(QKeySequence::Delete, ui_->listBook, nullptr, nullptr, Qt::WidgetShortcut),
        &QShortcut::activated, this, [this] {
            if (ui_->btnRemove->isEnabled()) RemoveBook();
        });
    connect(new QShortcut(Qt::Key_F5, window_.get()), &QShortcut::activated, this, [this] {
        if (ui_->btnRefresh->isEnabled()) RefreshList();
    });
    // Book packages dropped on the window are installed on the selected pen,
    // or on the pens the user picks when there are several.
    window_->setAcceptDrops(true);
    window_->installEventFilter(this);
    connect(ui_->listBook->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &AppDelegate::tableViewSelectionDidChange);

    connect(&monitor_, &PenMonitor::pensChanged, this, &AppDelegate::InitZiro);

    ui_->penReadOnly->setText(texts::translated(texts::penReadOnlyLine));
    restoreTip_ = ui_->actRestore->toolTip();
    copyTip_ = ui_->actCopyPens->toolTip();
    // A disabled command says why only where the menu shows tooltips.
    ui_->menuPen->setToolTipsVisible(true);
    writablePoll_ = new QTimer(this);
    connect(writablePoll_, &QTimer::timeout, this, &AppDelegate::pollPenWritable);
    writablePoll_->start(writablePollMs);

    showTab(Tab::Content);
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    dataBook.clear();
    InitService();
    InitZiro();
}

void AppDelegate::InitService() {
    monitor_.start();
}

void AppDelegate::InitZiro() {
    ui_->listZiro->clear();
    if (dataZiro.empty()) {
        ui_->listZiro->addItem(texts::translated(texts::connectPenPrompt));
        ui_->listZiro->setCurrentIndex(0);
        ui_->snZiro->clear();
        ui_->fsZiro->clear();
        ui_->snZiro->setEnabled(false);
        ui_->fsZiro->setEnabled(false);
        ui_->btnEject->setEnabled(false);
        ui_->actEjectAll->setEnabled(false);
        dataBook.clear();
        reloadBookTable();
        return;  // orvCode and pathZiro keep the last pen's values
    }
    for (const auto& [key, pen] : dataZiro) {
        ui_->listZiro->addItem(
            QString::fromStdString(pen.displayName + " " + pen.product + " " + pen.revision));
        // Pens of one model read alike: the code tells them apart.
        const QString code = QString::fromStdString(codeOf(pen));
        const int item = ui_->listZiro->count() - 1;
        ui_->listZiro->setItemData(item, code, Qt::ToolTipRole);
        ui_->listZiro->setItemData(item, code, Qt::AccessibleDescriptionRole);
    }
    ui_->listZiro->setCurrentIndex(0);
    ui_->snZiro->setEnabled(true);
    ui_->fsZiro->setEnabled(true);
    ui_->btnEject->setEnabled(true);
    ui_->actEjectAll->setEnabled(true);
    InitData();
}

const PenRecord* AppDelegate::selectedPen() const {
    const int i = ui_->listZiro->currentIndex();
    if (i < 0 || static_cast<size_t>(i) >= dataZiro.size()) return nullptr;
    return &std::next(dataZiro.begin(), i)->second;
}

void AppDelegate::InitData() {
    dataBook.clear();
    const PenRecord* selected = selectedPen();
    if (!selected) {
        reloadBookTable();
        return;
    }
    const PenRecord& pen = *selected;

    const std::string code = pen.identityCodeBytes();
    if (isValidUtf8(code)) {
        orvCode = code;
    } else {
        orvCode.reset();
    }
    ui_->snZiro->setText(QString::fromStdString(orvCode.value_or("")));

    pathZiro = penBookFolder(platform_.volumes(), pen.bsdName);
    ui_->fsZiro->setText(QString::fromStdString(GetFreeSpaceText(pathZiro)));

    dataBook = listBookFolder(pathZiro);
    reloadBookTable();
}

void AppDelegate::reloadBookTable() {
    bookModel_->reload();
    ui_->listBook->clearSelection();
    // Backing up and restoring need the selected pen's volume mounted.
    ui_->actBackup->setEnabled(listedFolderIsThePens());
    // A pen without a volume can still have its file system checked.
    ui_->actCheck->setEnabled(selectedPen() != nullptr);
    const bool twoPens = dataZiro.size() >= 2;
    ui_->actCopyPens->setEnabled(twoPens && listedFolderIsThePens());
    ui_->actCopyPens->setToolTip(!twoPens ? texts::translated(texts::copyNeedsTwoPens)
                                 : !listedFolderIsThePens()
                                     ? texts::translated(texts::copyNeedsVolume)
                                     : copyTip_);
    updateWriteControls();
}

int AppDelegate::selectedRow() const {
    // The table may show the rows sorted; dataBook keeps the pen's order.
    const QModelIndexList rows = ui_->listBook->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : sortedBooks_->mapToSource(rows.first()).row();
}

void AppDelegate::tableViewSelectionDidChange() {
    updateWriteControls();
}

bool AppDelegate::selectedPenReadOnly() const {
    const PenRecord* pen = selectedPen();
    return pen && platform_.volumes().isReadOnly(pen->bsdName);
}

void AppDelegate::updateWriteControls() {
    const bool readOnly = selectedPenReadOnly();
    shownReadOnly_ = readOnly;
    ui_->penReadOnly->setVisible(readOnly);
    // This goes beyond the usual enabling rules: a write that must fail is
    // not offered.
    ui_->btnInstall->setEnabled(!dataZiro.empty() && !readOnly);
    ui_->btnRemove->setEnabled(selectedRow() >= 0 && !readOnly);
    ui_->actRestore->setEnabled(listedFolderIsThePens() && !readOnly);
    const QString why = readOnly ? texts::translated(texts::penReadOnlyTip) : QString();
    ui_->btnInstall->setToolTip(why);
    ui_->btnRemove->setToolTip(why);
    ui_->actRestore->setToolTip(readOnly ? why : restoreTip_);
}

void AppDelegate::pollPenWritable() {
    if (selectedPenReadOnly() != shownReadOnly_) updateWriteControls();
}

void AppDelegate::OnComboboxChanged() {
    InitData();
}

void AppDelegate::RefreshList() {
    InitData();
}

void AppDelegate::EjectPen() {
    if (!selectedPen()) return;
    const PenRecord pen = *selectedPen();

    // Pen events wait until the alert has been answered too.
    const auto modal = modeGate.enterModal();
    const QStringList name{QString::fromStdString(pen.displayName + " ") +
                           penCodeText(codeOf(pen))};
    const EjectOutcome outcome = monitor_.eject(pen.bsdName);
    notifyEjected(outcome == EjectOutcome::Ejected ? name : QStringList(),
                  outcome == EjectOutcome::Ejected ? QStringList() : name);
    if (outcome == EjectOutcome::StillMounted) hooks_.reportEjectFailure();
}

bool AppDelegate::listedFolderIsThePens() const {
    const PenRecord* pen = selectedPen();
    return pen && !pathZiro.empty() && penBookFolder(platform_.volumes(), pen->bsdName) == pathZiro;
}

std::vector<AppDelegate::MountedPen> AppDelegate::mountedPens() const {
    std::vector<MountedPen> pens;
    for (const auto& [key, pen] : dataZiro) {
        std::string folder = penBookFolder(platform_.volumes(), pen.bsdName);
        if (folder.empty()) continue;
        std::string space = GetFreeSpaceText(folder);
        pens.push_back({key, std::move(folder), codeOf(pen), std::move(space)});
    }
    return pens;
}

void AppDelegate::installBookFile(const QString& path) {
    installBookFileOn(path, {});
}

void AppDelegate::installBookFileOn(const QString& path, const std::set<std::string>& pens) {
    if (!isBookPackageSource(QFile::encodeName(path).toStdString())) return;
    if (!listedFolderIsThePens()) {
        // The pen was pulled out or mounted elsewhere since the list was
        // made; another disk may sit at its old place now.
        InitData();
        return;
    }
    // The window's own pen is the selected one, unless a drop left it out.
    std::string windowPen = selectedPen()->bsdName;
    if (!pens.empty() && !pens.contains(windowPen)) windowPen = *pens.begin();
    std::string bookFolder, code;
    std::vector<InstWindow::Inputs::OtherPen> others;
    for (MountedPen& pen : mountedPens()) {
        if (pen.bsdName == windowPen) {
            bookFolder = pen.bookFolder;
            code = pen.identityCode;
            continue;
        }
        others.push_back(
            {.bookFolder = std::move(pen.bookFolder),
             .identityCode = std::move(pen.identityCode),
             .freeSpace = std::move(pen.freeSpace),
             .refusesWrites =
                 [this, bsdName = pen.bsdName] { return platform_.volumes().isReadOnly(bsdName); },
             .ticked = pens.contains(pen.bsdName)});
    }
    if (bookFolder.empty()) return;  // the pen chosen for a drop has gone since
    if (instWindowController) {
        instWindowController->close();
        delete instWindowController.data();
    }
    const std::string pathBook = QFile::encodeName(path).toStdString();
    const QPointer<InstWindow> inst = new InstWindow(
        {.pathZiro = bookFolder,
         .pathBook = pathBook,
         .nameBook = GetBookName(pathBook).value_or(""),
         .modeGate = &modeGate,
         .penReadOnly = [this,
                         bsdName = windowPen] { return platform_.volumes().isReadOnly(bsdName); },
         .penCode = code,
         .otherPens = std::move(others)},
        window_.get());
    instWindowController = inst;
    {
        const auto modal = modeGate.enterModal();
        inst->showWindow();
    }
    // A copy the pen refused as read-only shows the line at once.
    if (inst && inst->nRefresh() == InstWindow::Outcome::Installed) {
        InitData();
    } else {
        updateWriteControls();
    }
}

void AppDelegate::InstallBook() {
    // The install window runs its own modal loop, so it starts only once the
    // file dialog has closed and its signal has returned.
    const auto chosen = [this](const QString& path) {
        QMetaObject::invokeMethod(
            this, [this, path] { installBookFile(path); }, Qt::QueuedConnection);
    };
    hooks_.chooseBookFile(chosen);
}

void AppDelegate::askForBookFile(const std::function<void(const QString&)>& chosen) {
    // A QFileDialog has no message line: the prompt is its title.
    auto* panel = new QFileDialog(window_.get(), texts::translated(texts::chooseBookPrompt));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setAcceptMode(QFileDialog::AcceptOpen);
    panel->setFileMode(QFileDialog::ExistingFile);
    panel->setNameFilter(texts::translated(texts::bookFileFilter));
    connect(panel, &QFileDialog::fileSelected, this, chosen);
    panel->open();  // window-modal over the main window
}

void AppDelegate::backupBooks() {
    if (!listedFolderIsThePens()) return InitData();
    const auto chosen = [this](const QString& folder) {
        QMetaObject::invokeMethod(
            this, [this, folder] { runBackupWindow(folder, false); }, Qt::QueuedConnection);
    };
    const QString name = BackupWindow::proposedFolderName(orvCode, QDate::currentDate());
    hooks_.chooseBackupFolder(name, chosen);
}

void AppDelegate::restoreBooks() {
    if (!listedFolderIsThePens()) return InitData();
    const auto chosen = [this](const QString& folder) {
        QMetaObject::invokeMethod(
            this, [this, folder] { runBackupWindow(folder, true); }, Qt::QueuedConnection);
    };
    hooks_.chooseRestoreFolder(chosen);
}

bool AppDelegate::runBackupWindow(const QString& folder, bool restore,
                                  const std::string& copyTarget) {
    // The pen may have gone while the dialog was open.
    const std::string targetFolder =
        copyTarget.empty() ? std::string() : penBookFolder(platform_.volumes(), copyTarget);
    if (!listedFolderIsThePens() || (!copyTarget.empty() && targetFolder.empty())) {
        InitData();
        return false;
    }
    const PenRecord& pen = *selectedPen();
    if (backupWindowController) {
        backupWindowController->close();
        delete backupWindowController.data();
    }
    const QPointer<BackupWindow> backup = new BackupWindow(window_.get());
    backupWindowController = backup;
    const std::string path = QFile::encodeName(folder).toStdString();
    const BackupRequest request{
        .bookFolder = pathZiro,
        .folder = path,
        .identityCode = orvCode,
        .product = isValidUtf8(pen.product) ? std::optional(pen.product) : std::nullopt,
        .when = std::time(nullptr)};
    if (!copyTarget.empty()) {
        backup->startCopy(request, targetFolder);
    } else if (restore) {
        backup->startRestore(path, pathZiro);
    } else {
        backup->startBackup(request);
    }
    {
        const auto modal = modeGate.enterModal();
        backup->exec();
    }
    if (backup && backup->penChanged()) {
        InitData();
    } else {
        updateWriteControls();
    }
    return backup && (restore ? backup->penChanged() : backup->backedUpWhole());
}

void AppDelegate::copyToOtherPen() {
    if (!listedFolderIsThePens()) return InitData();
    const std::string source = selectedPen()->bsdName;
    std::vector<PenChooser::Pen> targets;
    for (const MountedPen& pen : mountedPens()) {
        if (pen.bsdName != source) {
            targets.push_back({pen.bsdName, pen.identityCode, pen.freeSpace});
        }
    }
    PenChooser chooser(
        PenChooser::Mode::OnePen, texts::translated(texts::copyPensTitle),
        texts::translated(texts::copyTargetPrompt).arg(penCodeText(orvCode.value_or(""))), targets,
        window_.get());
    {
        const auto modal = modeGate.enterModal();
        if (chooser.exec() != QDialog::Accepted || chooser.chosen().empty()) return;
    }
    const std::string target = chooser.chosen().front();
    if (!chooser.keepBackup()) return void(runBackupWindow({}, false, target));
    const QString name = BackupWindow::proposedFolderName(orvCode, QDate::currentDate());
    hooks_.chooseBackupFolder(name, [this, target](const QString& folder) {
        QMetaObject::invokeMethod(
            this, [this, folder, target] { runBackupWindow(folder, false, target); },
            Qt::QueuedConnection);
    });
}

void AppDelegate::ejectAllPens() {
    const auto modal = modeGate.enterModal();
    std::vector<std::pair<std::string, QString>> pens;
    for (const auto& [key, pen] : dataZiro) {
        pens.emplace_back(key,
                          QString::fromStdString(pen.displayName + " ") + penCodeText(codeOf(pen)));
    }
    QStringList kept, ejected, failed;
    for (const auto& [bsdName, name] : pens) {
        const EjectOutcome outcome = monitor_.eject(bsdName);
        if (outcome == EjectOutcome::StillMounted) kept << name;
        (outcome == EjectOutcome::Ejected ? ejected : failed) << name;
    }
    notifyEjected(ejected, failed);
    if (!kept.isEmpty()) showPensKeptAlert(kept, window_.get());
}

void AppDelegate::checkPen() {
    const PenRecord* pen = selectedPen();
    if (!pen) return;
    if (checkWindowController) {
        checkWindowController->close();
        delete checkWindowController.data();
    }
    const auto backUp = [this](std::function<void(bool)> done) {
        if (!listedFolderIsThePens()) return done(false);
        const QString name = BackupWindow::proposedFolderName(orvCode, QDate::currentDate());
        hooks_.chooseBackupFolder(name, [this, done](const QString& folder) {
            QMetaObject::invokeMethod(
                this, [this, folder, done] { done(runBackupWindow(folder, false)); },
                Qt::QueuedConnection);
        });
    };
    const QPointer<CheckWindow> check = new CheckWindow(
        platform_, pen->bsdName, {.askRepair = hooks_.askRepair, .backUp = backUp}, window_.get());
    checkWindowController = check;
    check->start();
    {
        const auto modal = modeGate.enterModal();
        check->exec();
    }
    // The pen was unmounted for the check, and may be mounted elsewhere now.
    InitData();
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_.get()) return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::KeyPress: {
            // A main window has no default button: Enter presses the focused
            // button, as Space does.
            const int key = static_cast<QKeyEvent*>(event)->key();
            auto* button = qobject_cast<QPushButton*>(window_->focusWidget());
            if ((key != Qt::Key_Return && key != Qt::Key_Enter) || !button ||
                !button->isEnabled()) {
                return false;
            }
            button->click();
            return true;
        }
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (!droppedBookFiles(drag->mimeData()).isEmpty() && ui_->btnInstall->isEnabled()) {
                drag->acceptProposedAction();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QStringList files = droppedBookFiles(drop->mimeData());
            if (files.isEmpty() || !ui_->btnInstall->isEnabled()) return true;
            drop->acceptProposedAction();
            // Installed one after another, each through its own install
            // window, once the drop itself has finished.
            for (const QString& file : files) droppedBooks_.push_back(file);
            QMetaObject::invokeMethod(this, &AppDelegate::installNextDroppedBook,
                                      Qt::QueuedConnection);
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
    }
}

QStringList AppDelegate::droppedBookFiles(const QMimeData* mime) {
    QStringList files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls()) {
        const QString file = url.toLocalFile();
        // Every file must be a book package, or the drop is refused whole.
        if (!url.isLocalFile() || !isBookPackageSource(QFile::encodeName(file).toStdString())) {
            return {};
        }
        files << file;
    }
    return files;
}

void AppDelegate::installNextDroppedBook() {
    if (droppedBooks_.empty() || installingDrops_) return;
    installingDrops_ = true;
    // With several pens the user says once which of them get the drop.
    std::set<std::string> pens;
    if (mountedPens().size() > 1) {
        pens = askPensForDrop(droppedBooks_.size());
        if (pens.empty()) droppedBooks_.clear();
    }
    while (!droppedBooks_.empty() && ui_->btnInstall->isEnabled()) {
        const QString file = droppedBooks_.front();
        droppedBooks_.pop_front();
        installBookFileOn(file, pens);
    }
    droppedBooks_.clear();  // the pen went away: the rest has nowhere to go
    installingDrops_ = false;
}

std::set<std::string> AppDelegate::askPensForDrop(std::size_t count) {
    const PenRecord* selected = selectedPen();
    std::vector<PenChooser::Pen> pens;
    for (const MountedPen& pen : mountedPens()) {
        pens.push_back({pen.bsdName, pen.identityCode, pen.freeSpace,
                        selected && pen.bsdName == selected->bsdName});
    }
    PenChooser chooser(PenChooser::Mode::SeveralPens, texts::translated(texts::dropPensTitle),
                       texts::translated(texts::dropPensPrompt).arg(count), pens, window_.get());
    const auto modal = modeGate.enterModal();
    if (chooser.exec() != QDialog::Accepted) return {};
    const std::vector<std::string> chosen = chooser.chosen();
    return {chosen.begin(), chosen.end()};
}

bool AppDelegate::installDownloadedBook(const QString& path) {
    if (!listedFolderIsThePens()) return false;
    // Starting from the event loop, the window neither runs inside the
    // download's signal nor replaces an install window that is still open.
    modeGate.deliver([this, path] {
        QMetaObject::invokeMethod(
            this,
            [this, path] {
                if (modeGate.isHeld()) {
                    installDownloadedBook(path);
                } else {
                    installBookFile(path);
                }
            },
            Qt::QueuedConnection);
    });
    return true;
}

void AppDelegate::RemoveBook() {
    const int row = selectedRow();
    if (row < 0 || static_cast<size_t>(row) >= dataBook.size()) return;
    const ListData book = dataBook[static_cast<size_t>(row)];

    const auto modal = modeGate.enterModal();
    const QString name = QString::fromStdString(book.name);
    if (!hooks_.confirmRemoval(name)) return;
    // Nothing is reported: the refreshed list shows what is really on the
    // pen, and a pen that refused as read-only shows its line. A pen pulled
    // out meanwhile may have left its mount point to another disk, where
    // nothing is deleted.
    if (listedFolderIsThePens()) removeBookFile(pathZiro, book.file);
    InitData();
}

void AppDelegate::ShowTabContent() {
    showTab(Tab::Content);
}

void AppDelegate::ShowTabBook() {
    showTab(Tab::Book);
    visitPortal(portal::bookKind);
}

void AppDelegate::ShowTabRepair() {
    showTab(Tab::Repair);
    visitPortal(portal::repairKind);
}

void AppDelegate::visitPortal(int kind) {
    ++portalRequests_;
    wantedPortalKind_ = kind;
    // The call below turns the event loop while it waits, and the user may
    // press a tab again meanwhile: that press only leaves its wish here, and
    // the waiting call is followed by one for the latest wish.
    if (portalCallRunning_) return;
    portalCallRunning_ = true;
    for (;;) {
        const int request = portalRequests_;
        const std::string base = GetProxy(portal::clientId, wantedPortalKind_);
        if (request != portalRequests_) continue;
        // orvCode is read only now: a pen attached during the call counts.
        const std::string address = portalAddress(base, orvCode);
        const std::optional<QUrl> page = portalUrl(address);
        hooks_.showPortalPage(page);
        soap::debugLog(portal::logPrefix + address);
        break;
    }
    portalCallRunning_ = false;
}

std::string AppDelegate::GetProxy(const std::string& clientId, int type) {
    return hooks_.lookUpPortal(clientId, type).value_or("");
}

std::optional<std::string> AppDelegate::askServiceForPortal(const std::string& clientId, int kind) {
    // The default service cannot be reached: the notice says what is missing.
    if (qEnvironmentVariableIsEmpty(soap::serviceUrlVariable)) return std::nullopt;
    const std::shared_ptr<soap::PagorFuncBinding> binding = soap::PagorFunc::PagorFuncBinding();
    binding->setLogXMLInOut(false);
    return proxyAddressIn(binding->getproxyurlUsingStrcid(clientId, kind));
}

void AppDelegate::showTab(Tab tab) {
    ui_->tabContent->setChecked(tab == Tab::Content);
    ui_->tabBook->setChecked(tab == Tab::Book);
    ui_->tabRepair->setChecked(tab == Tab::Repair);
    ui_->boxBook->setVisible(tab == Tab::Content);
    ui_->webView->setVisible(tab != Tab::Content);
}

}  // namespace penshelf
