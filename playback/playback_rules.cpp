#include "playback_rules.h"

#include "recording_name.h"
#include "ui_texts.h"
#include "vehicle_record.h"

#include <cmath>

namespace kv::playback {

QString SpeedLabel(int rateCode) {
    switch (rateCode) {
    case 1:
        return Text(UiText::SpeedX1);
    case 2:
        return Text(UiText::SpeedX2);
    case 4:
        return Text(UiText::SpeedX4);
    case -2:
        return Text(UiText::SpeedHalf);
    case -4:
        return Text(UiText::SpeedQuarter);
    default:
        return {};
    }
}

int DefaultRateCode(const RecordingEntry& entry) {
    const bool timeLapse = (!entry.frontPath.isEmpty() && IsTimeLapse(entry.frontPath)) ||
                           (!entry.rearPath.isEmpty() && IsTimeLapse(entry.rearPath));
    return timeLapse ? -2 : 1;
}

int SeekMargin(int rateCode) {
    return rateCode == 2 ? 40 : rateCode == 4 ? 80 : 20;
}

int EndGuardFrames(float frameDurationMs, int rateCode) {
    const float d = frameDurationMs == 0.0f ? 34.36426f : frameDurationMs;
    const float o = static_cast<float>(SeekMargin(rateCode));
    const float k = o * -1000.0f / 29.1f / d;
    return -static_cast<int>(k);
}

int TickTolerance(std::int64_t frameCount) {
    return static_cast<int>(frameCount / 1000 + 30);
}

std::int64_t MapFrame(std::int64_t frame, float ratio) {
    return static_cast<std::int64_t>(static_cast<float>(frame) * ratio);
}

int RecordingSizeCode(int pictureHeight, char quality, bool fromRear) {
    const int row = fromRear ? 2 : quality == 'H' ? 0 : quality == 'L' ? 1 : 2;
    static constexpr int kHeights[5] = {360, 720, 1080, 1296, 1440};
    static constexpr int kCodes[3][5] = {{1, 3, 5, 9, 7}, {2, 4, 6, 10, 8}, {0, 11, 12, 0, 0}};
    for (int column = 0; column < 5; ++column) {
        if (kHeights[column] == pictureHeight) {
            return kCodes[row][column];
        }
    }
    return 0;
}

int ScaleLevel(double peak) {
    return peak >= 1.5 ? 3 : peak >= 1.0 ? 2 : peak >= 0.5 ? 1 : 0;
}

std::array<std::optional<int>, 5> VehicleValues(const VehicleSample& sample) {
    return ReadVehicleRecord(sample);
}

} // namespace kv::playback
