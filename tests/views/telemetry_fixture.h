#pragma once

// Small hand-made telemetry for the view tests: records with the fields a
// test cares about, and a reader whose frame index gives each record a fixed
// number of frames.

#include "telemetry_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kv::test {

struct Rec {
    double x = 0.0, y = 0.0, z = 0.0; // G
    int axis = 0;
    int kind = -1;
    int speeding = 0;
    int approaching = 0;
};

inline Rec Axis(int axis) {
    Rec r;
    r.axis = axis;
    return r;
}
inline Rec Kind(int kind) {
    Rec r;
    r.kind = kind;
    return r;
}
inline Rec Speeding(int kind = -1) {
    Rec r;
    r.speeding = 8;
    r.kind = kind;
    return r;
}

// Fills reader with one sensor sample per record and a frame index in which
// every record lasts framesPerRecord frames.
inline void FillReader(TelemetryReader& reader, const std::vector<Rec>& records,
                       int framesPerRecord = 1) {
    reader.Init();
    reader.sensors.resize(records.size());
    reader.gps.resize(records.size());
    reader.vehicles.resize(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        SensorSample& s = reader.sensors[i];
        s.index = static_cast<std::int32_t>(i);
        s.frame = static_cast<std::int32_t>(i) * framesPerRecord;
        s.accelX = records[i].x;
        s.accelY = records[i].y;
        s.accelZ = records[i].z;
        s.axis = records[i].axis;
        s.kind = records[i].kind;
        s.speeding = records[i].speeding;
        s.approaching = records[i].approaching;
        s.gps = &reader.gps[i];
        s.vehicle = &reader.vehicles[i];
        reader.gps[i].index = static_cast<std::int32_t>(i);
    }
    reader.frameIndex.clear();
    for (std::size_t i = 0; i < records.size(); ++i) {
        for (int k = 0; k < framesPerRecord; ++k) {
            reader.frameIndex.push_back(&reader.sensors[i]);
        }
    }
    double peak = 0.0;
    for (const Rec& r : records) {
        peak = std::max({peak, std::abs(r.x), std::abs(r.y), std::abs(r.z)});
    }
    reader.peak = peak;
    reader.loaded = true;
}

} // namespace kv::test
