#include "frame_time.h"

#include <cmath>

namespace kv::engine {

namespace {

// Truncates a float into the 64-bit range (saturating instead of overflowing).
std::int64_t Truncate(float value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    if (value >= 9.2e18f) {
        return INT64_MAX;
    }
    if (value <= -9.2e18f) {
        return INT64_MIN;
    }
    return static_cast<std::int64_t>(value);
}

} // namespace

std::int64_t FrameToTime(float frameDurationMs, std::int64_t frame) {
    return Truncate(frameDurationMs * static_cast<float>(frame) * 10000.0f);
}

std::int64_t TimeToFrame(float frameDurationMs, std::int64_t time) {
    if (!(frameDurationMs > 0.0f)) {
        return 0;
    }
    return Truncate(static_cast<float>(time) / (frameDurationMs * 10000.0f));
}

} // namespace kv::engine
