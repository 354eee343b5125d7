#include "telemetry_reader.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace kv {

namespace {

// Far more frames than any recording below 4 GiB holds at the recorder's rates
// (about 39 hours at 30 frames per second); a larger count comes from a
// corrupt header and would only allocate memory for nothing.
constexpr std::int64_t kMaxIndexFrames = std::int64_t{1} << 22;

std::int32_t MsToFrame(std::int32_t ms, float frameDurationMs) {
    const float frame = static_cast<float>(ms) / frameDurationMs;
    if (!(frame < 2147483520.0f)) { // the largest float below INT32_MAX, and NaN
        return INT32_MAX;
    }
    if (frame <= -2147483648.0f) {
        return INT32_MIN;
    }
    return static_cast<std::int32_t>(frame);
}

} // namespace

bool TelemetryReader::BuildFrameIndex(std::int64_t frameCount) {
    if (frameCount <= 0 || frameCount > kMaxIndexFrames || !std::isfinite(frameDurationMs) ||
        frameDurationMs <= 0.0f) {
        return false;
    }
    frameIndex.assign(static_cast<std::size_t>(frameCount), nullptr);
    for (auto& s : sensors) {
        s.frame = MsToFrame(s.frame, frameDurationMs);
    }
    for (auto& g : gps) {
        g.frame = MsToFrame(g.frame, frameDurationMs);
    }

    // Each frame shows the current sample; the cursor moves at most one sample per frame.
    if (!sensors.empty()) {
        std::size_t j = 0;
        for (std::int64_t f = 0; f < frameCount; ++f) {
            frameIndex[static_cast<std::size_t>(f)] = &sensors[j];
            if (j + 1 < sensors.size() && sensors[j + 1].frame <= f) {
                ++j;
            }
        }
    }

    peak = 0.0;
    if (gps.empty()) {
        return true;
    }
    double maxX = 0.0, maxY = 0.0, maxZ = 0.0;
    std::size_t k = 0;
    for (std::size_t i = 0; i < sensors.size(); ++i) {
        SensorSample& s = sensors[i];
        maxX = std::max(maxX, std::fabs(s.accelX));
        maxY = std::max(maxY, std::fabs(s.accelY));
        maxZ = std::max(maxZ, std::fabs(s.accelZ));
        if (gps[k].frame <= s.frame) {
            gps[k].sensor = &s;
            gps[k].vehicle = i < vehicles.size() ? &vehicles[i] : nullptr;
            if (k + 1 < gps.size()) {
                ++k;
            }
        }
        // The position shown with a sensor sample is five records behind the GPS cursor.
        const std::size_t shown = k >= 5 ? k - 5 : 0;
        s.gps = &gps[shown];
        s.vehicle = shown < vehicles.size() ? &vehicles[shown] : nullptr;
    }
    peak = std::max({maxX, maxY, maxZ});
    return true;
}

} // namespace kv
