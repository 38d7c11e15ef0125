#pragma once
// The controller behind the main window: the pen table and pen list, the book
// table, the enabling rules and the three tabs.

#include "books/ListData.h"
#include "device/DefaultModeGate.h"
#include "device/Diagnostics.h"
#include "device/PenMonitor.h"
#include "device/PenRecord.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QMimeData;
class QTimer;
class QMainWindow;
class QSortFilterProxyModel;
namespace Ui {
class MainWindow;
}

namespace penshelf {

class BackupWindow;
class CheckWindow;
enum class RepairChoice;
class BookTableModel;
class InstWindow;
class Platform;
class PortalWeb;

// What the window asks of the user or of the world. Each one left unset
// does what the program does: a dialog, an alert, the web view or the
// vendor's service.
struct AppDelegateHooks {
    // Asks for the package file to install and calls chosen with its
    // path, or never when the user cancels. Unset: a file dialog.
    std::function<void(std::function<void(const QString& path)> chosen)> chooseBookFile{};
    // Asks whether to delete the book of this name. Unset: the removal alert.
    std::function<bool(const QString& name)> confirmRemoval{};
    // Tells that an eject failed while the pen is still mounted. Unset: an alert.
    std::function<void()> reportEjectFailure{};
    // Ask where a backup goes (proposing its folder's name) and which
    // backup to restore, and call chosen with the folder, or never when
    // the user cancels. Unset: a folder dialog.
    std::function<void(const QString& proposedName, std::function<void(const QString&)> chosen)>
        chooseBackupFolder{};
    std::function<void(std::function<void(const QString&)> chosen)> chooseRestoreFolder{};
    // Shows a portal page, or the local notice when there is none.
    // Unset: the web view.
    std::function<void(const std::optional<QUrl>& page)> showPortalPage{};
    // The portal address the service gives for a client ID and a kind,
    // or nothing. Unset: a getproxyurl call to the vendor's service.
    std::function<std::optional<std::string>(const std::string& clientId, int kind)> lookUpPortal{};
    // Asks whether to repair a damaged pen, and to back its books up first.
    // Unset: the check window's question.
    std::function<RepairChoice()> askRepair{};
};

class AppDelegate : public QObject {
    Q_OBJECT
  public:
    using Hooks = AppDelegateHooks;

    // diagnostics: where pen discovery writes its lines; attachWait: the
    // settling time after a USB attach; mountWait: the while left to other
    // automounters before a pen found without a volume is mounted.
    explicit AppDelegate(Platform& platform, Diagnostics diagnostics = standardDiagnostics(),
                         Hooks hooks = {}, UsbWatch::Wait attachWait = UsbWatch::settlingWait(),
                         UsbWatch::Wait mountWait = UsbWatch::settlingWait(AutoMount::defaultWait),
                         QObject* parent = nullptr);
    ~AppDelegate() override;

    // The main window; its widgets carry the object names of its layout.
    QMainWindow* window() const { return window_.get(); }

    // Start-up once the application object exists: arms the pen watch and
    // shows the pens found.
    void applicationDidFinishLaunching();

    // Arms the pen monitor's USB watch and identifies the pens attached already.
    void InitService();

    // Stores or drops a pen as identification and eject do; the list follows.
    void storePen(const PenRecord& record) { monitor_.storePen(record); }
    void removePen(const std::string& bsdName) { monitor_.removePen(bsdName); }

    // The portal address of a kind that the service gives now, or "".
    std::string GetProxy(const std::string& clientId, int type);
    // The selected pen's identity code (kept after the last pen has gone)
    // and its BOOK/ folder (empty while its volume is not mounted).
    const std::optional<std::string>& selectedPenCode() const { return orvCode; }
    const std::string& selectedBookFolder() const { return pathZiro; }

    // Runs the install window for one package file, then lists the books
    // again when it was installed.
    void installBookFile(const QString& path);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private slots:
    // Rebuilds the pen list from dataZiro, then lists the first pen's books.
    void InitZiro();
    // Shows the selected pen's code and free space and lists its books.
    void InitData();
    void OnComboboxChanged();
    void RefreshList();
    void EjectPen();
    void InstallBook();
    void RemoveBook();
    void ShowTabContent();
    void ShowTabBook();
    void ShowTabRepair();
    void tableViewSelectionDidChange();
    // The 点读笔 menu: the selected pen's books into a folder, and back.
    void backupBooks();
    void restoreBooks();
    // 检查点读笔…: the check window for the selected pen.
    void checkPen();
    // 复制点读包到其他点读笔…: asks for the pen to copy onto, then copies.
    void copyToOtherPen();
    // 全部弹出: every pen as 弹出 ejects it; one alert names those kept.
    void ejectAllPens();
    void installNextDroppedBook();
    // Looks whether the selected pen's volume has turned read-only, or
    // writable again, and shows it when it has.
    void pollPenWritable();

