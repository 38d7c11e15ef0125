#pragma once
// The SHA-256 of a file being copied, computed on a thread of its own: the
// copy reads and writes the next block while the last one is hashed, so the
// digest costs no time of its own on a machine with two cores.

#include "books/Sha256.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

namespace penshelf {

class BlockHasher {
  public:
    BlockHasher();
    ~BlockHasher();
    BlockHasher(const BlockHasher&) = delete;
    BlockHasher& operator=(const BlockHasher&) = delete;

    // Hands a block over, once the one before is hashed: from then on that
    // one's bytes may be reused, while these must stay as they are until the
    // next add() or finishHex() returns.
    void add(const char* data, std::size_t size);
    // The digest of every block since the last finishHex(), once all are hashed.
    std::string finishHex();

  private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    const char* data_ = nullptr;
    std::size_t size_ = 0;
    bool pending_ = false;
    bool stopping_ = false;
    Sha256 sha_;  // used by the thread only while a block is pending
    std::thread thread_;
};

}  // namespace penshelf
