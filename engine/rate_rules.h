#pragma once

// The playback speeds: rate codes 1, 2, 4 (normal, double, fourfold), -2, -4
// (half, quarter) and -1 (one step slower), and the steps between them.
namespace kv::engine {

struct RateChoice {
    int code = 1;      // the code the engine stores (a -1 request is resolved here)
    float rate = 1.0f; // the speed factor; negative only where backwards play exists
};

// The code and speed a SetRate(requested) gives when the engine holds storedCode.
RateChoice ResolveRate(int storedCode, int requested, bool canPlayBackwards);

// The code Faster (faster = true) or Slower asks for, from the current code.
// mediaSession: the main player (slower from -4 is 1); false: the fallback
// graph, whose slowest step holds. Not playing: 1.
int RateStep(bool playing, int code, bool faster, bool canPlayBackwards, bool mediaSession);

// Sound plays at normal speed only.
inline bool SoundAtCode(int code) {
    return code == 1;
}

} // namespace kv::engine
