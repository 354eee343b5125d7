#include "playback_rules.h"

#include <gtest/gtest.h>

namespace kv::playback {
namespace {

struct GuardCase {
    float durationMs;
    int code;
    int frames;
};

TEST(PlaybackRulesTest, EndGuardStartsTheStatedFramesBeforeTheEnd) {
    const GuardCase cases[] = {
        {34.36426f, 1, 20}, {34.36426f, 2, 40}, {34.36426f, 4, 80}, {0.0f, 1, 20},
        {33.3333f, 1, 20},  {33.3333f, 2, 41},  {33.3333f, 4, 82},  {66.6667f, 1, 10},
        {66.6667f, 2, 20},  {66.6667f, 4, 41},  {33.3333f, -2, 20},
    };
    for (const GuardCase& c : cases) {
        EXPECT_EQ(EndGuardFrames(c.durationMs, c.code), c.frames)
            << c.durationMs << " ms at code " << c.code;
    }
}

TEST(PlaybackRulesTest, SizeCodeFromHeightAndQuality) {
    struct Case {
        int height;
        char quality;
        bool fromRear;
        int code;
    } const cases[] = {
        {360, 'H', false, 1},  {720, 'H', false, 3},  {1080, 'H', false, 5},
        {1296, 'H', false, 9}, {1440, 'H', false, 7}, {360, 'L', false, 2},
        {720, 'L', false, 4},  {1080, 'L', false, 6}, {1296, 'L', false, 10},
        {1440, 'L', false, 8}, {720, 0, false, 11},   {1080, 'x', false, 12},
        {1440, 'x', false, 0}, {1080, 'H', true, 12}, {480, 'H', false, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RecordingSizeCode(c.height, c.quality, c.fromRear), c.code)
            << c.height << " " << c.quality << " rear " << c.fromRear;
    }
}

TEST(PlaybackRulesTest, SpeedLabelsAndMargins) {
    EXPECT_EQ(SpeedLabel(1), QStringLiteral("再生速度x1.0"));
    EXPECT_EQ(SpeedLabel(2), QStringLiteral("再生速度x2.0"));
    EXPECT_EQ(SpeedLabel(4), QStringLiteral("再生速度x4.0"));
    EXPECT_EQ(SpeedLabel(-2), QStringLiteral("再生速度x0.5"));
    EXPECT_EQ(SpeedLabel(-4), QStringLiteral("再生速度x0.25"));
    EXPECT_TRUE(SpeedLabel(-1).isEmpty());
    EXPECT_TRUE(SpeedLabel(0).isEmpty());
    EXPECT_EQ(TickTolerance(9000), 39);
    EXPECT_EQ(TickTolerance(999), 30);
}

TEST(PlaybackRulesTest, RearFrameIsTruncatedProduct) {
    EXPECT_EQ(MapFrame(101, 33.3333f / 66.6667f), 50);
    EXPECT_EQ(MapFrame(101, 1.0f), 101);
    EXPECT_EQ(MapFrame(0, 0.5f), 0);
    EXPECT_EQ(MapFrame(300, 66.6667f / 33.3333f), 600);
}

TEST(PlaybackRulesTest, DefaultRateFollowsTimeLapseNames) {
    RecordingEntry entry;
    entry.frontPath = QStringLiteral("/c/AA__-260101-100000-000001F.AVI");
    EXPECT_EQ(DefaultRateCode(entry), 1);
    entry.frontPath = QStringLiteral("/c/TA__-260101-100000-000001F.AVI");
    EXPECT_EQ(DefaultRateCode(entry), -2);
    entry.frontPath.clear();
    entry.rearPath = QStringLiteral("/c/PAT_-260101-100000-000001R.AVI");
    EXPECT_EQ(DefaultRateCode(entry), -2);
}

TEST(PlaybackRulesTest, VehicleValuesKeepUnchangedWordsAndMarkMissingOnes) {
    VehicleSample sample;
    sample.words.fill(0x3FFF);
    for (const auto& value : VehicleValues(sample)) {
        EXPECT_FALSE(value.has_value());
    }
    sample.words.fill(0x2020);
    const auto missing = VehicleValues(sample);
    EXPECT_EQ(missing[0], 0);
    EXPECT_EQ(missing[1], 90);
    EXPECT_EQ(missing[2], 0);
    EXPECT_EQ(missing[3], 0);
    EXPECT_EQ(missing[4], 0);
    sample.words[0] = 130;  // 90 °C
    sample.words[1] = 151;  // w1: 50 → 140
    sample.words[2] = 2550; // /100
    sample.words[7] = 456;  // /10
    sample.words[3] = 77;
    const auto values = VehicleValues(sample);
    EXPECT_EQ(values[0], 90);
    EXPECT_EQ(values[1], 140);
    EXPECT_EQ(values[2], 25);
    EXPECT_EQ(values[3], 45);
    EXPECT_EQ(values[4], 77);
}

} // namespace
} // namespace kv::playback
