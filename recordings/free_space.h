#pragma once

#include "recording_entry.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace kv {

// Bytes available to the user on the volume that holds folder; negative when unknown.
using AvailableBytesQuery = std::function<std::int64_t(const QString& folder)>;

// The volume's own answer (QStorageInfo::bytesAvailable).
std::int64_t AvailableBytes(const QString& folder);

// The bytes a join of jobs writes at most: the sum of the front and rear
// expected lengths.
std::int64_t JoinSpaceNeeded(const RecordingList& jobs);

// True when the join of jobs fits into folder: the space needed is smaller
// than the bytes available (equal is not enough; an unknown answer is
// refused). available defaults to AvailableBytes.
bool HasRoomForJoin(const RecordingList& jobs, const QString& folder,
                    const AvailableBytesQuery& available = {});

} // namespace kv
