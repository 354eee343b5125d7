#include "source_volumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace kv::browser {
namespace {

bool FlagFileSaysOne(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    return file.read(8).trimmed() == "1";
}

bool UnderMediaFolder(const QString& root) {
    return root.startsWith(QStringLiteral("/media/")) ||
           root.startsWith(QStringLiteral("/run/media/"));
}

} // namespace

bool DeviceIsRemovable(const QString& deviceName, const QString& sysBlock) {
    if (deviceName.isEmpty() || deviceName.contains(u'/')) {
        return false;
    }
    // A partition's folder lies inside its disk's folder; the flag is the disk's.
    const QString entry = QFileInfo(QDir(sysBlock).filePath(deviceName)).canonicalFilePath();
    if (entry.isEmpty()) {
        return false;
    }
    const QDir dir(entry);
    if (QFileInfo::exists(dir.filePath(QStringLiteral("removable")))) {
        return FlagFileSaysOne(dir.filePath(QStringLiteral("removable")));
    }
    return FlagFileSaysOne(
        QDir(entry + QStringLiteral("/..")).filePath(QStringLiteral("removable")));
}

std::vector<QString> RemovableRootsOf(const std::vector<MountedVolume>& volumes,
                                      const std::function<bool(const QString&)>& isRemovable) {
    std::vector<QString> roots;
    for (const MountedVolume& volume : volumes) {
        if (volume.root.isEmpty()) {
            continue;
        }
        const QString device =
            volume.device.startsWith(QStringLiteral("/dev/")) ? volume.device.mid(5) : QString();
        if (UnderMediaFolder(volume.root) || (!device.isEmpty() && isRemovable(device))) {
            roots.push_back(volume.root);
        }
    }
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    return roots;
}

std::vector<QString> SystemVolumeLister::RemovableRoots() const {
    std::vector<MountedVolume> volumes;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        if (info.isValid() && info.isReady()) {
            volumes.push_back({info.rootPath(), QString::fromLocal8Bit(info.device())});
        }
    }
    const QString sysBlock = QStringLiteral("/sys/class/block");
    return RemovableRootsOf(volumes, [&sysBlock](const QString& device) {
        return DeviceIsRemovable(device, sysBlock);
    });
}

} // namespace kv::browser
