#include "telemetry_reader.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

// A reader holding n records 100 ms apart, as the decoder leaves them.
void Fill(TelemetryReader& r, int n, int gpsCount = -1) {
    r.Init();
    for (int i = 0; i < n; ++i) {
        SensorSample s;
        s.index = i;
        s.frame = i * 100;
        s.accelX = i == 3 ? -1.7 : 0.1;
        s.accelZ = i == 5 ? 1.2 : 0.9;
        r.sensors.push_back(s);
        VehicleSample v;
        v.index = i;
        r.vehicles.push_back(v);
    }
    for (int i = 0; i < (gpsCount < 0 ? n : gpsCount); ++i) {
        GpsSample g;
        g.index = i;
        g.frame = i * 100;
        r.gps.push_back(g);
    }
}

TEST(BuildFrameIndex, EachFrameShowsTheSampleBeforeTheOneStartingThere) {
    TelemetryReader r;
    Fill(r, 4);
    r.frameDurationMs = 33.333332f; // 30 fps: samples start at frames 0, 3, 6, 9
    ASSERT_TRUE(r.BuildFrameIndex(16));
    EXPECT_EQ(r.sensors[1].frame, 3);
    EXPECT_EQ(r.sensors[3].frame, 9);
    const int expected[16] = {0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 3, 3, 3};
    for (int f = 0; f < 16; ++f) {
        ASSERT_NE(SampleAtFrame(r, f), nullptr);
        EXPECT_EQ(SampleAtFrame(r, f)->index, expected[f]) << "frame " << f;
    }
    EXPECT_EQ(SampleAtFrame(r, 16), nullptr);
    EXPECT_EQ(SampleAtFrame(r, -1), nullptr);
}

TEST(BuildFrameIndex, CursorMovesAtMostOneSamplePerFrame) {
    TelemetryReader r;
    Fill(r, 6);
    r.frameDurationMs = 200.0f; // two samples per frame: frames 0, 0, 1, 1, 2, 2
    ASSERT_TRUE(r.BuildFrameIndex(8));
    const int expected[8] = {0, 1, 2, 3, 4, 5, 5, 5};
    for (int f = 0; f < 8; ++f) {
        EXPECT_EQ(SampleAtFrame(r, f)->index, expected[f]) << "frame " << f;
    }
}

TEST(BuildFrameIndex, LinksSensorsToGpsFiveRecordsBehindAndFindsThePeak) {
    TelemetryReader r;
    Fill(r, 10);
    r.frameDurationMs = 100.0f;
    ASSERT_TRUE(r.BuildFrameIndex(10));
    const int expectedGps[10] = {0, 0, 0, 0, 0, 1, 2, 3, 4, 4};
    for (int i = 0; i < 10; ++i) {
        ASSERT_NE(r.sensors[i].gps, nullptr);
        EXPECT_EQ(r.sensors[i].gps->index, expectedGps[i]) << "sensor " << i;
        EXPECT_EQ(r.sensors[i].vehicle->index, expectedGps[i]);
        EXPECT_EQ(r.gps[i].sensor, &r.sensors[i]);
        EXPECT_EQ(r.gps[i].vehicle, &r.vehicles[i]);
    }
    EXPECT_DOUBLE_EQ(r.peak, 1.7);
}

TEST(BuildFrameIndex, NoGpsMeansNoLinksAndNoPeak) {
    TelemetryReader r;
    Fill(r, 5, 0);
    r.frameDurationMs = 100.0f;
    ASSERT_TRUE(r.BuildFrameIndex(5));
    EXPECT_EQ(r.sensors[0].gps, nullptr);
    EXPECT_EQ(r.peak, 0.0);
    EXPECT_EQ(SampleAtFrame(r, 4)->index, 3);
}

TEST(BuildFrameIndex, RefusesUnusableArguments) {
    TelemetryReader r;
    Fill(r, 3);
    r.frameDurationMs = 33.3f;
    EXPECT_FALSE(r.BuildFrameIndex(0));
    EXPECT_FALSE(r.BuildFrameIndex(-5));
    EXPECT_FALSE(r.BuildFrameIndex(std::int64_t{1} << 40)); // a corrupt frame count
    r.frameDurationMs = 0.0f;
    EXPECT_FALSE(r.BuildFrameIndex(10));
    r.frameDurationMs = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(r.BuildFrameIndex(10));
    // A tiny frame duration saturates instead of overflowing.
    r.frameDurationMs = 1e-30f;
    EXPECT_TRUE(r.BuildFrameIndex(3));
    EXPECT_EQ(SampleAtFrame(r, 2)->index, 0);
}

} // namespace
} // namespace kv
