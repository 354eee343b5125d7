// PrepareForPlay: which file the player opens for a recording.

#include "repair.h"
#include "repair_detail.h"

#include "avi_verify.h"

#include <QFileInfo>

namespace kv {

namespace {

bool IsCameraFile(const QString& path) {
    for (const char* mark : {"F.AVI", "F.avi", "R.AVI", "R.avi"}) {
        if (path.contains(QLatin1String(mark))) {
            return true;
        }
    }
    return false;
}

} // namespace

QString PrepareForPlay(const QString& path, const OperationControl* control) {
    if (!IsCameraFile(path)) {
        return path;
    }
    const QString copy = RepairedPath(path);
    switch (VerifyRecording(path)) {
    case kRecordingSound:
        // A copy from before is stale; unless the sound file is that copy itself.
        if (!repair_detail::SameFile(path, copy)) {
            DeleteRepairPath(copy);
        }
        return path;
    case kRecordingDamaged:
        // An existing copy was completed (copies are renamed into place only when whole).
        if (!QFileInfo::exists(copy)) {
            RepairFile(path, copy, control);
        }
        return copy;
    default:
        return path; // unreadable: the open fails and says so
    }
}

} // namespace kv
