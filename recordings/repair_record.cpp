// The record kept beside each repaired copy: which source it was made from,
// and the size and modification time that source had. A copy is played only
// while its record matches the source as it is now; a copy without one (from
// a repair that did not finish, or put there by anything but the repair) is
// made again.

#include "repair.h"
#include "repair_detail.h"

#include "durable_file.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <system_error>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kv {

namespace {

// Records are a few lines; anything longer is not one of ours.
constexpr qint64 kRecordLimit = 64 << 10;

QString SystemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

#if defined(Q_OS_UNIX)
std::int64_t ModifiedNs(const struct stat& info) {
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

// The copy as it lies in the folder: a plain file, not a link.
bool CopyState(const QString& copy, struct stat& info) {
    return ::lstat(QFile::encodeName(copy).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

// What the record of copy holds. The copy's size and inode tie the record
// to that one file: a file put in its place later does not match.
QByteArray RecordText(const repair_detail::SourceState& source, const struct stat& copy) {
    QByteArray text;
    text += "source-size " + QByteArray::number(source.size) + '\n';
    text += "source-mtime-ns " + QByteArray::number(source.modifiedNs) + '\n';
    text += "copy-size " + QByteArray::number(static_cast<qint64>(copy.st_size)) + '\n';
    text += "copy-inode " + QByteArray::number(static_cast<quint64>(copy.st_ino)) + '\n';
    // Last: a path may hold any byte but NUL, a line break too.
    text += "source " + QFile::encodeName(source.path);
    return text;
}

bool WriteAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}
#endif

} // namespace

namespace repair_detail {

#if defined(Q_OS_UNIX)
// The state of path as info describes it.
SourceState FromStat(const QString& path, const struct stat& info) {
    SourceState state;
    state.path = QFileInfo(path).canonicalFilePath();
    state.size = static_cast<std::int64_t>(info.st_size);
    state.modifiedNs = ModifiedNs(info);
    state.valid = !state.path.isEmpty();
    return state;
}
#endif

SourceState StateOf(const QString& path, int fd) {
    SourceState state;
#if defined(Q_OS_UNIX)
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return state;
    }
    state = FromStat(path, info);
#else
    Q_UNUSED(path);
    Q_UNUSED(fd);
#endif
    return state;
}

SourceState StateOf(const QString& path) {
    SourceState state;
#if defined(Q_OS_UNIX)
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return state;
    }
    state = FromStat(path, info);
#else
    Q_UNUSED(path);
#endif
    return state;
}

bool WriteSourceRecord(const QString& copy, const SourceState& source, QString* error) {
#if defined(Q_OS_UNIX)
    const auto fail = [&](const QString& text) {
        if (error) {
            *error = text;
        }
        return false;
    };
    struct stat copyInfo {};
    if (!source.valid || !CopyState(copy, copyInfo)) {
        return fail(QStringLiteral("cannot look at %1 or its source").arg(copy));
    }
    const QString record = SourceRecordPath(copy);
    const QString partial = PartialName(record);
    const QByteArray partialName = QFile::encodeName(partial);
    const int fd =
        ::open(partialName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return fail(QStringLiteral("cannot create %1: %2").arg(partial, SystemError()));
    }
    QString why;
    bool written = WriteAll(fd, RecordText(source, copyInfo));
    if (!written) {
        why = SystemError();
    } else if (!FlushFileData(fd, &why)) {
        written = false;
    }
    if (::close(fd) != 0 && written) {
        written = false;
        why = SystemError();
    }
    if (!written) {
        ::unlink(partialName.constData());
        return fail(QStringLiteral("cannot write %1: %2").arg(partial, why));
    }
    if (::rename(partialName.constData(), QFile::encodeName(record).constData()) != 0) {
        why = SystemError();
        ::unlink(partialName.constData());
        return fail(QStringLiteral("cannot rename %1 to %2: %3").arg(partial, record, why));
    }
    FlushFolderOf(record);
    return true;
#else
    Q_UNUSED(copy);
    Q_UNUSED(source);
    Q_UNUSED(error);
    return true;
#endif
}

void RemoveSourceRecord(const QString& copy) {
    QFile::remove(SourceRecordPath(copy));
}

} // namespace repair_detail

bool CopyMadeFrom(const QString& copy, const QString& source) {
#if defined(Q_OS_UNIX)
    struct stat copyInfo {};
    const repair_detail::SourceState now = repair_detail::StateOf(source);
    if (!now.valid || !CopyState(copy, copyInfo)) {
        return false;
    }
    const int fd = ::open(QFile::encodeName(SourceRecordPath(copy)).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    QFile record;
    struct stat info {};
    const bool plain = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                       info.st_uid == ::geteuid() && info.st_size <= kRecordLimit;
    if (!plain || !record.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return record.read(kRecordLimit + 1) == RecordText(now, copyInfo);
#else
    return QFileInfo::exists(copy) && QFileInfo(source).isFile();
#endif
}

bool HasRepairedCopy(const QString& source) {
    return CheckRepairFolder().isEmpty() && CopyMadeFrom(RepairedPath(source), source);
}

} // namespace kv
