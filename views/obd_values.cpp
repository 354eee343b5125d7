#include "obd_values.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kv::views {

void UpdateVehicleValues(VehicleValues& values, const VehicleSample& sample) {
    const auto& w = sample.words;
    auto take = [&](int which, std::uint16_t word, int noData, int value) {
        if (word == kWordUnchanged) {
            return;
        }
        values[static_cast<std::size_t>(which)] = word == kWordNoData ? noData : value;
    };
    take(0, w[7], 0, w[7] / 10);
    take(1, w[2], 0, w[2] / 100);
    take(2, w[1], 90,
         static_cast<int>(std::floor((static_cast<double>(w[1]) - 101.0) / 100.0 * 100.0 + 90.0)));
    take(3, w[0], 0, static_cast<int>(w[0]) - 40);
    take(4, w[3], 0, w[3]);
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
