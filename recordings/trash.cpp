#include "trash.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QThread>
#include <QUrl>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#define KV_FREEDESKTOP_TRASH 1
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kv {

namespace {

bool Fail(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
    return false;
}

#if defined(KV_FREEDESKTOP_TRASH)

QString SystemText(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

bool Stat(const QString& path, struct stat& st) {
    return ::lstat(Native(path).constData(), &st) == 0;
}

// Makes folder and the parents it lacks, each new one readable by the user
// alone. False, with errno set, when a part cannot be made or is no folder.
bool MakePrivateFolder(const QString& folder) {
    const QString clean = QDir::cleanPath(folder);
    qsizetype at = clean.startsWith(u'/') ? 1 : 0;
    for (;;) {
        const qsizetype slash = clean.indexOf(u'/', at);
        const QString part = slash < 0 ? clean : clean.left(slash);
        if (::mkdir(Native(part).constData(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash < 0) {
            break;
        }
        at = slash + 1;
    }
    struct stat st;
    if (!Stat(clean, st)) {
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

// A trash folder ("files" and "info" below it) and the folder that relative
// paths in its records start from (empty for the home trash, whose records
// hold absolute paths).
struct TrashFolder {
    QString root;
    QString topdir;
};

// A trash on the volume of a file: its files, info and root all on device,
// the root owned by the user and no link.
bool UsableTrash(const QString& root, dev_t device) {
    struct stat st;
    if (!MakePrivateFolder(root + QStringLiteral("/files")) ||
        !MakePrivateFolder(root + QStringLiteral("/info")) || !Stat(root, st)) {
        return false;
    }
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && st.st_dev == device;
}

bool FindTrash(const QString& path, TrashFolder& trash, QString* error) {
    struct stat file;
    if (!Stat(path, file)) {
        return Fail(error,
                    QStringLiteral("cannot move %1 to the trash: %2").arg(path, SystemText(errno)));
    }
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QString homeError;
    if (!data.isEmpty()) {
        const QString home = data + QStringLiteral("/Trash");
        if (UsableTrash(home, file.st_dev)) {
            trash = {home, {}};
            return true;
        }
        homeError = SystemText(errno);
    }
    // Another volume: its shared trash when it has a proper one (a folder, no
    // link, sticky), else a trash of the user's own at its root.
    const QString topdir = QDir::cleanPath(QStorageInfo(path).rootPath());
    if (!topdir.isEmpty()) {
        const QString uid = QString::number(::getuid());
        const QString shared = topdir + QStringLiteral("/.Trash");
        struct stat st;
        if (Stat(shared, st) && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0 &&
            UsableTrash(shared + u'/' + uid, file.st_dev)) {
            trash = {shared + u'/' + uid, topdir};
            return true;
        }
        const QString own = topdir + QStringLiteral("/.Trash-") + uid;
        if (UsableTrash(own, file.st_dev)) {
            trash = {own, topdir};
            return true;
        }
    }
    return Fail(error,
                QStringLiteral("cannot move %1 to the trash: no trash can be made on its "
                               "volume%2")
                    .arg(path, homeError.isEmpty() ? QString() : QStringLiteral(": ") + homeError));
}

bool WriteWhole(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<std::size_t>(left));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

void FlushFolder(const QString& folder) {
    const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool MoveToFreedesktopTrash(const QString& path, QString* error) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    TrashFolder trash;
    if (!FindTrash(absolute, trash, error)) {
        return false;
    }
    const QString original =
        trash.topdir.isEmpty() || trash.topdir == QStringLiteral("/")
            ? absolute
            : absolute.mid(trash.topdir.size() + 1); // relative to the volume's root
    const QByteArray record =
        "[Trash Info]\nPath=" + QUrl::toPercentEncoding(original, "/") + "\nDeletionDate=" +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1() +
        "\n";

    // The record's name is the claim on the name in "files": made exclusively.
    const QString base = QFileInfo(absolute).fileName();
    QString name;
    QString info;
    int fd = -1;
    for (int n = 1; fd < 0; ++n) {
        name = n == 1 ? base : QStringLiteral("%1.%2").arg(base).arg(n);
        info = trash.root + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo");
        fd = ::open(Native(info).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno != EEXIST) {
                return Fail(error, QStringLiteral("cannot write the trash record %1: %2")
                                       .arg(info, SystemText(errno)));
            }
            continue;
        }
        struct stat st;
        if (Stat(trash.root + QStringLiteral("/files/") + name, st)) {
            ::close(fd); // a file of that name without its record: leave both alone
            ::unlink(Native(info).constData());
            fd = -1;
        }
    }
    if (!WriteWhole(fd, record) || ::fdatasync(fd) != 0) {
        const int code = errno;
        ::close(fd);
        ::unlink(Native(info).constData());
        return Fail(
            error,
            QStringLiteral("cannot write the trash record %1: %2").arg(info, SystemText(code)));
    }
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(Native(info).constData());
        return Fail(
            error,
            QStringLiteral("cannot write the trash record %1: %2").arg(info, SystemText(code)));
    }
    FlushFolder(trash.root + QStringLiteral("/info"));
    const QString target = trash.root + QStringLiteral("/files/") + name;
    if (::rename(Native(absolute).constData(), Native(target).constData()) != 0) {
        const int code = errno;
        ::unlink(Native(info).constData());
        return Fail(error,
                    QStringLiteral("cannot move %1 to the trash: %2").arg(path, SystemText(code)));
    }
    FlushFolder(trash.root + QStringLiteral("/files"));
    return true;
}

#endif

} // namespace

bool MoveToTrash(const QString& path, QString* error) {
    if (path.isEmpty()) {
        return Fail(error, QStringLiteral("no path to move to the trash"));
    }
    if (path.size() > kMaxShellPath) {
        return Fail(error, QStringLiteral("cannot move %1 to the trash: the path is longer than "
                                          "%2 characters")
                               .arg(path)
                               .arg(kMaxShellPath));
    }
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return Fail(error,
                    QStringLiteral("cannot move %1 to the trash: it does not exist").arg(path));
    }
#if defined(KV_FREEDESKTOP_TRASH)
    return MoveToFreedesktopTrash(path, error);
#else
    if (!QFile::moveToTrash(path)) {
        return Fail(error, QStringLiteral("the trash refused %1").arg(path));
    }
    // The trash may finish in the background on some platforms: wait until the path is gone.
    for (int i = 0; i < 50 && QFileInfo::exists(path); ++i) {
        QThread::msleep(200);
    }
    return QFileInfo::exists(path) ? Fail(error, QStringLiteral("the trash kept %1").arg(path))
                                   : true;
#endif
}

} // namespace kv
