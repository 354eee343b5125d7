#include "frame_time.h"
#include "picture_layout.h"
#include "rate_rules.h"
#include "thinning.h"

#include <gtest/gtest.h>

namespace kv::engine {
namespace {

TEST(FrameTime, SinglePrecisionBothWays) {
    const float d = 1000.0f / 30.0f;           // 33.333332 ms
    EXPECT_EQ(FrameToTime(d, 300), 100000000); // 10 s in 100-ns units
    EXPECT_EQ(TimeToFrame(d, 99999000), 299);
    EXPECT_EQ(TimeToFrame(d, 100000000), 300);
    // A float holds 99999999 as 100000000: single precision cannot tell them
    // apart, which is why the engine keeps positions as frame numbers and
    // never round-trips them through times.
    EXPECT_EQ(TimeToFrame(d, 99999999), 300);
    EXPECT_EQ(FrameToTime(d, 0), 0);
    EXPECT_EQ(TimeToFrame(0.0f, 100000000), 0);
}

TEST(RateRules, ResolveTable) {
    struct Case {
        int stored, requested;
        bool backwards;
        int code;
        float rate;
    };
    const Case cases[] = {
        {1, 2, false, 2, 2.0f},    {1, 4, false, 4, 4.0f},   {1, -2, false, -2, 0.5f},
        {1, -4, false, -4, 0.25f}, {1, -2, true, -2, -2.0f}, {1, -4, true, -4, -4.0f},
        {1, -1, false, -2, 0.5f},  {-2, -1, false, 1, 1.0f}, {4, -1, false, -1, 1.0f},
        {1, -1, true, -1, -1.0f},  {2, 1, false, 1, 1.0f},   {1, 7, false, 7, 1.0f},
    };
    for (const auto& c : cases) {
        const RateChoice r = ResolveRate(c.stored, c.requested, c.backwards);
        EXPECT_EQ(r.code, c.code) << c.stored << " " << c.requested << " " << c.backwards;
        EXPECT_EQ(r.rate, c.rate) << c.stored << " " << c.requested << " " << c.backwards;
    }
    // Two "one step slower" requests in a row: half speed, then normal again.
    const RateChoice first = ResolveRate(1, -1, false);
    EXPECT_EQ(ResolveRate(first.code, -1, false).code, 1);
    EXPECT_TRUE(SoundAtCode(1));
    EXPECT_FALSE(SoundAtCode(2));
    EXPECT_FALSE(SoundAtCode(-2));
}

TEST(RateRules, StepTable) {
    struct Case {
        int code;
        int fasterForward, fasterBackward, slowerSession, slowerFallback;
    };
    const Case cases[] = {
        {1, 2, 2, -1, -1},   {2, 2, 4, 1, 1},     {4, 4, 4, 2, 2}, {-1, 1, 1, -2, -2},
        {-2, 1, -1, -2, -4}, {-4, -2, -2, 1, -4}, {9, 1, 1, 1, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RateStep(true, c.code, true, false, true), c.fasterForward) << c.code;
        EXPECT_EQ(RateStep(true, c.code, true, true, true), c.fasterBackward) << c.code;
        EXPECT_EQ(RateStep(true, c.code, false, false, true), c.slowerSession) << c.code;
        EXPECT_EQ(RateStep(true, c.code, false, false, false), c.slowerFallback) << c.code;
    }
    EXPECT_EQ(RateStep(false, 4, true, false, true), 1);
}

struct Edges {
    int left, top, right, bottom;
    friend bool operator==(const Edges&, const Edges&) = default;
};

Edges EdgesOf(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void PrintTo(const Edges& e, std::ostream* os) {
    *os << "(" << e.left << ", " << e.top << ", " << e.right << ", " << e.bottom << ")";
}

TEST(PictureLayout, ZoomOffsetAndAspect) {
    const QRect panel(0, 0, 400, 300);
    struct Case {
        const char* what;
        QSize native;
        bool keepAspect;
        ViewZoom zoom;
        Edges expected;
    };
    const Case cases[] = {
        {"factor 2 about (100, 50)",
         {400, 300},
         false,
         {2.0f, 100, 50, 0, 0},
         {-100, -50, 700, 550}},
        {"then moved", {400, 300}, false, {2.0f, 100, 50, 10, -20}, {-90, -70, 710, 530}},
        {"1080p fitted into 400 x 300", {1920, 1080}, true, {}, {0, 37, 400, 263}},
        {"stretched", {1920, 1080}, false, {}, {0, 0, 400, 300}},
        {"a tall picture keeps the height", {300, 600}, true, {}, {125, 0, 275, 301}},
    };
    for (const auto& c : cases) {
        const auto placed = PlacePicture(panel, c.native, c.keepAspect, c.zoom);
        ASSERT_TRUE(placed) << c.what;
        EXPECT_EQ(EdgesOf(*placed), c.expected) << c.what;
    }
    EXPECT_FALSE(PlacePicture(panel, {400, 300}, true, {0.0f, 0, 0, 0, 0}));
    EXPECT_FALSE(PlacePicture(panel, {400, 300}, true, {-1.0f, 0, 0, 0, 0}));
}

TEST(Thinning, WhatIsLeftOutWhenDecodingFallsBehind) {
    struct Case {
        const char* what;
        bool running;
        double speed;
        std::int64_t clock, next, nextKey;
        bool skipLoopFilter;
        std::int64_t jumpTo;
    };
    // Key frames every 30 frames.
    const Case cases[] = {
        {"x1 far behind: every frame, full quality", true, 1.0, 200, 100, 210, false, -1},
        {"halted", false, 4.0, 200, 100, 210, false, -1},
        {"x2 in step", true, 2.0, 101, 100, 120, false, -1},
        {"x2 two frames behind", true, 2.0, 102, 100, 120, false, -1},
        {"x4 three frames behind: no loop filter", true, 4.0, 103, 100, 120, true, -1},
        {"x4 a key interval behind: jump", true, 4.0, 130, 100, 150, true, 150},
        {"x4 behind, no key frame ahead", true, 4.0, 130, 100, -1, true, -1},
    };
    for (const auto& c : cases) {
        const ThinningStep step =
            ThinBeforeSend(c.running, c.speed, c.clock, c.next, 30, c.nextKey);
        EXPECT_EQ(step.skipLoopFilter, c.skipLoopFilter) << c.what;
        EXPECT_EQ(step.jumpTo, c.jumpTo) << c.what;
    }
}

TEST(Thinning, LatePicturesAreDroppedButTheScreenFollows) {
    struct Case {
        const char* what;
        bool running;
        std::int64_t clock, picture;
        bool newest, queueEmpty;
        bool kept;
    };
    const Case cases[] = {
        {"due", true, 50, 50, false, false, true},
        {"one frame late is still shown", true, 51, 50, false, false, true},
        {"late with a newer picture decoded", true, 55, 50, false, true, false},
        {"late and newest, nothing waiting", true, 55, 50, true, true, true},
        {"late and newest, but a picture waits", true, 55, 50, true, false, false},
        {"halted clock: never late", false, 55, 50, false, false, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeepDecodedPicture(c.running, c.clock, c.picture, c.newest, c.queueEmpty), c.kept)
            << c.what;
    }
}

} // namespace
} // namespace kv::engine
