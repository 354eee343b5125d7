#pragma once

#include "telemetry_types.h"
#include "vehicle_record.h"

#include <array>
#include <cstdint>
#include <vector>

// The five vehicle values of the vehicle panel, taken from the raw words of
// a record, and the rules of its gauges: limits, resting values, needle
// steps and needle angles.
namespace kv::views {

inline constexpr int kVehicleValueCount = 5;
using VehicleValues = std::array<int, kVehicleValueCount>;

// Updates values from what a vehicle record says (ReadVehicleRecord's
// order: w0, w1, w2, w7, w3): value 0 from w7, 1 from w2, 2 from w1, 3 from
// w0, 4 from w3. An unset value stays as it was.
void UpdateVehicleValues(VehicleValues& values, const VehicleRecordValues& record);
// The same from the words of sample.
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
