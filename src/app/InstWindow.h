#pragma once
// The install window: proposes a book package number, checks the number the
// user settles on and copies the package onto the pen with a progress bar.
// Its outcome is nRefresh, read by the caller after the modal run.

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
namespace Ui {
class InstWindow;
}

namespace penshelf {

class DefaultModeGate;

class InstWindow : public QDialog {
    Q_OBJECT
  public:
    explicit InstWindow(QWidget* parent = nullptr);
    ~InstWindow() override;

    // Set by the caller before showWindow(). The window keeps its own copy of
    // the pen's folder: the controller's may change while the window is open.
    std::string pathZiro;  // the pen's BOOK/ folder
    std::string pathBook;  // the package file chosen on the computer
    std::string nameBook;  // its whole name string, or empty
    // 0: nothing yet (also after a close by the title bar), 1: cancelled, 2: installed.
    std::int32_t nRefresh = 0;
    // Pen events waiting for the modal run to end; the one event-loop turn
    // before copying lets them through.
    DefaultModeGate* modeGate = nullptr;

    // The controls, named as the layout names them.
    QLabel* dtBookName;
    QLineEdit* dtBookOid;
    QLabel* ttBookOid;
    QLabel* dtInfo;
    QProgressBar* prInstall;
    QPushButton* btnInstall;
    QPushButton* btnCancel;

    // Loads the window on first use and runs it modally; returns when the
    // modal run has ended.
    void showWindow();
    // Fills in the name and the proposed number from the package's header.
    void windowDidLoad();

  public slots:
    // Checks the number, then copies the package onto the pen.
    void InstallBook();
    void CancelBook();
    // Ends the modal run; queued by InstallBook and CancelBook.
    void closeModalWindow();
    // Escape and the title bar end the modal run too, but not while copying.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void showInfo(const char* text);
    void setControlsEnabled(bool enabled);
    // Lets the window repaint during the copy, without taking input.
    void keepDrawn();

    std::unique_ptr<Ui::InstWindow> ui_;
    std::string extBook_;  // ".vxr" or ".vxs", decided when the window loads
    bool loaded_ = false;
    bool copying_ = false;
};

}  // namespace penshelf
