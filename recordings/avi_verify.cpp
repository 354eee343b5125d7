#include "avi_verify.h"

#include "avi_layout.h"
#include "byte_order.h"
#include "mapped_file.h"
#include "recording_name.h"
#include "telemetry_layout.h"

#include <QFile>

namespace kv {

int VerifyRecording(const QString& path, std::int64_t* expectedLength) {
    MappedFile file;
    if (!OpenMapped(path, file)) {
        return kRecordingUnreadable;
    }
    const std::uint64_t size = file.size;
    const std::uint64_t header = avi::HeaderLength(IsTimeLapse(path));

    // The RIFF size and the movi size in one read of the header.
    unsigned char head[avi::kNormalHeaderLength + 8];
    if (!ReadMapped(file, 0, head, static_cast<std::uint32_t>(header + 8))) {
        return kRecordingDamaged;
    }
    if (ReadLe32(head + avi::kRiffSize) == 0) {
        return kRecordingDamaged;
    }
    const std::uint64_t movi = ReadLe32(head + header + 4);
    if (movi == 0 || movi >= size) {
        return kRecordingDamaged;
    }
    // A movi list that runs past the end leaves no room for the index head.
    unsigned char word[8];
    if (!ReadMapped(file, header + 8 + movi, word, 8)) {
        return kRecordingDamaged;
    }
    const std::uint64_t index = HasTag(word, "idx1", 4) ? ReadLe32(word + 4) : 0;
    if (index == 0 || index >= size) {
        return kRecordingDamaged;
    }
    const std::uint64_t endOfIndex = header + 16 + movi + index;
    // An index cut off by the end of the file is as damaged as a missing one.
    if (endOfIndex > size) {
        return kRecordingDamaged;
    }
    if (expectedLength) {
        std::int64_t expected = static_cast<std::int64_t>(endOfIndex);
        unsigned char trailer[telemetry::kTrailerLength];
        if (size >= telemetry::kTrailerLength &&
            ReadMapped(file, size - telemetry::kTrailerLength, trailer, sizeof trailer) &&
            HasTag(trailer, telemetry::kEndTag, telemetry::kTagLength)) {
            expected += std::int64_t{telemetry::kRecordLength} *
                            ReadBe32(trailer + telemetry::kTrailerCountOffset) +
                        telemetry::kFramingLength;
        }
        *expectedLength = expected;
    }
    if (index / avi::kIndexEntryLength == 0) {
        return kRecordingDamaged; // not even one whole entry
    }
    return kRecordingSound;
}

std::optional<RecordingTiming> ReadTiming(QIODevice& file) {
    unsigned char head[avi::kTimingReadLength];
    if (file.read(reinterpret_cast<char*>(head), sizeof head) != qint64{sizeof head}) {
        return std::nullopt;
    }
    RecordingTiming timing;
    timing.scale = ReadLe32(head + avi::kVideoScale);
    timing.rate = ReadLe32(head + avi::kVideoRate);
    timing.totalFrames = ReadLe32(head + avi::kTotalFrames);
    // Without a rate or a scale there is no frame duration (every division
    // by them would give 0, infinity or NaN).
    if (timing.rate == 0 || timing.scale == 0) {
        return std::nullopt;
    }
    timing.frameDurationMs =
        static_cast<float>(static_cast<double>(timing.scale) * 1000.0 / timing.rate);
    timing.durationSeconds = static_cast<double>(static_cast<float>(timing.totalFrames) *
                                                 timing.frameDurationMs / 1000.0f);
    return timing;
}

std::optional<RecordingTiming> ReadTiming(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return ReadTiming(file);
}

} // namespace kv
