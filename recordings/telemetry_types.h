#pragma once

#include "local_time.h"

#include <array>
#include <cstdint>
#include <vector>

// The decoded telemetry of one recording: per record one GpsSample, one
// SensorSample and one VehicleSample, linked to each other and to video frames
// by BuildFrameIndex.
namespace kv {

struct SensorSample;
struct VehicleSample;

// Values that mark "no data" in the decoded samples.
constexpr double kNoCoordinate = 720.0;
constexpr double kNoSpeed = 32767.0;
constexpr int kNoVoltage = -1;
constexpr int kNoEvent = -1;

struct TelemetryHeader {
    // G thresholds in G; -1.0 when the block carries none.
    float thresholdX = -1.0f;
    float thresholdY = -1.0f;
    float thresholdZ = -1.0f;
    float threshold4 = -1.0f;
    char thresholdMark = 0;                 // 'M' or 'D' when the thresholds are set
    std::array<unsigned char, 6> carried{}; // header bytes 17-22, not interpreted
    char quality = 0;                       // 'H' = high quality, else low
    unsigned char byte24 = 0;
    char vehicleDataKind = 0;       // '3' = the vehicle words carry data
    unsigned char speedDisplay = 0; // 0 = the recorder shows no speed
    unsigned char gpsDisplay = 0;   // 0 = the recorder's GPS is off
};

struct GpsSample {
    std::int32_t index = 0; // record number within the recording
    // Milliseconds from the start after decoding; the video frame after BuildFrameIndex.
    std::int32_t frame = 0;
    std::int32_t valid = 0; // 1 = the receiver had a fix
    const SensorSample* sensor = nullptr;
    const VehicleSample* vehicle = nullptr;
    double latitude = kNoCoordinate;  // signed degrees
    double longitude = kNoCoordinate; // signed degrees
    double speedKmh = kNoSpeed;
    double direction = 0.0; // the record holds no heading
    CalendarTime time;
};

struct SensorSample {
    std::int32_t index = 0;
    std::int32_t kind = kNoEvent; // 5, 6, 7, 10, 11, 12 or -1
    std::int32_t speeding = 0;    // 8 or 0
    std::int32_t approaching = 0; // 9 or 0
    std::int32_t axis = 0;        // 1 X, 2 Y, 3 Z, 0 none
    std::int32_t frame = 0;       // as GpsSample::frame
    char statusMark = 0;
    std::int32_t voltageTenths = kNoVoltage;
    const GpsSample* gps = nullptr;
    const VehicleSample* vehicle = nullptr;
    double accelX = 0.0; // G
    double accelY = 0.0;
    double accelZ = 0.0;
    std::uint8_t nibbleHigh = 0;
    std::uint8_t nibbleLow = 0;
};

// Raw vehicle (OBD) values; the word 0x2020 means "not present", 0x3FFF "invalid".
struct VehicleSample {
    std::int32_t index = 0;
    std::array<std::uint8_t, 4> bytes{};
    std::array<std::uint16_t, 18> words{};
};

// One link per video frame to the sensor sample shown with it (null without telemetry).
using FrameIndex = std::vector<const SensorSample*>;

} // namespace kv
