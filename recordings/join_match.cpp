#include "join_match.h"

#include "avi_layout.h"
#include "byte_order.h"
#include "output_target.h"

#include <algorithm>

namespace kv {

namespace {

std::uint32_t Field(const AviClip& clip, std::uint32_t offset) {
    return ReadLe32(reinterpret_cast<const unsigned char*>(clip.header.constData()) + offset);
}

bool HasSound(const AviClip& clip) {
    return std::any_of(clip.index.begin(), clip.index.end(),
                       [](const avi::IndexEntry& e) { return e.tag == avi::kAudioFourCc; });
}

QString Rate(const AviClip& clip) {
    return QStringLiteral("%1/%2")
        .arg(Field(clip, avi::kVideoRate))
        .arg(Field(clip, avi::kVideoScale));
}

// The main header's stream count.
constexpr std::uint32_t kStreamCount = 56;

} // namespace

QString JoinMismatch(const AviClip& first, const AviClip& next) {
    if (first.timeLapse != next.timeLapse || first.header.size() != next.header.size()) {
        return QStringLiteral("a time-lapse recording and a normal recording");
    }
    if (first.header.size() < static_cast<qsizetype>(avi::HeaderLength(first.timeLapse))) {
        return QStringLiteral("a header is incomplete");
    }
    if (Field(first, kStreamCount) != Field(next, kStreamCount)) {
        return QStringLiteral("the number of streams differs (%1 and %2)")
            .arg(Field(first, kStreamCount))
            .arg(Field(next, kStreamCount));
    }
    const std::uint64_t rateA = Field(first, avi::kVideoRate);
    const std::uint64_t scaleA = Field(first, avi::kVideoScale);
    const std::uint64_t rateB = Field(next, avi::kVideoRate);
    const std::uint64_t scaleB = Field(next, avi::kVideoScale);
    if (rateA * scaleB != rateB * scaleA || (scaleA == 0) != (scaleB == 0)) {
        return QStringLiteral("the frame rates differ (%1 and %2)").arg(Rate(first), Rate(next));
    }
    if (Field(first, avi::kVideoWidth) != Field(next, avi::kVideoWidth) ||
        Field(first, avi::kVideoHeight) != Field(next, avi::kVideoHeight)) {
        return QStringLiteral("the picture sizes differ (%1x%2 and %3x%4)")
            .arg(Field(first, avi::kVideoWidth))
            .arg(Field(first, avi::kVideoHeight))
            .arg(Field(next, avi::kVideoWidth))
            .arg(Field(next, avi::kVideoHeight));
    }
    if (HasSound(first) != HasSound(next)) {
        return QStringLiteral("one has sound and the other has none");
    }
    if (!first.timeLapse &&
        (Field(first, avi::kAudioRate) != Field(next, avi::kAudioRate) ||
         Field(first, avi::kAudioAverageBytes) != Field(next, avi::kAudioAverageBytes))) {
        return QStringLiteral("the sound formats differ");
    }
    return {};
}

QString RepeatedJoinSource(const RecordingList& jobs) {
    QStringList files;
    for (const RecordingEntry& entry : jobs) {
        for (const QString& path : {entry.frontPath, entry.rearPath}) {
            if (path.isEmpty()) {
                continue;
            }
            for (const QString& earlier : files) {
                if (SameFileTarget(earlier, path)) {
                    return earlier == path
                               ? QStringLiteral("%1 is given twice").arg(path)
                               : QStringLiteral("%1 and %2 are the same file").arg(earlier, path);
                }
            }
            files << path;
        }
    }
    return {};
}

} // namespace kv
