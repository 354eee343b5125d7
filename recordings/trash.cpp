#include "trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

namespace kv {

bool MoveToTrash(const QString& path) {
    if (path.isEmpty() || path.size() > kMaxShellPath) {
        return false;
    }
#if defined(Q_OS_UNIX)
    // Qt 6.4 moves the file into "./files" of the working directory and
    // reports success when the user's data folder is missing: make sure it exists.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data)) {
        return false;
    }
#endif
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
