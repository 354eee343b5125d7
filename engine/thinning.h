#pragma once

#include <cstdint>

// What the decode thread leaves out when the clock runs faster than it can
// decode: the loop filter, whole stretches up to the next key frame, and late
// pictures (before they cost a conversion).
namespace kv::engine {

struct ThinningStep {
    bool skipLoopFilter = false;
    std::int64_t jumpTo = -1; // key frame to go on from, or -1 to go on in order
};

// Before sending chunk `next`: the clock is at clockFrame, running at speed;
// keyInterval is the recording's longest distance between key frames and
// nextKey the first key frame after the clock (-1 when there is none).
ThinningStep ThinBeforeSend(bool running, double speed, std::int64_t clockFrame, std::int64_t next,
                            std::int64_t keyInterval, std::int64_t nextKey);

// Whether a decoded picture goes on to be converted and shown. Late pictures
// are dropped, except the newest one decoded when nothing newer waits to be
// shown: the decoder's own delay (a frame per thread) makes pictures a little
// late at high speed even when decoding keeps pace, and the screen must follow.
bool KeepDecodedPicture(bool running, std::int64_t clockFrame, std::int64_t picture,
                        bool newestDecoded, bool queueEmpty);

} // namespace kv::engine
