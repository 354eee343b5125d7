#include "snapshot_names.h"

#include "recording_name.h"

#include <QDir>

namespace kv {

QString SnapshotBaseName(const QString& path) {
    const QString name = FileNameOf(path).toString();
    const qsizetype dot = name.indexOf(u'.');
    const QString stem = dot < 0 ? QString() : name.left(dot).mid(5);
    return stem.isEmpty() ? QString() : stem.left(14) + stem.back();
}

std::optional<SnapshotPathPair> SnapshotPaths(const QString& folder, const QString& base,
                                              std::int64_t frame) {
    if (frame < 0) {
        return std::nullopt;
    }
    const QChar separator = QDir::separator();
    QString front = folder;
    if (folder.contains(separator) && !folder.endsWith(separator)) {
        front += separator;
    }
    front += QStringLiteral("%1-%2.jpg").arg(base).arg(frame, 6, 10, QChar(u'0'));
    QString rear = front;
    if (rear.size() >= 12) {
        QChar& camera = rear[rear.size() - 12];
        if (camera == u'F') {
            camera = u'R';
        } else if (camera == u'R') {
            camera = u'F';
        }
    }
    return SnapshotPathPair{front, rear};
}

} // namespace kv
