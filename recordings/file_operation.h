#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

// What a long file operation (repair, join, delete, CSV export) reports and
// how it is stopped. The operation runs on a worker thread; it tests the
// running flag before each unit of work and reports progress through a
// callback that must not block on the user-interface thread.
namespace kv {

enum OperationResult : int {
    kOperationFailed = 0,
    kOperationDone = 1,
    kOperationCancelled = 2,
};

struct OperationControl {
    // Cleared by the user interface to cancel; null when the operation cannot be cancelled.
    const std::atomic<bool>* running = nullptr;
    // Progress as done of total (the units are the operation's own).
    std::function<void(std::int64_t done, std::int64_t total)> progress;

    bool Cancelled() const { return running && !running->load(std::memory_order_relaxed); }
    void Progress(std::int64_t done, std::int64_t total) const {
        if (progress) {
            progress(done, total);
        }
    }
};

} // namespace kv
