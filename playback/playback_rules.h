#pragma once

#include "recording_entry.h"
#include "telemetry_types.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The arithmetic of playback: speed labels, margins near the end, the
// recording size code and the mapping of front frames to the other camera.
namespace kv::playback {

// "再生速度x1.0" ... for the rate codes 1, 2, 4, -2, -4; empty otherwise.
QString SpeedLabel(int rateCode);

// -2 for a time-lapse recording (either file), else 1.
int DefaultRateCode(const RecordingEntry& entry);

// Frames kept between a seek target and the end: 40 at code 2, 80 at 4, else 20.
int SeekMargin(int rateCode);

// How many frames before the end commands stop being accepted while playing,
// from the milliseconds per frame (0: 1000 / 29.1) and the rate code.
int EndGuardFrames(float frameDurationMs, int rateCode);

// How far a position reported by the clock may be from the last seek target
// and still be shown: frameCount / 1000 + 30.
int TickTolerance(std::int64_t frameCount);

// The frame of the other camera for frame f of the telemetry camera:
// trunc(f × ratio), ratio in single precision.
std::int64_t MapFrame(std::int64_t frame, float ratio);

// The recording size code from the picture height and the quality letter of
// the front camera's telemetry; fromRear: the height came from the rear.
int RecordingSizeCode(int pictureHeight, char quality, bool fromRear);

// Graph scale level from the peak acceleration in G: 3 at 1.5, 2 at 1.0, 1 at 0.5.
int ScaleLevel(double peak);

// The vehicle panel's five values from the words w0, w1, w2, w7 and w3;
// 0x3FFF leaves a value unchanged (unset), 0x2020 gives its no-data value
// (ReadVehicleRecord of the recording library).
std::array<std::optional<int>, 5> VehicleValues(const VehicleSample& sample);

} // namespace kv::playback
