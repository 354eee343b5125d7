#pragma once

// Runs the event loop until a condition holds, for tests of windows and
// threads that report through queued calls.

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace kv {

// True as soon as done() holds; false when it still does not after ms.
inline bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (done()) {
            return true;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

} // namespace kv
