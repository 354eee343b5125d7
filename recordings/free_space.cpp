#include "free_space.h"

#include <QStorageInfo>

#include <algorithm>

namespace kv {

std::int64_t AvailableBytes(const QString& folder) {
    const QStorageInfo volume(folder);
    if (!volume.isValid()) {
        return -1;
    }
    return volume.bytesAvailable();
}

std::int64_t JoinSpaceNeeded(const RecordingList& jobs) {
    std::int64_t sum = 0;
    for (const RecordingEntry& entry : jobs) {
        // Lengths are -1 only for folder entries, which are never joined.
        sum += std::max<std::int64_t>(entry.frontExpectedLength, 0);
        sum += std::max<std::int64_t>(entry.rearExpectedLength, 0);
    }
    return sum;
}

bool HasRoomForJoin(const RecordingList& jobs, const QString& folder,
                    const AvailableBytesQuery& available) {
    const std::int64_t bytes = available ? available(folder) : AvailableBytes(folder);
    return bytes >= 0 && JoinSpaceNeeded(jobs) < bytes;
}

} // namespace kv
