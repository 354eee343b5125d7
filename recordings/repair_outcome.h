#pragma once

#include "repair.h"

#include <QString>

#include <cstdint>

namespace kv {

// What a repair kept of a damaged recording and what it had to leave behind.
struct RepairOutcome {
    std::uint32_t frames = 0;      // video chunks indexed in the copy
    std::uint32_t audioChunks = 0; // audio chunks indexed in the copy
    double seconds = 0.0;          // video length of the copy
    // Frames the damaged file's header announces: the whole recording's when
    // the recorder wrote it before it stopped, 0 after a power loss.
    std::uint32_t announcedFrames = 0;
    // Bytes of the damaged file after its last whole chunk: an unfinished
    // chunk and whatever followed it (the telemetry block among it), which the
    // copy does not carry.
    std::int64_t droppedBytes = 0;
};

// The outcome of a repair of source into target that ended with report.
// Call it after a successful RepairFile; source is read, not changed.
RepairOutcome DescribeRepair(const QString& source, const QString& target,
                             const RepairReport& report);

} // namespace kv
