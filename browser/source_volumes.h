#pragma once

#include <QString>

#include <functional>
#include <vector>

// The removable volumes a card can be read from.
namespace kv::browser {

// One mounted volume as the system reports it.
struct MountedVolume {
    QString root;   // mount point
    QString device; // block device, "/dev/sdb1"
};

// Lists the roots of the mounted removable volumes in mount-point order.
class VolumeLister {
public:
    virtual ~VolumeLister() = default;
    virtual std::vector<QString> RemovableRoots() const = 0;
};

// Whether a block device ("sdb1", "mmcblk0p1") is on a disk whose removable
// flag is 1, read under sysBlock (/sys/class/block).
bool DeviceIsRemovable(const QString& deviceName, const QString& sysBlock);

// The removable ones of volumes, sorted by root: those mounted under /media
// or /run/media (where desktops mount cards) and those whose device is
// removable by isRemovable (given the device's name without "/dev/").
std::vector<QString> RemovableRootsOf(const std::vector<MountedVolume>& volumes,
                                      const std::function<bool(const QString&)>& isRemovable);

// The system's mounted volumes (QStorageInfo) and /sys/class/block.
class SystemVolumeLister final : public VolumeLister {
public:
    std::vector<QString> RemovableRoots() const override;
};

} // namespace kv::browser
