#pragma once
// The install window: proposes a book package number, checks the number the
// user settles on and copies the package onto the pen with a progress bar.
// With other pens ticked it copies onto them too, in parallel on a thread of
// its own, a progress bar per pen, and sums up per pen at the end.
// Its outcome is nRefresh(), read by the caller after the modal run.

#include "books/InstallPlan.h"
#include "books/ManyPensInstall.h"

#include <QDialog>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QLabel;
class QProgressBar;

namespace Ui {
class InstWindow;
}

namespace penshelf {

class DefaultModeGate;

class InstWindow : public QDialog {
    Q_OBJECT
  public:
    // What the caller hands over. The window keeps its own copy of the pen's
    // folder: the controller's may change while the window is open.
    struct Inputs {
        std::string pathZiro;  // the pen's BOOK/ folder
        std::string pathBook;  // the package file chosen on the computer
        std::string nameBook;  // its whole name string, or empty
        // Pen events waiting for the modal run to end; the one event-loop
        // turn before copying lets them through.
        DefaultModeGate* modeGate = nullptr;
        // Whether the pen's volume refuses writes now, as the platform sees it
        // (statvfs alone may not): asked when the window loads and before
        // each copy.
        std::function<bool()> penReadOnly{};
        std::string penCode{};  // the pen's identity code, for its row when others are ticked
        // The other pens attached with a volume, offered besides; ticked
        // ones are ticked when the window opens.
        struct OtherPen {
            std::string bookFolder;
            std::string identityCode;
            std::string freeSpace;  // as the main window shows it
            std::function<bool()> refusesWrites{};
            bool ticked = false;
        };
        std::vector<OtherPen> otherPens{};
    };
    // The window's outcome, as the numbers the controller reads.
    enum class Outcome : std::int32_t {
        None = 0,  // nothing yet, also after a close by the title bar or Escape
        Cancelled = 1,
        Installed = 2,
    };

    explicit InstWindow(Inputs inputs, QWidget* parent = nullptr);
    // Stops copies still running and waits for them.
    ~InstWindow() override;

    Outcome nRefresh() const { return nRefresh_; }

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
    // The window as it is during the copy, drawn once before the first chunk.
    void startCopy(std::int64_t chunks);
    InstallOutcome copy(InstallPlan& plan);
    void showInfo(const char* text);
    void setControlsEnabled(bool enabled);
    // Lets the window repaint during the copy, without taking input.
    void keepDrawn();
    std::vector<std::size_t> tickedPens() const;
    // The copy onto the window's pen (its number exact) and the ticked pens
    // (the number, or the lowest free one where it is taken).
    void startManyPens(const std::string& number, const std::vector<std::size_t>& ticked);
    // From a pen's thread: a bar moves, now and then.
    void postProgress(std::size_t pen, std::int64_t chunk, bool always);
    void manyPensDone(const std::vector<PenInstallStep>& steps, const std::vector<QString>& codes);

    std::unique_ptr<Ui::InstWindow> ui_;
    const Inputs inputs_;
    Outcome nRefresh_ = Outcome::None;
    InstallPackage package_;  // read when the window loads
    bool loaded_ = false;
    bool copying_ = false;
    bool summarised_ = false;  // the copy onto several pens is over: Cancel closes
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::vector<QProgressBar*> penBars_;
    // Per pen, touched only from that pen's thread.
    std::vector<std::int64_t> chunkCounts_, lastPostMs_;
};

}  // namespace penshelf
