#include "controller_test_support.h"

namespace kv::playback::test {
namespace {

// Telemetry as the engine's LoadTelemetry leaves it in the working reader:
// frames 0..99 link to one sample with a fix, the rest have none.
void FillTelemetry(TelemetryReader& reader, double speed) {
    reader.gps.resize(1);
    reader.sensors.resize(1);
    reader.vehicles.resize(1);
    GpsSample& gps = reader.gps[0];
    SensorSample& sensor = reader.sensors[0];
    gps.valid = 1;
    gps.speedKmh = speed;
    gps.sensor = &sensor;
    sensor.gps = &gps;
    sensor.vehicle = &reader.vehicles[0];
    sensor.accelX = 0.25;
    sensor.accelY = -0.5;
    sensor.accelZ = 1.0;
    sensor.voltageTenths = 124;
    reader.vehicles[0].words.fill(0x3FFF);
    reader.vehicles[0].words[0] = 130;
    reader.header.quality = 'H';
    reader.header.gpsDisplay = 1;
    reader.header.thresholdX = 0.8f;
    reader.peak = 1.2;
    reader.frameIndex.assign(300, nullptr);
    std::fill(reader.frameIndex.begin(), reader.frameIndex.begin() + 100, &sensor);
}

class FrameTest : public ControllerTest {
protected:
    void ShowWithTelemetry(int index) {
        controller->SelectRecording(index);
        timers.Advance(kOpenDelayMs);
        FillTelemetry(Engine(0).working, 42.0);
        ReportReady();
    }
};

TEST_F(FrameTest, ShownFrameCarriesItsTelemetry) {
    Add(0, 1);
    ShowWithTelemetry(0);
    ASSERT_TRUE(view.recording);
    EXPECT_TRUE(view.recording->telemetry);
    EXPECT_EQ(view.recording->sizeCode, 3); // 720 lines, high quality
    EXPECT_EQ(view.recording->scaleLevel, 2);
    EXPECT_EQ(view.recording->thresholds[0], 0.8f);
    EXPECT_FALSE(view.recording->thresholds[1].has_value());
    EXPECT_EQ(controller->Playlist()[0].sizeCode, 3);

    controller->ShowPosition(50);
    EXPECT_EQ(view.lastFrame.frame, 50);
    EXPECT_EQ(view.lastFrame.frameTotal, 300);
    EXPECT_DOUBLE_EQ(view.lastFrame.accelY, -0.5);
    EXPECT_EQ(view.lastFrame.speedKmh, 42.0);
    EXPECT_TRUE(view.lastFrame.gpsValid);
    EXPECT_EQ(view.lastFrame.voltageTenths, 124);
    ASSERT_TRUE(view.lastFrame.vehicle);
    EXPECT_EQ((*view.lastFrame.vehicle)[0], 90);
    EXPECT_FALSE((*view.lastFrame.vehicle)[1].has_value());

    controller->ShowPosition(200); // no telemetry for this frame
    EXPECT_DOUBLE_EQ(view.lastFrame.accelX, -5.0);
    EXPECT_FALSE(view.lastFrame.gpsValid);
    EXPECT_FALSE(view.lastFrame.speedKmh.has_value());

    controller->ShowPosition(5000); // clamped to the last frame
    EXPECT_EQ(view.lastFrame.frame, 299);
}

TEST_F(FrameTest, ParkingRecordingShowsNoSpeed) {
    Add(0, 1, Camera{}, Camera{}, 'P').parkingGroup = 1;
    controller->SetPlaylist(browser.folders[0]);
    ShowWithTelemetry(0);
    controller->ShowPosition(10);
    EXPECT_EQ(view.lastFrame.speedKmh, -1.0);
}

} // namespace
} // namespace kv::playback::test
