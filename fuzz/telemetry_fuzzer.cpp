// Arbitrary bytes as a telemetry block (the bytes after its "CSMDAT" tag, up
// to the end of the file): the header decoder, the record walk and the GPS,
// sensor and vehicle decoders must stay inside the block and keep the walk's
// rules. The walk over a file (locating the block) is the recording fuzzer's.

#include "telemetry_decode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace kv::telemetry;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool IsEndRecord(const unsigned char* record) {
    return record[0] == 'C' && record[1] == 'S' && record[2] == 'M' && record[3] == 'E' &&
           record[4] == 'N' && record[5] == 'D';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 0xFFFFFFFFu) {
        return 0;
    }
    // The first byte picks the record interval (normal or time-lapse).
    const float intervalMs = (data[0] & 1) != 0 ? 66.666664f : 100.0f;
    const unsigned char* block = data + 1;
    const auto available = static_cast<std::uint32_t>(size - 1);

    kv::TelemetryHeader header;
    Require(DecodeHeader(block, available, header) == (available >= kRecordsOffset));

    kv::LocalTimeConverter clock;
    std::uint32_t visited = 0;
    bool endSeen = false;
    const bool walked =
        ForEachRecord(block, available, [&](const unsigned char* record, std::uint32_t n) {
            Require(n == visited);
            Require(record == block + kRecordsOffset + std::size_t{n} * kRecordLength);
            Require(record + kRecordLength <= block + available);
            endSeen = endSeen || IsEndRecord(record);
            ++visited;
            const auto number = static_cast<std::int32_t>(n);
            kv::GpsSample gps;
            DecodeGps(record, number, intervalMs, clock, gps);
            Require(gps.index == number && (gps.valid == 0 || gps.valid == 1));
            Require(gps.time.month <= 12 && gps.time.day <= 31 && gps.time.hour < 24 &&
                    gps.time.minute < 60 && gps.time.second < 61);
            kv::SensorSample sensor;
            DecodeSensor(record, number, intervalMs, sensor);
            Require(sensor.index == number && sensor.axis >= 0 && sensor.axis <= 3);
            kv::VehicleSample vehicle;
            DecodeVehicle(record, number, vehicle);
            Require(vehicle.index == number);
        });
    Require(!endSeen); // the walk stops at an end record and never hands it on
    Require(visited <= kMaxRecords);
    if (available >= kRecordsOffset) {
        const std::uint32_t count = RecordCount(block);
        if (count != kOpenEndedCount) {
            Require(visited <= count);
            Require(!walked || visited == count);
        }
    } else {
        Require(!walked && visited == 0);
    }
    (void)GpsPlaceholder(static_cast<std::int32_t>(visited));
    return 0;
}
