#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

// The one master clock of an engine: the position in video frames, running
// at a speed factor or halted. Pictures are shown when the clock reaches
// their frame; the sound follows the same clock.
namespace kv::engine {

class PresentationClock {
public:
    // Nanoseconds of a monotonic clock; replaceable for tests.
    using Now = std::function<std::int64_t()>;
    static std::int64_t SteadyNow();

    explicit PresentationClock(Now now = SteadyNow);

    // Frames per second as rate / scale (the stream header's dwRate / dwScale).
    void SetFrameRate(std::uint32_t rate, std::uint32_t scale);
    // Puts the position at the start of frame; the clock keeps running or halted.
    void SeekTo(std::int64_t frame);
    void Start(double speed);
    void Halt();

    bool running() const;
    double speed() const;
    // The position in frames, with the fraction of the frame in progress.
    double Position() const;
    std::int64_t CurrentFrame() const;
    // Nanoseconds until the clock reaches the start of frame (negative when
    // it has passed); a large value while halted.
    std::int64_t NanosUntil(std::int64_t frame) const;

private:
    double PositionLocked(std::int64_t now) const;

    mutable std::mutex mutex_; // guards everything below
    Now now_;
    double framesPerNano_ = 30.0 / 1e9;
    double base_ = 0.0;         // position when the clock was last started or set
    std::int64_t baseTime_ = 0; // clock time of base_
    double speed_ = 1.0;
    bool running_ = false;
};

} // namespace kv::engine
