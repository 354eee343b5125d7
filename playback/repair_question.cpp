#include "playback_controller.h"

#include "avi_verify.h"
#include "repair.h"

namespace kv::playback {

namespace {

bool DamagedWithoutCopy(const QString& path) {
    return !path.isEmpty() && VerifyRecording(path) == kRecordingDamaged && !HasRepairedCopy(path);
}

} // namespace

bool NeedsRepairQuestion(const RecordingEntry& entry) {
    return DamagedWithoutCopy(entry.frontPath) || DamagedWithoutCopy(entry.rearPath);
}

} // namespace kv::playback
