#include "hidden_attribute_set.h"

#include <QDir>
#include <QFile>

#if defined(Q_OS_LINUX)
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <windows.h>

#include <string>
#endif

namespace kv {

bool SetHiddenAttribute(const QString& path, bool hidden) {
#if defined(Q_OS_LINUX)
    // The vfat driver takes the attribute ioctls on a descriptor opened for reading.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    __u32 attributes = 0;
    bool ok = ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0;
    if (ok && ((attributes & ATTR_HIDDEN) != 0) != hidden) {
        attributes ^= ATTR_HIDDEN;
        ok = ::ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &attributes) == 0;
    }
    ::close(fd);
    return ok;
#elif defined(Q_OS_WIN)
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    const DWORD attributes = ::GetFileAttributesW(native.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    if (((attributes & FILE_ATTRIBUTE_HIDDEN) != 0) == hidden) {
        return true;
    }
    return ::SetFileAttributesW(native.c_str(), attributes ^ FILE_ATTRIBUTE_HIDDEN) != 0;
#else
    Q_UNUSED(path);
    Q_UNUSED(hidden);
    return false;
#endif
}

} // namespace kv
