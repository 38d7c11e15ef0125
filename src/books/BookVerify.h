#pragma once
// Reading every book package on a pen from its first byte to its last: which
// books read back whole, which cannot be read (and where), which are no book
// package, with each one's size and SHA-256 for comparing two passes. Reads
// only; nothing on the pen is written.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace penshelf {

struct VerifiedBook {
    enum class State {
        Readable,    // read to its end, and its header is a book package's
        Unreadable,  // a read failed: error and offset say which and where
        NotABook,    // read to its end, but its header is no book package's
    };
    std::string entry;  // NNN.vxr or NNN.vxs, as the folder names it
    State state = State::Readable;
    std::uint64_t size = 0;
    std::string sha256;  // of every byte; empty when Unreadable
    int error = 0;       // errno of the failed read
    std::uint64_t errorOffset = 0;
};

struct VerifyProgress {
    std::size_t book = 0;     // the book being read, counted from 0
    std::size_t books = 0;    // the books to read
    std::uint64_t done = 0;   // bytes of every book read so far
    std::uint64_t total = 0;  // bytes of every book
};

struct VerifyCallbacks {
    // Now and then while reading (at least when a book starts and ends).
    std::function<void(const VerifyProgress&)> progress;
    // Asked between blocks; true stops the pass there.
    std::function<bool()> cancelled;
};

struct VerifyReport {
    bool bookFolderFound = false;  // BOOK/ is there and is a folder of its own
    bool cancelled = false;
    std::vector<VerifiedBook> books;  // by entry name

    // Whether a book is Unreadable: damage, as a file-system check finds it.
    bool foundDamage() const;
};

// Reads every book package file (every regular NNN.vxr or NNN.vxs, whatever its
// header says) in the BOOK/ folder bookFolder, reached without following links.
VerifyReport verifyBooks(const std::string& bookFolder, const VerifyCallbacks& callbacks = {});

}  // namespace penshelf
