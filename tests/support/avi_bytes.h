#pragma once

// Hand-built recorder files for tests: every byte placed here, independent of
// the demo-card maker, so the readers are checked against a second writer.

#include "qt_printers.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <vector>

namespace kv::test {

struct Chunk {
    QByteArray tag; // "00dc" or "01wb"
    QByteArray payload;
    std::uint32_t flags = 0x10;
};

// A video payload: start code, then a NAL header byte and filler.
QByteArray VideoPayload(int length, unsigned char nalHeader = 0x65);

struct AviSpec {
    bool timeLapse = false;
    std::vector<Chunk> chunks;
    // Header fields; the rest of the header is zero apart from the tags.
    std::uint32_t totalFrames = 0; // 0: the number of video chunks
    std::uint32_t scale = 1;
    std::uint32_t rate = 30;
    std::int32_t width = 64;
    std::int32_t height = 36;
    // Overrides of computed sizes (-1 = computed).
    std::int64_t riffSize = -1;
    std::int64_t moviSize = -1;
    std::int64_t indexSize = -1;
    bool writeIndex = true;
    QByteArray telemetry; // appended after the index
};

QByteArray MakeAvi(const AviSpec& recipe);

// One 130-byte telemetry record: blanks everywhere except the fields set.
// Keys are record offsets; values are the bytes placed there.
QByteArray MakeRecord(const std::map<int, QByteArray>& fields);

// A record with typical values: fix 'A', Tokyo, 40 km/h, the given stamp.
QByteArray TypicalRecord(const QByteArray& stamp12 = "261205093000");

struct BlockSpec {
    QByteArray header = DefaultHeader(); // 32 bytes after "CSMDAT"
    std::uint16_t count = 0;             // count field as written
    std::vector<QByteArray> records;
    int fillerSlots = 0;            // zero-filled record slots after the records
    bool endRecord = false;         // a "CSMEND" record after the records
    std::int64_t trailerCount = -1; // -1: the number of slots
    static QByteArray DefaultHeader();
};

QByteArray MakeBlock(const BlockSpec& recipe);

// A full-length (598068-byte) open-ended block holding records.
QByteArray FullLengthBlock(const std::vector<QByteArray>& records,
                           const QByteArray& header = BlockSpec::DefaultHeader());

// An exact-count block holding records.
QByteArray ExactBlock(const std::vector<QByteArray>& records,
                      const QByteArray& header = BlockSpec::DefaultHeader());

// Chunks for frames video frames (key frame every 10) and one audio chunk per 3 frames.
std::vector<Chunk> SimpleChunks(int frames, bool audio);

// Writes bytes to dir/name and returns the path.
QString WriteFile(const QString& dir, const QString& name, const QByteArray& bytes);

} // namespace kv::test
