#pragma once
// What happens before the window opens: --help and --version are answered
// without a display, and a display that cannot be opened is told in one line
// instead of Qt's abort.

#include <QtGlobal>

namespace penshelf {

// Answers --help or --version on standard output and exits with status 0;
// returns otherwise. Other options are left alone: Qt takes its own
// (-platform, -style) and Qt WebEngine Chromium's switches.
void answerInfoOptions(int argc, char** argv);

// While it lives (around the application's construction), Qt's fatal "no
// platform plugin could be initialized" becomes one line on standard error
// and exit status 1. The platform plugins' warnings are held back meanwhile
// and passed on when a display was opened after all.
class DisplayFailureGuard {
  public:
    DisplayFailureGuard();
    ~DisplayFailureGuard();
    DisplayFailureGuard(const DisplayFailureGuard&) = delete;
    DisplayFailureGuard& operator=(const DisplayFailureGuard&) = delete;

  private:
    QtMessageHandler previous_;
};

}  // namespace penshelf
