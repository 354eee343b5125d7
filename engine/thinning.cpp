#include "thinning.h"

namespace kv::engine {

ThinningStep ThinBeforeSend(bool running, double speed, std::int64_t clockFrame, std::int64_t next,
                            std::int64_t keyInterval, std::int64_t nextKey) {
    ThinningStep step;
    if (!running || speed < 2.0) {
        return step; // every frame, at full quality
    }
    const std::int64_t lag = clockFrame - next;
    step.skipLoopFilter = lag > 2;
    if (lag >= keyInterval && nextKey > next) {
        step.jumpTo = nextKey;
    }
    return step;
}

bool KeepDecodedPicture(bool running, std::int64_t clockFrame, std::int64_t picture,
                        bool newestDecoded, bool queueEmpty) {
    const bool late = running && picture < clockFrame - 1;
    return !late || (newestDecoded && queueEmpty);
}

} // namespace kv::engine
