#include "hidden_files.h"

#include <QStorageInfo>

#if defined(Q_OS_LINUX)
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <unistd.h>
#endif

namespace kv {

bool IsFatVolume(const QString& folder) {
#if defined(Q_OS_LINUX)
    struct statfs info {};
    if (::statfs(QFile::encodeName(folder).constData(), &info) != 0) {
        return false;
    }
    return info.f_type == MSDOS_SUPER_MAGIC;
#else
    const QStorageInfo volume(folder);
    const QByteArray type = volume.fileSystemType().toLower();
    return type == "vfat" || type == "msdos" || type == "fat";
#endif
}

bool HasHiddenAttribute(const QString& path) {
#if defined(Q_OS_LINUX)
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    __u32 attributes = 0;
    const bool ok = ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0;
    ::close(fd);
    return ok && (attributes & ATTR_HIDDEN) != 0;
#else
    Q_UNUSED(path);
    return false;
#endif
}

} // namespace kv
