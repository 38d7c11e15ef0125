#pragma once
// The window of 检查点读笔…: the pen's books read back on a progress bar with
// 取消, the file system checked (the pen unmounted meanwhile, as the window
// says first), and, when it is damaged, 修复… after a question that offers a
// backup first; at the end a summary of what was found, what the repair did
// and each book it changed.

#include "device/PenCheck.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace Ui {
class CheckWindow;
}

namespace penshelf {

class Platform;

// What the user answers to the question before a repair.
enum class RepairChoice { BackUpFirst, RepairNow, Cancel };

class CheckWindow : public QDialog {
    Q_OBJECT
  public:
    // What the window asks of the outside.
    struct Hooks {
        // Asks whether to repair, and to back up first. Unset: a message box.
        std::function<RepairChoice()> askRepair{};
        // Backs the pen's books up and calls done with whether the backup
        // ended whole, or never when the user gave up choosing a folder.
        // Unset: no backup is offered.
        std::function<void(std::function<void(bool backedUp)> done)> backUp{};
    };

    CheckWindow(Platform& platform, const std::string& bsdName, Hooks hooks,
                QWidget* parent = nullptr);
    ~CheckWindow() override;

    // Starts reading the books; the file-system check follows.
    void start();
    // 修复…: the question, then perhaps a backup, then the repair.
    void askAndRepair();

    const PenCheckReport& report() const { return check_.report(); }
    bool running() const;

    // Escape and the title bar stop a reading, and close once nothing runs.
    void reject() override;

  private:
    void showStage(PenCheck::Stage stage);
    void showProgress(quint64 done, quint64 total, int book, int books);
    void showReport();
    void startRepair();

    std::unique_ptr<Ui::CheckWindow> ui_;
    Hooks hooks_;
    PenCheck check_;
    bool backingUp_ = false;
    bool backedUp_ = false;  // before the repair
};

}  // namespace penshelf
