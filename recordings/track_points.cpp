#include "avi_verify.h"
#include "recording_name.h"
#include "telemetry_decode.h"
#include "telemetry_reader.h"

namespace kv {

bool ReadHeaderOnly(const QString& path, TelemetryHeader& header,
                    const MapErrorHandler& onMapError) {
    if (VerifyRecording(path) != kRecordingSound) {
        return false;
    }
    MappedFile file;
    if (!OpenMapped(path, file)) {
        return false;
    }
    std::recursive_mutex scanLock;
    TelemetryHeader decoded;
    const bool ok = LocateTelemetryBlock(
        file, scanLock, onMapError, [&](const unsigned char* block, std::uint32_t available) {
            return telemetry::DecodeHeader(block, available, decoded);
        });
    if (ok) {
        header = decoded;
    }
    return ok;
}

bool LoadTrackPoints(const std::vector<QString>& paths, std::vector<GpsSample>& out,
                     const MapErrorHandler& onMapError) {
    out.clear();
    std::recursive_mutex scanLock;
    LocalTimeConverter clock;
    for (const QString& path : paths) {
        if (VerifyRecording(path) != kRecordingSound) {
            continue;
        }
        MappedFile file;
        if (!OpenMapped(path, file)) {
            return false;
        }
        const bool parking = FileNameOf(path).startsWith(u'P');
        const std::size_t base = out.size();
        // The header is not decoded here, so every recording keeps the 100 ms interval.
        const auto gpsOnly = [&](const unsigned char* block, std::uint32_t available) {
            out.resize(base); // a second pass over the same block starts again
            return telemetry::ForEachRecord(
                block, available, [&](const unsigned char* record, std::uint32_t n) {
                    const auto index = static_cast<std::int32_t>(n);
                    if (parking) {
                        out.push_back(telemetry::GpsPlaceholder(index));
                    } else {
                        telemetry::DecodeGps(record, index, 100.0f, clock, out.emplace_back());
                    }
                });
        };
        if (!LocateTelemetryBlock(file, scanLock, onMapError, gpsOnly)) {
            return false;
        }
    }
    return true;
}

} // namespace kv
