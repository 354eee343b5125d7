#pragma once

// The main window's timers that drive playback. The window runs one timer per
// id and calls PlaybackController::OnTimer(id) when it fires; tests drive
// them by hand.
namespace kv::playback {

enum TimerId : int {
    kTickTimer = 100,     // 30 ms, periodic: follow the video position
    kOpenTimer = 101,     // 500 ms: the debounced open
    kWatchdogTimer = 102, // 5000 ms: an open or an end of presentation that never completes
    kRateTimer = 106,     // 1000 ms: ends the lockout after a speed change
};

inline constexpr int kTickPeriodMs = 30;
inline constexpr int kOpenDelayMs = 500;
inline constexpr int kWatchdogMs = 5000;
inline constexpr int kRateLockoutMs = 1000;

class PlaybackTimers {
public:
    virtual ~PlaybackTimers() = default;
    // Starts timer id, or restarts it when it runs. It fires every periodMs
    // until stopped; the controller stops the one-shot timers in their handlers.
    virtual void Start(int id, int periodMs) = 0;
    // Stops timer id; nothing happens when it does not run.
    virtual void Stop(int id) = 0;
};

} // namespace kv::playback
