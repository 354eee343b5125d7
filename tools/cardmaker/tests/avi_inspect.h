#pragma once

// An independent reader of the recorder's files for the card maker's tests: it
// walks the bytes of a recording by the recorder's layout rules and decodes the
// telemetry text fields the way the viewer's decoder is meant to, so that what
// the writer produced can be compared with what it was asked to write.

#include "cardmaker.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kv::cardmaker::testing {

QByteArray ReadWholeFile(const QString& path);

std::uint32_t U32(const QByteArray& b, qsizetype offset);
std::uint16_t U16(const QByteArray& b, qsizetype offset);
std::uint32_t BigU32(const QByteArray& b, qsizetype offset);
std::uint16_t BigU16(const QByteArray& b, qsizetype offset);
std::string Tag(const QByteArray& b, qsizetype offset, int length = 4);

struct ChunkAt {
    std::string tag;
    qsizetype offset = 0; // of the tag, in the file
    std::uint32_t size = 0;
};

struct IndexEntry {
    std::string tag;
    std::uint32_t flags = 0;
    std::uint32_t offset = 0; // relative to the "movi" tag
    std::uint32_t size = 0;
};

// Walks chunks from `from` while whole chunk heads fit; stops at the first tag that
// is neither "00dc" nor "01wb", at `end`, or at the end of the data.
// `overrun` is set when the last chunk's payload reaches past the end of the data.
std::vector<ChunkAt> WalkChunks(const QByteArray& file, qsizetype from, qsizetype end,
                                bool* overrun);

// Offsets of "00dc" / "01wb" byte sequences at or after `from` that are not the tag of one
// of `chunks`: a repair that searches the bytes for tags would stumble over them.
std::vector<qsizetype> StrayTags(const QByteArray& file, const std::vector<ChunkAt>& chunks,
                                 qsizetype from);

struct SoundRecording {
    std::uint32_t headerLength = 0;
    std::uint32_t moviSize = 0;
    std::uint32_t indexSize = 0;
    std::vector<ChunkAt> chunks;
    std::vector<IndexEntry> index;
    qsizetype indexEnd = 0;
    QByteArray block; // everything after the index
};

// Checks every structural rule of a sound recording; nothing when they hold, else what broke.
std::optional<std::string> CheckSoundRecording(const QByteArray& file, bool timeLapse,
                                               SoundRecording* out);

struct TelemetryBlock {
    std::uint16_t count = 0;         // the 16-bit field
    std::uint32_t trailerCount = 0;  // the trailer's 32-bit field
    QByteArray header;               // the 32 bytes after "CSMDAT"
    std::vector<QByteArray> records; // the records the count (or the "CSMEND" record) gives
};

std::optional<std::string> ParseTelemetryBlock(const QByteArray& block, TelemetryBlock* out);

// One record decoded by the field table: text fields as numbers, absent values as the
// viewer's markers (720.0 position, 32767.0 speed, -1 voltage).
struct DecodedRecord {
    char status = 0;
    double latitude = 0;
    double longitude = 0;
    double speed = 0;
    LocalTime written;
    bool addStar = false;
    int added = 0;
    int voltage = 0;
    int accel[3] = {0, 0, 0};
    char flags[7] = {};
    std::uint8_t vehicleBytes[4] = {};
    std::uint16_t words[18] = {};
    char mark = 0;
    std::uint8_t nibbles = 0;

    LocalTime Effective() const { return addStar ? written : AddSeconds(written, added); }
};

DecodedRecord DecodeRecord(const QByteArray& record);

// The camera stamps of every decoded frame of a recording, read through libavformat and
// libavcodec; `error` explains a failure to open or decode.
std::vector<std::optional<FrameStamp>> DecodeFrameStamps(const QString& path, std::string* error);

} // namespace kv::cardmaker::testing
