#include "durable_file.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kv {

namespace {

int SystemDataFlush(int fd) {
#if defined(Q_OS_LINUX)
    return ::fdatasync(fd);
#elif defined(Q_OS_UNIX)
    return ::fsync(fd);
#else
    Q_UNUSED(fd);
    return 0;
#endif
}

std::atomic<DataFlushCall> gDataFlush{&SystemDataFlush};

} // namespace

bool FlushFileData(int fd, QString* error) {
    int result = 0;
    do {
        result = gDataFlush.load()(fd);
    } while (result != 0 && errno == EINTR);
    if (result != 0 && errno != EINVAL && errno != EROFS) {
        // EINVAL/EROFS: a file that cannot be flushed (a special file); there
        // is nothing to wait for.
        if (error) {
            *error = qt_error_string(errno);
        }
        return false;
    }
    return true;
}

void FlushFolderOf(const QString& path) {
#if defined(Q_OS_UNIX)
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    while (::fsync(fd) != 0 && errno == EINTR) {
    }
    ::close(fd);
#else
    Q_UNUSED(path);
#endif
}

DataFlushCall ReplaceDataFlushForTest(DataFlushCall call) {
    return gDataFlush.exchange(call);
}

} // namespace kv
