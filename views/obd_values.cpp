#include "obd_values.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kv::views {

void UpdateVehicleValues(VehicleValues& values, const VehicleRecordValues& record) {
    // The panel's value i is the record's value kFrom[i].
    static constexpr std::array<std::size_t, kVehicleValueCount> kFrom = {3, 2, 1, 0, 4};
    for (std::size_t i = 0; i < kFrom.size(); ++i) {
        if (const std::optional<int>& v = record[kFrom[i]]) {
            values[i] = *v;
        }
    }
}

void UpdateVehicleValues(VehicleValues& values, const VehicleSample& sample) {
    UpdateVehicleValues(values, ReadVehicleRecord(sample));
}

int VehicleValueLimit(int which) {
    static constexpr std::array<int, kVehicleValueCount> kLimits = {100, 100, 220, 105, 300};
    return which >= 0 && which < kVehicleValueCount ? kLimits[static_cast<std::size_t>(which)] : 0;
}

int LimitVehicleValue(int which, int value) {
    return std::clamp(value, 0, VehicleValueLimit(which));
}

int RestingValue(int which) {
    return which == 2 ? 90 : 0;
}

int NeedleStep(int which, int from, int target) {
    const int distance = std::abs(target - from);
    if (which == 2) {
        return distance <= 6 ? 1 : 6;
    }
    if (which == 4) {
        return distance >= 8 ? 8 : distance >= 2 ? 2 : 1;
    }
    return distance >= 2 ? 2 : 1;
}

double NeedleAngle(int which, int value) {
    const int limit = VehicleValueLimit(which);
    value = std::clamp(value, 0, limit);
    // The dials sweep clockwise from the lower left over the top to the lower
    // right. Dial 0 and its likes are marked 2 degrees apart at both ends.
    if (which == 2) {
        const double start = 251.5, end = 108.5 + 360.0;
        return std::fmod(start + (end - start) * value / limit, 360.0);
    }
    const double start = 261.5;
    double angle;
    if (value <= 3) {
        angle = start + 2.0 * value;
    } else if (value >= limit - 2) {
        static constexpr double kLast[3] = {94.5, 96.5, 99.0};
        angle = kLast[value - (limit - 2)] + 360.0;
    } else {
        const double from = start + 6.0, to = 94.5 + 360.0;
        angle = from + (to - from) * (value - 3) / (limit - 5);
    }
    return std::fmod(angle, 360.0);
}

} // namespace kv::views
