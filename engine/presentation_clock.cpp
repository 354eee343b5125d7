#include "presentation_clock.h"

#include <chrono>
#include <cmath>
#include <limits>

namespace kv::engine {

std::int64_t PresentationClock::SteadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

PresentationClock::PresentationClock(Now now) : now_(std::move(now)) {}

void PresentationClock::SetFrameRate(std::uint32_t rate, std::uint32_t scale) {
    std::lock_guard lock(mutex_);
    if (rate > 0 && scale > 0) {
        framesPerNano_ = static_cast<double>(rate) / scale / 1e9;
    }
}

double PresentationClock::PositionLocked(std::int64_t now) const {
    if (!running_) {
        return base_;
    }
    return base_ + static_cast<double>(now - baseTime_) * framesPerNano_ * speed_;
}

void PresentationClock::SeekTo(std::int64_t frame) {
    std::lock_guard lock(mutex_);
    base_ = static_cast<double>(frame);
    baseTime_ = now_();
}

void PresentationClock::Start(double speed) {
    std::lock_guard lock(mutex_);
    const std::int64_t now = now_();
    base_ = PositionLocked(now);
    baseTime_ = now;
    speed_ = speed > 0.0 ? speed : 1.0;
    running_ = true;
}

void PresentationClock::Halt() {
    std::lock_guard lock(mutex_);
    const std::int64_t now = now_();
    base_ = PositionLocked(now);
    baseTime_ = now;
    running_ = false;
}

bool PresentationClock::running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

double PresentationClock::speed() const {
    std::lock_guard lock(mutex_);
    return speed_;
}

double PresentationClock::Position() const {
    std::lock_guard lock(mutex_);
    return PositionLocked(now_());
}

std::int64_t PresentationClock::CurrentFrame() const {
    return static_cast<std::int64_t>(std::floor(Position() + 1e-9));
}

std::int64_t PresentationClock::NanosUntil(std::int64_t frame) const {
    std::lock_guard lock(mutex_);
    const std::int64_t now = now_();
    const double ahead = static_cast<double>(frame) - PositionLocked(now);
    if (!running_) {
        return ahead <= 0.0 ? 0 : std::numeric_limits<std::int64_t>::max() / 2;
    }
    return static_cast<std::int64_t>(ahead / (framesPerNano_ * speed_));
}

} // namespace kv::engine
