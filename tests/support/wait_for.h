#pragma once

// Waits until a condition holds, for tests of windows and threads that report
// through queued calls or from threads of their own. Every wait of the tests
// goes through here, so that there is one limit: a regression that never
// fulfils a condition fails the test after kWaitLimitMs instead of hanging it.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace kv {

// Long enough for the slowest honest wait (a join or a repair of a small card
// under the sanitizers on a loaded two-core machine), short enough that a
// hanging condition fails well within the test's own timeout.
inline constexpr int kWaitLimitMs = 60000;

// True as soon as done() holds; false when it still does not after the limit.
// The event loop of the calling thread turns meanwhile (when there is one), so
// queued calls and timers are handled; between turns the thread sleeps a
// moment instead of spinning.
inline bool WaitFor(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(kWaitLimitMs);
    while (!deadline.hasExpired()) {
        if (done()) {
            return true;
        }
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QThread::msleep(2);
    }
    return done();
}

// Lets the event loop run for ms while the program does what it does: a
// stimulus (playing on for a while, clicking during playback), never a wait
// for a result before a check; that is WaitFor's job.
inline void RunEventsFor(int ms) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QThread::msleep(2);
    }
}

} // namespace kv
