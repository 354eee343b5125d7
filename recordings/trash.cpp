#include "trash.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace kv {

bool MoveToTrash(const QString& path) {
    if (path.isEmpty() || path.size() > kMaxShellPath) {
        return false;
    }
    if (!QFile::moveToTrash(path)) {
        return false;
    }
    // The trash may finish in the background on some platforms: wait until the path is gone.
    for (int i = 0; i < 50 && QFileInfo::exists(path); ++i) {
        QThread::msleep(200);
    }
    return !QFileInfo::exists(path);
}

} // namespace kv
