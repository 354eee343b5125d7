#include "card_layout.h"

#include "recording_name.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace kv {

const CardFolder& CardFolderOf(const QString& path) {
    const bool parking = IsParkingGroup(path);
    const bool rear = IsRearName(path);
    return kCardFolders[(parking ? 2 : 0) + (rear ? 1 : 0)];
}

QString VolumeRootOf(const QString& path) {
    const QStorageInfo volume(path);
    return volume.isValid() ? volume.rootPath() : QString();
}

bool CardLayoutPresent(const QString& path) {
    const QString root = VolumeRootOf(path);
    if (root.isEmpty()) {
        return false;
    }
    const QDir dir(root);
    return QFileInfo::exists(dir.filePath(QStringLiteral("Normal/Front"))) ||
           QFileInfo::exists(dir.filePath(QStringLiteral("Parking/Front")));
}

} // namespace kv
