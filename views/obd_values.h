#pragma once

#include "telemetry_types.h"

#include <array>
#include <cstdint>
#include <vector>

// The five vehicle values of the vehicle panel, taken from the raw words of
// a record, and the rules of its gauges: limits, resting values, needle
// steps and needle angles.
namespace kv::views {

inline constexpr int kVehicleValueCount = 5;
inline constexpr std::uint16_t kWordNoData = 0x2020;    // two blanks
inline constexpr std::uint16_t kWordUnchanged = 0x3FFF; // keep the previous value

using VehicleValues = std::array<int, kVehicleValueCount>;

// Updates values from the words of sample: value 0 from w7 / 10, 1 from
// w2 / 100, 2 from w1 (⌊(w1 - 101) / 100 × 100 + 90⌋), 3 from w0 - 40,
// 4 from w3. A word 0x3FFF keeps the value; 0x2020 gives the no-data value
// (90 for value 2, else 0).
void UpdateVehicleValues(VehicleValues& values, const VehicleSample& sample);

// The largest value a gauge shows: 100, 100, 220, 105, 300.
int VehicleValueLimit(int which);
// A value as a gauge takes it: above the limit the limit, below 0 zero.
int LimitVehicleValue(int which, int value);
// Where a newly selected gauge rests: 90 for value 2, else 0.
int RestingValue(int which);
// The size of one 50 ms needle step from `from` toward target.
int NeedleStep(int which, int from, int target);
// The needle angle in degrees (0 = up, clockwise) for an integer value.
double NeedleAngle(int which, int value);

} // namespace kv::views
