#pragma once

// Decoding of the telemetry block's header and records; used by the reader
// and the header-only and track-point loaders.

#include "local_time.h"
#include "telemetry_layout.h"
#include "telemetry_types.h"

#include <cstdint>

namespace kv::telemetry {

// Decodes the header at block (the byte after "CSMDAT"), following chained
// headers, into header. False when the bytes do not hold a header.
bool DecodeHeader(const unsigned char* block, std::uint32_t available, TelemetryHeader& header);

// Record count field of a block.
std::uint16_t RecordCount(const unsigned char* block);

// Calls visit(record, n) for each record of the block after the termination
// rules: a fixed count stops after that many records and fails at an early
// end record; the open-ended count stops at the end record. Records that
// would run past the end of the file stop the walk (a failure for a fixed
// count). Returns the handler result.
template <typename Visit>
bool ForEachRecord(const unsigned char* block, std::uint32_t available, Visit&& visit) {
    if (available < kRecordsOffset) {
        return false;
    }
    const std::uint32_t count = RecordCount(block);
    const bool openEnded = count == kOpenEndedCount;
    const std::uint32_t room = (available - kRecordsOffset) / kRecordLength;
    const std::uint32_t limit = openEnded ? (room < kMaxRecords ? room : kMaxRecords) : count;
    const unsigned char* record = block + kRecordsOffset;
    for (std::uint32_t n = 0; n < limit; ++n, record += kRecordLength) {
        if (n >= room) {
            return false; // a fixed count larger than the file
        }
        if (record[0] == 'C' && record[1] == 'S' && record[2] == 'M' && record[3] == 'E' &&
            record[4] == 'N' && record[5] == 'D') {
            return openEnded;
        }
        visit(record, n);
    }
    return true;
}

// The GPS part of record n. Time stamps are local time.
void DecodeGps(const unsigned char* record, std::int32_t n, float intervalMs,
               LocalTimeConverter& clock, GpsSample& out);

// A parking recording's GPS placeholder for record n.
GpsSample GpsPlaceholder(std::int32_t n);

void DecodeSensor(const unsigned char* record, std::int32_t n, float intervalMs, SensorSample& out);
void DecodeVehicle(const unsigned char* record, std::int32_t n, VehicleSample& out);

// Milliseconds from the start of record n.
inline std::int32_t RecordTimeMs(std::int32_t n, float intervalMs) {
    return static_cast<std::int32_t>(static_cast<float>(n) * intervalMs);
}

} // namespace kv::telemetry
