#pragma once
// Turning the event loop in tests until something has happened.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <chrono>
#include <functional>

namespace penshelf::test {

// Runs the event loop of the calling thread until done holds or the time is up; returns whether it
// holds.
inline bool spinUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const QDeadlineTimer deadline(limit);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Objects closed with deleteLater() go too, as they do between a user's actions.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return true;
}

// Runs the event loop for a while: time for what should not happen.
inline void spinFor(std::chrono::milliseconds time) {
    spinUntil([] { return false; }, time);
}

}  // namespace penshelf::test
