#include "telemetry_decode.h"

#include "byte_order.h"
#include "text_number.h"

#include <climits>
#include <cmath>

namespace kv::telemetry {

namespace {

float Threshold(const unsigned char* p) {
    return static_cast<float>(ParseDecimal(FieldText(p, 4)) / 1000.0);
}

void DecodeOneHeader(const unsigned char* h, TelemetryHeader& header) {
    header.thresholdMark = static_cast<char>(h[16]);
    if (h[16] == 'M' || h[16] == 'D') {
        header.thresholdX = Threshold(h);
        header.thresholdY = Threshold(h + 4);
        header.thresholdZ = Threshold(h + 8);
        header.threshold4 = Threshold(h + 12);
    } else {
        header.thresholdX = header.thresholdY = header.thresholdZ = header.threshold4 = -1.0f;
    }
    for (std::size_t i = 0; i < header.carried.size(); ++i) {
        header.carried[i] = h[17 + i];
    }
    header.quality = static_cast<char>(h[23]);
    header.byte24 = h[24];
    header.vehicleDataKind = static_cast<char>(h[25]);
    header.speedDisplay = h[26];
    header.gpsDisplay = h[27];
}

// A further header follows when bytes 36-39 read "@CS" and an upper-case letter.
bool ChainedHeaderFollows(const unsigned char* h) {
    return h[36] == 0x40 && h[37] == 0x43 && h[38] == 0x53 && h[39] >= 'A' && h[39] <= 'Z';
}

// A coordinate as DDMM.MMMM (or DDDMM.MMMM): degrees x 100 plus decimal minutes.
double Coordinate(const unsigned char* p, std::size_t width, unsigned char hemisphere) {
    const std::string_view text = FieldText(p, width);
    if (!HasDigit(text)) {
        return kNoCoordinate;
    }
    const double v = ParseDecimal(text);
    const double degrees = static_cast<double>(static_cast<std::int64_t>(std::trunc(v)) / 100);
    const double minutes = std::fmod(v, 100.0);
    const double value = minutes / 60.0 + degrees;
    return hemisphere == 0x00 ? -value : value;
}

int TwoDigits(const unsigned char* p) {
    return ParseInteger(FieldText(p, 2));
}

} // namespace

std::uint16_t RecordCount(const unsigned char* block) {
    return ReadBe16(block + kCountOffset);
}

bool DecodeHeader(const unsigned char* block, std::uint32_t available, TelemetryHeader& header) {
    if (available < kRecordsOffset) {
        return false;
    }
    DecodeOneHeader(block, header);
    const unsigned char* h = block;
    std::uint32_t left = available;
    while (left >= 80 && ChainedHeaderFollows(h)) {
        h += 40;
        left -= 40;
        DecodeOneHeader(h, header);
    }
    return true;
}

void DecodeGps(const unsigned char* r, std::int32_t n, float intervalMs, LocalTimeConverter& clock,
               GpsSample& out) {
    out = GpsSample{};
    out.index = n;
    out.frame = RecordTimeMs(n, intervalMs);
    out.valid = r[8] == 'A' ? 1 : 0;
    const std::string_view speed = FieldText(r + 30, 4);
    out.speedKmh = HasDigit(speed) ? ParseDecimal(speed) : kNoSpeed;
    out.latitude = Coordinate(r + 9, 9, r[18]);
    out.longitude = Coordinate(r + 19, 10, r[29]);
    out.direction = 0.0;

    std::int64_t time = 0;
    if (!clock.ToTime(2000 + TwoDigits(r + 34), TwoDigits(r + 36), TwoDigits(r + 38),
                      TwoDigits(r + 40), TwoDigits(r + 42), TwoDigits(r + 44), time)) {
        time = 0;
    }
    if (r[47] != '*') {
        time += ParseInteger(FieldText(r + 47, 3));
    }
    out.time = clock.ToCalendar(time);
}

GpsSample GpsPlaceholder(std::int32_t n) {
    GpsSample sample;
    sample.index = n;
    sample.frame = INT32_MAX; // never before any sensor sample: nothing links to it
    sample.valid = 0;
    return sample;
}

void DecodeSensor(const unsigned char* r, std::int32_t n, float intervalMs, SensorSample& out) {
    out = SensorSample{};
    out.index = n;
    out.frame = RecordTimeMs(n, intervalMs);
    if (r[80] == 'D') {
        out.kind = 6;
    } else if (r[77] == 'D') {
        out.kind = 5;
    } else if (r[81] == 'D') {
        out.kind = 7;
    } else if (r[79] == 'H') {
        out.kind = 10;
    } else if (r[79] == 'A') {
        out.kind = 11;
    } else if (r[79] == 'B') {
        out.kind = 12;
    } else {
        out.kind = kNoEvent;
    }
    out.speeding = r[82] == 'D' ? 8 : 0;
    out.approaching = r[83] == 'D' ? 9 : 0;
    out.axis = r[78] == 'X' ? 1 : r[78] == 'Y' ? 2 : r[78] == 'Z' ? 3 : 0;
    const auto accel = [](const unsigned char* p) {
        const float milliG = static_cast<float>(ParseDecimal(FieldText(p, 5)));
        return static_cast<double>(milliG / 1000.0f);
    };
    out.accelX = accel(r + 62);
    out.accelY = accel(r + 67);
    out.accelZ = accel(r + 72);
    out.voltageTenths = (r[51] == ' ' && r[52] == ' ' && r[53] == ' ')
                            ? kNoVoltage
                            : ParseInteger(FieldText(r + 51, 3));
    out.statusMark = static_cast<char>(r[128]);
    out.nibbleHigh = static_cast<std::uint8_t>(r[129] >> 4);
    out.nibbleLow = static_cast<std::uint8_t>(r[129] & 0x0F);
}

void DecodeVehicle(const unsigned char* r, std::int32_t n, VehicleSample& out) {
    out.index = n;
    for (std::size_t i = 0; i < out.bytes.size(); ++i) {
        out.bytes[i] = r[84 + i];
    }
    for (std::size_t i = 0; i < out.words.size(); ++i) {
        out.words[i] = ReadLe16(r + 88 + 2 * i);
    }
}

} // namespace kv::telemetry
