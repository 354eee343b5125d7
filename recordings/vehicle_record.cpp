#include "vehicle_record.h"

#include <cmath>

namespace kv {

VehicleRecordValues ReadVehicleRecord(const VehicleSample& sample) {
    const auto value = [](std::uint16_t word, int noData, int converted) -> std::optional<int> {
        if (word == kVehicleWordUnchanged) {
            return std::nullopt;
        }
        return word == kVehicleWordNoData ? noData : converted;
    };
    const auto& w = sample.words;
    return {
        value(w[0], 0, static_cast<int>(w[0]) - 40),
        value(w[1], 90,
              static_cast<int>(
                  std::floor((static_cast<double>(w[1]) - 101.0) / 100.0 * 100.0 + 90.0))),
        value(w[2], 0, w[2] / 100),
        value(w[7], 0, w[7] / 10),
        value(w[3], 0, w[3]),
    };
}

} // namespace kv
