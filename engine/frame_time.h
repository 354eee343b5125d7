#pragma once

#include <cstdint>

// Frame numbers and media times (100-nanosecond units), converted in single
// precision as the recorder's players have always done, so positions agree
// with theirs to the frame.
namespace kv::engine {

// t = trunc64(d x float(frame) x 10000), d in milliseconds per frame.
std::int64_t FrameToTime(float frameDurationMs, std::int64_t frame);

// frame = trunc(float(t) / (d x 10000)); 0 when d is not positive.
std::int64_t TimeToFrame(float frameDurationMs, std::int64_t time);

} // namespace kv::engine
