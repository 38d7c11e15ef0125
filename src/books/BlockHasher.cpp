#include "books/BlockHasher.h"

namespace penshelf {

BlockHasher::BlockHasher() : thread_([this] { run(); }) {}

BlockHasher::~BlockHasher() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BlockHasher::add(const char* data, std::size_t size) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !pending_; });
    data_ = data;
    size_ = size;
    pending_ = true;
    lock.unlock();
    changed_.notify_all();
}

std::string BlockHasher::finishHex() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !pending_; });
    return sha_.finishHex();
}

void BlockHasher::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return pending_ || stopping_; });
        if (!pending_) return;
        const char* data = data_;
        const std::size_t size = size_;
        lock.unlock();
        sha_.update(data, size);
        lock.lock();
        pending_ = false;
        changed_.notify_all();
    }
}

}  // namespace penshelf
