#include "playback_controller.h"

#include "avi_verify.h"
#include "repair.h"

#include <QFile>

namespace kv::playback {

namespace {

bool DamagedWithoutCopy(const QString& path) {
    return !path.isEmpty() && VerifyRecording(path) == kRecordingDamaged &&
           !QFile::exists(RepairedPath(path));
}

} // namespace

bool NeedsRepairQuestion(const RecordingEntry& entry) {
    return DamagedWithoutCopy(entry.frontPath) || DamagedWithoutCopy(entry.rearPath);
}

} // namespace kv::playback
