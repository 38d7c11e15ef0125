#pragma once
// The controller behind the main window: the pen table and pen list, the book
// table, the enabling rules and the three tabs.

#include "books/ListData.h"
#include "device/DefaultModeGate.h"
#include "device/PenRecord.h"

#include <QObject>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QTableView;
class QWebEngineView;
namespace Ui {
class MainWindow;
}

namespace penshelf {

class BookTableModel;
class Volumes;

class AppDelegate : public QObject, public PenTable {
    Q_OBJECT
  public:
    explicit AppDelegate(const Volumes& volumes, QObject* parent = nullptr);
    ~AppDelegate() override;

    QMainWindow* window() const { return window_.get(); }

    // Start-up once the application object exists: arms the pen watch and
    // shows the pens found.
    void applicationDidFinishLaunching();

    // Rebuilds the pen list from dataZiro, then lists the first pen's books.
    void InitZiro();
    // Shows the selected pen's code and free space and lists its books.
    void InitData();

    void storePen(const PenRecord& record) override;

    // The main window's widgets, named as the layout names them.
    QComboBox* listZiro;
    QLineEdit* snZiro;
    QLineEdit* fsZiro;
    QPushButton* btnRefresh;
    QPushButton* btnEject;
    QTableView* listBook;
    QPushButton* btnInstall;
    QPushButton* btnRemove;
    QGroupBox* boxBook;
    QWebEngineView* webView;
    QPushButton* tabContent;
    QPushButton* tabBook;
    QPushButton* tabRepair;

    // The pen table: its key order is the pen list's order.
    std::map<std::string, PenRecord> dataZiro;
    std::vector<ListData> dataBook;
    // The selected pen's BOOK/ folder; empty while its volume is not mounted.
    std::string pathZiro;
    // The selected pen's identity code; kept after the last pen has gone.
    std::optional<std::string> orvCode;

    // Pen attach and detach events wait here while a modal window or alert
    // runs; every modal run of the main window holds it.
    DefaultModeGate modeGate;

  public slots:
    void OnComboboxChanged();
    void RefreshList();
    void EjectPen();
    void InstallBook();
    void RemoveBook();
    void ShowTabContent();
    void ShowTabBook();
    void ShowTabRepair();
    void tableViewSelectionDidChange();

  private:
    enum class Tab { Content, Book, Repair };
    void showTab(Tab tab);
    // The selected book row's index, or -1.
    int selectedRow() const;
    void reloadBookTable();

    const Volumes& volumes_;
    std::unique_ptr<QMainWindow> window_;
    std::unique_ptr<Ui::MainWindow> ui_;
    BookTableModel* bookModel_;
};

}  // namespace penshelf
