#pragma once

#include "telemetry_reader.h"

#include <array>
#include <atomic>
#include <mutex>

namespace kv::views {

// Where the views find the telemetry of the shown recording: the display
// reader and the locks that guard it while a loader thread fills or replaces
// it. The main window passes the engines' main locks (front, then rear) and
// the process-wide counter of threads waiting for them.
struct TelemetrySource {
    const TelemetryReader* reader = nullptr;
    std::array<std::recursive_mutex*, 2> locks{}; // taken in this order; null = none
    std::atomic<int>* waiters = nullptr;          // counted around each wait
};

// Holds every lock of a source for its lifetime; each wait is counted.
// The locks are recursive, so a caller that already holds them may take
// them again.
class TelemetryLock {
public:
    explicit TelemetryLock(const TelemetrySource& source);
    ~TelemetryLock();
    TelemetryLock(const TelemetryLock&) = delete;
    TelemetryLock& operator=(const TelemetryLock&) = delete;

private:
    std::array<std::recursive_mutex*, 2> locks_{};
};

} // namespace kv::views
