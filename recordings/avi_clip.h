#pragma once

#include "avi_layout.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace kv {

// One source file whose chunk payload a clip carries.
struct ClipSegment {
    QString path;
    std::uint64_t payloadStart = 0;  // first chunk: 396, or 292 for time-lapse recordings
    std::uint64_t payloadLength = 0; // movi size - 4
};

// In-memory descriptor of one recording, or of a join in progress: copies of
// the header, the movi head, the index and (front camera) the telemetry
// block; the chunk payloads stay in their files and are referenced by the
// segments.
struct AviClip {
    std::uint64_t fileSize = 0;
    bool parkingGroup = false;
    bool timeLapse = false;
    QByteArray header;                        // the first 384 or 280 bytes
    std::array<unsigned char, 12> moviHead{}; // "LIST", movi size, "movi"
    std::vector<ClipSegment> segments;        // in payload order
    std::array<unsigned char, 8> indexHead{}; // "idx1", index size
    std::vector<avi::IndexEntry> index;

    // Telemetry block, front camera only.
    bool hasTelemetry = false;
    std::array<unsigned char, 40> blockHead{}; // "CSMDAT", header, count (count kept below)
    std::array<unsigned char, 28> trailer{};   // "CSMEND"... (count kept below)
    std::uint16_t recordCount = 0;             // the block head's count, host order
    std::uint32_t trailerCount = 0;            // the trailer's count, host order
    QByteArray records;                        // recordCount x 130 bytes

    std::uint32_t moviSize() const;
    std::uint32_t indexSize() const;
};

enum class ClipContents {
    WithTelemetry, // front-camera files must carry a well-formed telemetry block
    MediaOnly,     // header, movi head and index only (for playing the file)
};

// Loads the descriptor of one recording file. Nothing when the file cannot be
// read or its sizes do not fit inside it; with WithTelemetry a front-camera
// file must also carry a well-formed telemetry block. An open-ended block
// (count 0xFFFF) is loaded with the records before its end record, and both
// counts set to that number.
std::unique_ptr<AviClip> LoadClip(const QString& path,
                                  ClipContents contents = ClipContents::WithTelemetry);
void FreeClip(std::unique_ptr<AviClip>& clip);

} // namespace kv