  private:
    enum class Tab { Content, Book, Repair };
    void showTab(Tab tab);
    // Asks the service for the portal page of a kind and shows it.
    void visitPortal(int kind);
    // The pen selected in the pen list, or none.
    const PenRecord* selectedPen() const;
    // The selected book row's index in dataBook, or -1.
    int selectedRow() const;
    void reloadBookTable();
    // The local .vxb files a drag carries, or none when it carries anything else.
    static QStringList droppedBookFiles(const QMimeData* mime);
    // Whether pathZiro is still the selected pen's BOOK/ folder.
    bool listedFolderIsThePens() const;
    // Whether the selected pen's volume refuses writes.
    bool selectedPenReadOnly() const;
    // Install, Remove and Restore by the enabling rules, all three off with
    // the reason as tooltip (and the line under the pen row) while the
    // selected pen is read-only.
    void updateWriteControls();
    // A book package downloaded from the portal goes to the install window,
    // once no other modal run is active; false when no pen can take it.
    bool installDownloadedBook(const QString& path);
    // Runs the backup window over folder for the selected pen; true when it
    // backed every book up, or restored. With copyTarget, the selected
    // pen's books are copied onto that pen through folder (or the cache).
    bool runBackupWindow(const QString& folder, bool restore, const std::string& copyTarget = {});
    // Runs the install window for a package, onto the selected pen or,
    // when pens is not empty, onto the pens of those keys.
    void installBookFileOn(const QString& path, const std::set<std::string>& pens);
    // The attached pens whose volume is mounted, in the list's order.
    struct MountedPen {
        std::string bsdName;
        std::string bookFolder;
        std::string identityCode;
        std::string freeSpace;
    };
    std::vector<MountedPen> mountedPens() const;
    // Asks which pens count dropped packages go to; none when cancelled.
    std::set<std::string> askPensForDrop(std::size_t count);
    // The hooks' defaults.
    void askForBookFile(const std::function<void(const QString&)>& chosen);
    static std::optional<std::string> askServiceForPortal(const std::string& clientId, int kind);

    Platform& platform_;
    Hooks hooks_;
    // Pen discovery, which the window follows. It and the tables come before
    // the window, which reads them until it has gone.
    PenMonitor monitor_;
    // The monitor's pen table: its key order is the pen list's order.
    const std::map<std::string, PenRecord>& dataZiro = monitor_.pens();
    // Pen attach and detach events wait here while a modal window or alert
    // runs; every modal run of the main window holds it.
    DefaultModeGate& modeGate = monitor_.gate();
    std::vector<ListData> dataBook;
    // The selected pen's BOOK/ folder; empty while its volume is not mounted.
    std::string pathZiro;
    // The selected pen's identity code; kept after the last pen has gone.
    std::optional<std::string> orvCode;

    std::unique_ptr<QMainWindow> window_;
    // The main window's widgets (listZiro, btnEject, listBook, ...), named as
    // the layout names them.
    std::unique_ptr<Ui::MainWindow> ui_;

    // The install window of the latest install, kept until the next install
    // replaces it. The main window owns it as its child.
    QPointer<InstWindow> instWindowController;
    // The window of the latest backup or restore, kept until the next one.
    QPointer<BackupWindow> backupWindowController;
    QPointer<CheckWindow> checkWindowController;

    BookTableModel* bookModel_;
    // The book table as shown: in the pen's order until a header is clicked.
    QSortFilterProxyModel* sortedBooks_;
    PortalWeb* portal_;
    // The kernel may turn a pen's file system read-only after an error while
    // the mount table still says "rw": a statvfs now and then tells.
    QTimer* writablePoll_;
    bool shownReadOnly_ = false;
    QString restoreTip_;                // the Restore action's own tooltip
    QString copyTip_;                   // and the copy's
    std::deque<QString> droppedBooks_;  // waiting for their install window
    bool installingDrops_ = false;
    // Tab presses while a portal call waits: the latest one wins.
    int portalRequests_ = 0;
    int wantedPortalKind_ = 0;
    bool portalCallRunning_ = false;
};

}  // namespace penshelf
