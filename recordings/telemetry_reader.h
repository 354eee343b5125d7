#pragma once

#include "mapped_file.h"
#include "telemetry_types.h"

#include <QString>

#include <atomic>

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace kv {

// Raised when the system refuses a view of a recording while its telemetry is
// decoded (caption "Error Message", the system's text). The library shows
// nothing itself; the user interface installs a handler that does.
using MapErrorHandler = std::function<void(const QString& caption, const QString& text)>;

// Handles the bytes after a block's "CSMDAT" tag; available is the number of
// bytes from there to the end of the file. Returns false when the block is
// not acceptable.
using BlockHandler = std::function<bool(const unsigned char* block, std::uint32_t available)>;

// Finds the telemetry block of an open recording and runs handler on it: first
// at the fixed position of a full-length block, otherwise by scanning the last
// quarter of the file for the block tag. False only when a view is refused.
bool LocateTelemetryBlock(MappedFile& file, std::recursive_mutex& scanLock,
                          const MapErrorHandler& onMapError, const BlockHandler& handler);

// The decoding context of one recording. A reader moves (MoveFrom); it is not copied.
struct TelemetryReader {
    TelemetryReader() = default;
    TelemetryReader(const TelemetryReader&) = delete;
    TelemetryReader& operator=(const TelemetryReader&) = delete;

    bool Init();
    void Destroy();
    // Decodes the whole block of path; false (and the reader cleared) when the
    // file cannot be opened, a view is refused or cancel was set (it is
    // looked at before the file is read and again before the block is decoded).
    bool Open(const QString& path, const std::atomic<bool>* cancel = nullptr);
    // Runs handler on the block of the file that is open.
    bool Decode(const BlockHandler& handler);
    // Converts sample times to frames of frameDurationMs, fills the frame
    // index with frameCount entries and links the arrays. False when
    // frameCount or the frame duration is not usable.
    bool BuildFrameIndex(std::int64_t frameCount);

    QString path;
    std::uint32_t fileSize = 0;
    std::int32_t recordNumber = -1; // the last record decoded
    double peak = 0.0;              // largest absolute acceleration, G
    TelemetryHeader header;
    std::vector<GpsSample> gps;
    std::vector<SensorSample> sensors;
    std::vector<VehicleSample> vehicles;
    FrameIndex frameIndex;
    MappedFile file; // open only while decoding
    std::uint32_t viewsMapped = 0;
    std::recursive_mutex lock;    // held by the scan path
    float frameDurationMs = 0.0f; // set by the video engine before BuildFrameIndex
    bool loaded = false;
    float recordIntervalMs = 100.0f; // 66.666664 for time-lapse recordings
    MapErrorHandler onMapError;

private:
    void ClearSamples();
};

// The telemetry of video frame f: null outside the index or without telemetry.
const SensorSample* SampleAtFrame(const TelemetryReader& reader, std::int64_t frame);

// Moves the decoded telemetry of source into target and clears source; true
// when the moved GPS array is not empty.
bool MoveFrom(TelemetryReader& target, TelemetryReader& source);

// Decodes only the header of a sound recording.
bool ReadHeaderOnly(const QString& path, TelemetryHeader& header,
                    const MapErrorHandler& onMapError = {});

// Decodes the GPS part of every record of each file, in order, into one array
// (replacing its contents). Files that fail verification are skipped; a file
// that cannot be opened stops the load with false, keeping what was decoded.
bool LoadTrackPoints(const std::vector<QString>& paths, std::vector<GpsSample>& out,
                     const MapErrorHandler& onMapError = {});

} // namespace kv
