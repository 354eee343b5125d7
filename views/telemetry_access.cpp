#include "telemetry_access.h"

namespace kv::views {

TelemetryLock::TelemetryLock(const TelemetrySource& source) : locks_(source.locks) {
    for (std::recursive_mutex* lock : locks_) {
        if (lock == nullptr) {
            continue;
        }
        if (source.waiters != nullptr) {
            ++*source.waiters;
        }
        lock->lock();
        if (source.waiters != nullptr) {
            --*source.waiters;
        }
    }
}

TelemetryLock::~TelemetryLock() {
    for (auto it = locks_.rbegin(); it != locks_.rend(); ++it) {
        if (*it != nullptr) {
            (*it)->unlock();
        }
    }
}

} // namespace kv::views
