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
    // Nothing in a repair folder that is not the user's own is looked at,
    // deleted or played.
    const bool folderUsable = CheckRepairFolder().isEmpty();
    switch (VerifyRecording(path)) {
    case kRecordingSound:
        // A copy from before is stale; unless the sound file is that copy itself.
        if (folderUsable && !repair_detail::SameFile(path, copy)) {
            DeleteRepairPath(copy);
        }
        return path;
    case kRecordingDamaged:
        if (folderUsable && CopyMadeFrom(copy, path)) {
            return copy; // made from the source as it is now
        }
        if (RepairFile(path, copy, control) == kOperationDone) {
            return copy;
        }
        // The folder was refused, or the repair failed and an earlier copy
        // may still lie there without its record: that one is not played.
        if (!CheckRepairFolder().isEmpty()) {
            return {};
        }
        DeleteRepairPath(copy);
        return copy;
    default:
        return path; // unreadable: the open fails and says so
    }
}

} // namespace kv
