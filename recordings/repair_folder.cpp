// Deleting repaired copies and moving them out of the repair folder.

#include "repair.h"
#include "repair_detail.h"

#include "trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <system_error>

namespace kv {

namespace {

bool Exists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// A name in folder for name that no file has: name itself, else "stem (2).ext", "stem (3).ext", ...
QString FreeName(const QString& folder, const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    QString candidate = name;
    for (int n = 2; Exists(folder + QLatin1Char('/') + candidate); ++n) {
        candidate = QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(extension);
    }
    return folder + QLatin1Char('/') + candidate;
}

// Moves one file; a name already taken in the destination is not replaced.
bool MoveOneFile(const QString& from, const QString& to) {
    if (Exists(to)) {
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(repair_detail::FsPath(from), repair_detail::FsPath(to), ec);
    if (!ec) {
        return true;
    }
    if (ec != std::errc::cross_device_link) {
        return false;
    }
    // Another volume: copied beside the destination under a temporary name and
    // renamed into place when whole, so a full disk leaves no half file there.
    const QString partial = repair_detail::PartialName(to);
    if (!QFile::copy(from, partial)) {
        QFile::remove(partial);
        return false;
    }
    std::filesystem::rename(repair_detail::FsPath(partial), repair_detail::FsPath(to), ec);
    if (ec) {
        QFile::remove(partial);
        return false;
    }
    // Should the original stay behind, it goes with the repair folder.
    QFile::remove(from);
    return true;
}

// Whether the trash can take a file. Qt 6.4 on freedesktop systems, when it
// cannot make the home trash ($XDG_DATA_HOME/Trash), reports success after
// moving the file into "files" under the working directory; so the home trash
// folders are made first, and when they cannot be the trash is not used.
bool TrashUsable() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return !base.isEmpty() && QDir().mkpath(base + QStringLiteral("/Trash/files")) &&
           QDir().mkpath(base + QStringLiteral("/Trash/info"));
#else
    return true;
#endif
}

bool Inside(const QString& path, const QString& folder) {
    const QString p = QFileInfo(path).canonicalFilePath();
    const QString f = QFileInfo(folder).canonicalFilePath();
    return !p.isEmpty() && !f.isEmpty() && (p == f || p.startsWith(f + QLatin1Char('/')));
}

} // namespace

bool DeleteRepairPath(const QString& path) {
    if (path.isEmpty() || path.size() > kMaxShellPath) {
        return false;
    }
    const QFileInfo info(path);
    // A copy's record goes with it; the record is of no use in the trash.
    if (!info.isDir() && !IsSourceRecordName(info.fileName())) {
        repair_detail::RemoveSourceRecord(path);
    }
    if (!Exists(path)) {
        return true;
    }
    if (TrashUsable() && MoveToTrash(path)) {
        return true;
    }
    // The trash refused or cannot be made (the temporary folder on another
    // volume than the user's trash, or no usable trash at all). Repaired copies are our own files,
    // made from recordings that stay where they are, so they are removed for
    // good rather than left to pile up in the temporary folder.
    if (info.isDir() && !info.isSymLink()) {
        QDir(path).removeRecursively();
    } else {
        QFile::remove(path);
    }
    return !Exists(path);
}

bool DeleteRepairFolder() {
    // What lies in a folder of someone else's is not ours to move or remove.
    if (!CheckRepairFolder().isEmpty()) {
        return false;
    }
    return DeleteRepairPath(RepairFolder());
}

MoveResult MoveFolderFiles(const QString& folder, const QString& destination) {
    MoveResult result;
    const QFileInfoList files = QDir(folder).entryInfoList(
        QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    // A destination inside the folder would be deleted with it.
    const bool usable = QFileInfo(destination).isDir() && !Inside(destination, folder);
    for (const QFileInfo& file : files) {
        if (file.fileName().contains(QLatin1String(kPartialCopyMark))) {
            continue; // an unfinished copy is no copy
        }
        if (IsSourceRecordName(file.fileName())) {
            continue; // the repair's own note; it goes with the folder
        }
        // A name already taken there is kept: the copy gets a free name beside it.
        const QString target = usable ? FreeName(destination, file.fileName()) : QString();
        if (usable && MoveOneFile(file.filePath(), target)) {
            ++result.moved;
            if (QFileInfo(target).fileName() != file.fileName()) {
                result.renamed << QFileInfo(target).fileName();
            }
        } else {
            ++result.failed;
            result.notSaved << file.fileName();
        }
    }
    return result;
}

} // namespace kv
