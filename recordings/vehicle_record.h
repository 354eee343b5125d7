#pragma once

#include "telemetry_types.h"

#include <array>
#include <cstdint>
#include <optional>

// What the words of a vehicle record say: the five values the vehicle panel
// shows, each converted from its own word.
namespace kv {

inline constexpr std::uint16_t kVehicleWordNoData = 0x2020;    // two blanks
inline constexpr std::uint16_t kVehicleWordUnchanged = 0x3FFF; // keep the previous value

// The values from the words w0, w1, w2, w7 and w3, in that order: w0 - 40,
// ⌊(w1 - 101) / 100 × 100 + 90⌋, w2 / 100, w7 / 10 and w3. A word 0x3FFF
// leaves its value unset (the one shown before stays); 0x2020 gives the
// value's no-data value, 90 for w1 and 0 for the others.
using VehicleRecordValues = std::array<std::optional<int>, 5>;
VehicleRecordValues ReadVehicleRecord(const VehicleSample& sample);

} // namespace kv
