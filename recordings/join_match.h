#pragma once

#include "avi_clip.h"
#include "recording_entry.h"

#include <QString>

// What a join checks before it writes anything: the recordings belong
// together, none is given twice, and the outputs replace no input.
namespace kv {

// Why next cannot follow first in one joined file: a different header
// layout (normal or time-lapse), stream count, frame rate, picture size or
// sound (chunks in one and not the other, or another sample rate). Empty
// when they match.
QString JoinMismatch(const AviClip& first, const AviClip& next);

// Why the job list cannot be joined as given: a file that appears twice
// (the same file through another path or link counts). Empty otherwise.
QString RepeatedJoinSource(const RecordingList& jobs);

} // namespace kv
