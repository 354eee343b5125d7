// Where repaired copies live, the checks of that folder, and the path helpers
// of the repair.

#include "repair.h"
#include "repair_detail.h"

#include "recording_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <system_error>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kv {

namespace {

// The folder that holds the repair folder: ours alone, like the repair folder.
QString PrivateParent() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) {
        return QDir::cleanPath(runtime) + QStringLiteral("/kolvista");
    }
#if defined(Q_OS_UNIX)
    return QDir::tempPath() + QStringLiteral("/kolvista-") + QString::number(::geteuid());
#else
    return QDir::tempPath() + QStringLiteral("/kolvista");
#endif
}

#if defined(Q_OS_UNIX)
// Why folder cannot hold repaired copies; empty when it is a folder of ours
// that no one else may enter. Links are not followed: a link planted under
// the folder's name would send the copies wherever it points.
QString FolderProblem(const QString& folder, const struct stat& info) {
    const QString name = QDir::toNativeSeparators(folder);
    if (S_ISLNK(info.st_mode)) {
        return QStringLiteral("the repair folder %1 is a link").arg(name);
    }
    if (!S_ISDIR(info.st_mode)) {
        return QStringLiteral("the repair folder %1 is not a folder").arg(name);
    }
    if (info.st_uid != ::geteuid()) {
        return QStringLiteral("the repair folder %1 belongs to another user").arg(name);
    }
    // Not tightened: whatever others put in while it was open would stay.
    if ((info.st_mode & 077) != 0) {
        return QStringLiteral("the repair folder %1 is open to other users (mode %2)")
            .arg(name)
            .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
    }
    return {};
}

// Checks folder; makes it (0700) when it is missing and make is set.
// missing tells whether it was missing and left so.
QString CheckOne(const QString& folder, bool make, bool& missing) {
    missing = false;
    const QByteArray path = QFile::encodeName(folder);
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0) {
        if (errno != ENOENT) {
            return QStringLiteral("cannot look at the repair folder %1: %2")
                .arg(QDir::toNativeSeparators(folder),
                     QString::fromLocal8Bit(std::strerror(errno)));
        }
        if (!make) {
            missing = true;
            return {};
        }
        if (::mkdir(path.constData(), 0700) == 0) {
            // The umask may have taken the owner's bits; no one else can be
            // in a folder without the others' bits.
            ::chmod(path.constData(), 0700);
        } else if (errno != EEXIST) {
            return QStringLiteral("cannot create the folder %1: %2")
                .arg(QDir::toNativeSeparators(folder),
                     QString::fromLocal8Bit(std::strerror(errno)));
        }
        // Made now, or by someone else in between: looked at as any other.
        if (::lstat(path.constData(), &info) != 0) {
            return QStringLiteral("cannot look at the repair folder %1: %2")
                .arg(QDir::toNativeSeparators(folder),
                     QString::fromLocal8Bit(std::strerror(errno)));
        }
    }
    return FolderProblem(folder, info);
}
#endif

} // namespace

namespace repair_detail {

bool SameFile(const QString& a, const QString& b) {
    std::error_code ec;
    return std::filesystem::equivalent(FsPath(a), FsPath(b), ec) && !ec;
}

QString PartialName(const QString& path) {
    for (;;) {
        const QString name =
            path + QLatin1String(kPartialCopyMark) +
            QString::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, u'0');
        if (!QFileInfo::exists(name) && !QFileInfo(name).isSymLink()) {
            return name;
        }
    }
}

bool InRepairFolder(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absolutePath()) ==
           QDir::cleanPath(QFileInfo(RepairFolder()).absoluteFilePath());
}

} // namespace repair_detail

QString RepairFolder() {
    return PrivateParent() + QLatin1Char('/') + QLatin1String(kRepairFolderName);
}

QString CheckRepairFolder(bool make) {
#if defined(Q_OS_UNIX)
    bool missing = false;
    // The parent first: in a folder of ours that no one else may enter, the
    // repair folder cannot be swapped for something else after its check.
    for (const QString& folder : {PrivateParent(), RepairFolder()}) {
        if (QString problem = CheckOne(folder, make, missing); !problem.isEmpty()) {
            return problem;
        }
        if (missing) {
            return {};
        }
    }
    return {};
#else
    if (make && !QDir().mkpath(RepairFolder())) {
        return QStringLiteral("cannot create the folder %1")
            .arg(QDir::toNativeSeparators(RepairFolder()));
    }
    return {};
#endif
}

QString RepairedPath(const QString& path) {
    return RepairFolder() + QLatin1Char('/') + FileNameOf(path).toString();
}

QString SourceRecordPath(const QString& copy) {
    const QFileInfo info(copy);
    return info.path() + QStringLiteral("/.") + info.fileName() +
           QLatin1String(kSourceRecordSuffix);
}

bool IsSourceRecordName(QStringView name) {
    return name.size() > 1 + qsizetype(sizeof kSourceRecordSuffix - 1) && name.startsWith(u'.') &&
           name.endsWith(QLatin1String(kSourceRecordSuffix));
}

} // namespace kv
