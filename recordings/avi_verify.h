#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class QIODevice;

namespace kv {

enum VerifyResult : int {
    kRecordingSound = 0,
    kRecordingDamaged = 1,    // never closed, cut short, or its index lost: repairable
    kRecordingUnreadable = 2, // cannot be opened or mapped
};

// Structural check of a recording. When expectedLength is given it receives
// the length the file should have: header, movi list, index and, when the
// file ends with a trailer, the telemetry block.
int VerifyRecording(const QString& path, std::int64_t* expectedLength = nullptr);

struct RecordingTiming {
    float frameDurationMs = 0.0f; // dwScale x 1000 / dwRate
    double durationSeconds = 0.0; // dwTotalFrames x frame duration / 1000
    std::uint32_t totalFrames = 0;
    std::uint32_t scale = 0;
    std::uint32_t rate = 0;
};

// Reads the main and video stream headers. Nothing when the read falls short
// or dwRate or dwScale is 0.
std::optional<RecordingTiming> ReadTiming(QIODevice& file);
std::optional<RecordingTiming> ReadTiming(const QString& path);

} // namespace kv
