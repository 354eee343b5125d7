#include "rate_rules.h"

namespace kv::engine {

RateChoice ResolveRate(int storedCode, int requested, bool canPlayBackwards) {
    switch (requested) {
    case 2:
        return {2, 2.0f};
    case 4:
        return {4, 4.0f};
    case -2:
        return {-2, canPlayBackwards ? -2.0f : 0.5f};
    case -4:
        return {-4, canPlayBackwards ? -4.0f : 0.25f};
    case -1:
        if (canPlayBackwards) {
            return {-1, -1.0f};
        }
        // One step slower toggles between normal and half speed.
        if (storedCode == -2) {
            return {1, 1.0f};
        }
        if (storedCode == 1) {
            return {-2, 0.5f};
        }
        return {-1, 1.0f};
    default:
        return {requested, 1.0f};
    }
}

int RateStep(bool playing, int code, bool faster, bool canPlayBackwards, bool mediaSession) {
    if (!playing) {
        return 1;
    }
    if (faster) {
        switch (code) {
        case 1:
            return 2;
        case 2:
            return canPlayBackwards ? 4 : 2;
        case 4:
            return 4;
        case -1:
            return 1;
        case -2:
            return canPlayBackwards ? -1 : 1;
        case -4:
            return -2;
        default:
            return 1;
        }
    }
    switch (code) {
    case 1:
        return -1;
    case 2:
        return 1;
    case 4:
        return 2;
    case -1:
        return -2;
    case -2:
        return mediaSession ? -2 : -4;
    case -4:
        return mediaSession ? 1 : -4;
    default:
        return 1;
    }
}

} // namespace kv::engine
