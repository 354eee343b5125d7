#include "telemetry_reader.h"

#include "byte_order.h"
#include "recording_name.h"
#include "telemetry_decode.h"

namespace kv {

namespace {

void ReportRefusedView(MappedFile& file, const MapErrorHandler& onMapError) {
    if (onMapError) {
        onMapError(QStringLiteral("Error Message"), file.lastError);
    }
}

} // namespace

bool LocateTelemetryBlock(MappedFile& file, std::recursive_mutex& scanLock,
                          const MapErrorHandler& onMapError, const BlockHandler& handler) {
    using namespace telemetry;
    const std::uint64_t size = file.size;
    if (size > kFullBlockLength) {
        MappedView view = MapWindow(file, size - kFullBlockLength, kFullBlockLength);
        if (!view) {
            ReportRefusedView(file, onMapError);
            return false;
        }
        if (HasTag(view.data(), kBlockTag, kTagLength) &&
            handler(view.data() + kTagLength, view.length() - kTagLength)) {
            return true;
        }
    }
    std::lock_guard guard(scanLock);
    const std::uint64_t start = size * 3 / 4;
    MappedView view = MapWindow(file, start, size - start);
    if (!view) {
        ReportRefusedView(file, onMapError);
        return false;
    }
    const std::uint64_t window = view.length();
    if (window > kFramingLength) {
        for (std::uint64_t distance = kFramingLength; distance < window;
             distance += kRecordLength) {
            const unsigned char* at = view.data() + (window - distance);
            if (HasTag(at, kBlockTag, kTagLength)) {
                handler(at + kTagLength, static_cast<std::uint32_t>(distance - kTagLength));
                break;
            }
        }
    }
    return true;
}

bool TelemetryReader::Init() {
    ClearSamples();
    path.clear();
    fileSize = 0;
    header = {};
    CloseMapped(file);
    viewsMapped = 0;
    frameDurationMs = 0.0f;
    loaded = false;
    recordIntervalMs = 100.0f;
    return true;
}

void TelemetryReader::ClearSamples() {
    gps.clear();
    sensors.clear();
    vehicles.clear();
    frameIndex.clear();
    recordNumber = -1;
    peak = 0.0;
}

void TelemetryReader::Destroy() {
    std::lock_guard guard(lock); // wait for a scan in progress
    loaded = false;
    ClearSamples();
    gps.shrink_to_fit();
    sensors.shrink_to_fit();
    vehicles.shrink_to_fit();
    frameIndex.shrink_to_fit();
    CloseMapped(file);
    path.clear();
}

bool TelemetryReader::Decode(const BlockHandler& handler) {
    return LocateTelemetryBlock(file, lock, onMapError, handler);
}

bool TelemetryReader::Open(const QString& recordingPath) {
    ClearSamples();
    loaded = false;
    if (!OpenMapped(recordingPath, file)) {
        Destroy();
        return false;
    }
    path = recordingPath;
    fileSize = file.size;
    const bool parking = FileNameOf(recordingPath).startsWith(u'P');
    const float interval = IsTimeLapse(recordingPath) ? 66.666664f : 100.0f;

    // The full handler: header, GPS, sensor and vehicle parts. It starts from
    // empty arrays each time it runs, so a block that is decoded a second time
    // (found again by the scan) never leaves samples twice.
    const auto full = [&](const unsigned char* block, std::uint32_t available) {
        ClearSamples();
        if (!telemetry::DecodeHeader(block, available, header)) {
            return false;
        }
        recordIntervalMs = interval;
        const std::uint32_t expected =
            std::min<std::uint32_t>(available / telemetry::kRecordLength, telemetry::kMaxRecords);
        gps.reserve(expected);
        sensors.reserve(expected);
        vehicles.reserve(expected);
        LocalTimeConverter clock;
        const bool ok = telemetry::ForEachRecord(
            block, available, [&](const unsigned char* record, std::uint32_t n) {
                const auto index = static_cast<std::int32_t>(n);
                if (parking) {
                    gps.push_back(telemetry::GpsPlaceholder(index));
                } else {
                    telemetry::DecodeGps(record, index, recordIntervalMs, clock,
                                         gps.emplace_back());
                }
                telemetry::DecodeSensor(record, index, recordIntervalMs, sensors.emplace_back());
                telemetry::DecodeVehicle(record, index, vehicles.emplace_back());
                recordNumber = index;
            });
        return ok;
    };
    const bool decoded = Decode(full);
    CloseMapped(file);
    if (!decoded) {
        Destroy();
        return false;
    }
    loaded = true;
    return true;
}

const SensorSample* SampleAtFrame(const TelemetryReader& reader, std::int64_t frame) {
    if (frame < 0 || frame >= static_cast<std::int64_t>(reader.frameIndex.size())) {
        return nullptr;
    }
    return reader.frameIndex[static_cast<std::size_t>(frame)];
}

bool MoveFrom(TelemetryReader& target, TelemetryReader& source) {
    target.gps = std::move(source.gps);
    target.sensors = std::move(source.sensors);
    target.vehicles = std::move(source.vehicles);
    target.frameIndex = std::move(source.frameIndex);
    target.header = source.header;
    target.recordNumber = source.recordNumber;
    target.peak = source.peak;
    target.path = std::move(source.path);
    source.gps.clear();
    source.sensors.clear();
    source.vehicles.clear();
    source.frameIndex.clear();
    source.header = {};
    source.recordNumber = -1;
    source.peak = 0.0;
    source.path.clear();
    return !target.gps.empty();
}

} // namespace kv
