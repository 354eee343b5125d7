#include "telemetry_reader.h"

#include "byte_order.h"
#include "recording_name.h"
#include "telemetry_decode.h"

#include <algorithm>

namespace kv {

namespace {

// Tag positions read at once by the block scan: about 1 MB of the file.
constexpr std::uint64_t kScanStretch = std::uint64_t{8064} * telemetry::kRecordLength;

// Bytes after the tag of a block of the most records a count can name, with
// its trailer: the record walk never needs more of them.
constexpr std::uint64_t kLongestBlock =
    telemetry::kHeadLength - telemetry::kTagLength +
    std::uint64_t{telemetry::kMaxRecords} * telemetry::kRecordLength + telemetry::kTrailerLength;

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
    // The tag is looked for in the last quarter at the positions a block of
    // whole records would start at (distance 68 + 130 n from the end, nearest
    // first), reading a stretch of positions at a time.
    const std::uint64_t start = size * 3 / 4;
    const std::uint64_t window = size - start;
    for (std::uint64_t first = kFramingLength; first < window;) {
        std::uint64_t last = first;
        while (last + kRecordLength < window && last - first < kScanStretch) {
            last += kRecordLength;
        }
        // Positions size - last (lowest) up to size - first, each with its tag.
        MappedView view = MapWindow(file, size - last, last - first + kTagLength);
        if (!view || view.length() != last - first + kTagLength) {
            ReportRefusedView(file, onMapError);
            return false;
        }
        for (std::uint64_t distance = first; distance <= last; distance += kRecordLength) {
            if (!HasTag(view.data() + (last - distance), kBlockTag, kTagLength)) {
                continue;
            }
            // The block runs to the end of the file; no decoder reads further
            // than the longest block its 16-bit record count can describe.
            const std::uint64_t available = distance - kTagLength;
            MappedView block = MapWindow(file, size - available,
                                         std::min<std::uint64_t>(available, kLongestBlock));
            if (!block) {
                ReportRefusedView(file, onMapError);
                return false;
            }
            handler(block.data(), block.length());
            return true;
        }
        first = last + kRecordLength;
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

bool TelemetryReader::Open(const QString& recordingPath, const std::atomic<bool>* cancel) {
    ClearSamples();
    loaded = false;
    const auto cancelled = [cancel] { return cancel != nullptr && cancel->load(); };
    if (cancelled() || !OpenMapped(recordingPath, file)) {
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
        if (cancelled()) {
            return false;
        }
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
    // A block the handler gave up on counts as no block, so a cancel is
    // looked at again once the decode is over.
    const bool decoded = !cancelled() && Decode(full) && !cancelled();
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
