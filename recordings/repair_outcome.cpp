#include "repair_outcome.h"

#include "avi_verify.h"
#include "recording_name.h"

#include <QFileInfo>

namespace kv {

RepairOutcome DescribeRepair(const QString& source, const QString& target,
                             const RepairReport& report) {
    RepairOutcome o;
    o.frames = report.videoChunks;
    o.audioChunks = report.audioChunks;
    if (const auto timing = ReadTiming(target)) {
        o.seconds = timing->durationSeconds;
    }
    if (const auto timing = ReadTiming(source)) {
        o.announcedFrames = timing->totalFrames;
    }
    const std::int64_t chunkEnd =
        std::int64_t{avi::MoviTagOffset(IsTimeLapse(source))} + report.moviSize;
    const std::int64_t size = QFileInfo(source).size();
    o.droppedBytes = size > chunkEnd ? size - chunkEnd : 0;
    return o;
}

} // namespace kv
