#pragma once

#include <functional>

// How the controller's worker threads hand results back to the window thread.
namespace kv::playback {

class UiPoster {
public:
    virtual ~UiPoster() = default;
    // Called on a worker thread: queues task to run later on the window
    // thread and returns at once, never waiting for it.
    virtual void Post(std::function<void()> task) = 0;
};

} // namespace kv::playback
