#pragma once
// A line of progress on standard error, redrawn in place, shown only where
// someone watches it: a captured stream or a pipe is no terminal.

#include "cli/PenSession.h"

#include <unistd.h>

#include <iostream>
#include <string>

namespace penshelf::cli {

class TerminalLine {
  public:
    explicit TerminalLine(Reply& reply)
        : err_(reply.err()), shown_(&reply.err() == &std::cerr && isatty(STDERR_FILENO) == 1) {}
    ~TerminalLine() { end(); }
    TerminalLine(const TerminalLine&) = delete;
    TerminalLine& operator=(const TerminalLine&) = delete;

    void show(const std::string& text) {
        if (!shown_) return;
        err_ << "\r\033[K" << text << std::flush;
        drawn_ = true;
    }
    // Leaves the line as it stands, so that what follows starts on a new one.
    void end() {
        if (drawn_) err_ << "\n" << std::flush;
        drawn_ = false;
    }

  private:
    std::ostream& err_;
    bool shown_;
    bool drawn_ = false;
};

}  // namespace penshelf::cli
