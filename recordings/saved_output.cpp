#include "saved_output.h"

#include "durable_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace kv {

namespace {

bool Fail(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
    return false;
}

} // namespace

bool SaveOutput(const QString& path, const std::function<bool(QIODevice&)>& write, QString* error) {
    const QFileInfo target(path);
    if (target.isDir()) {
        return Fail(error, QStringLiteral("cannot write %1: it is a folder").arg(path));
    }
    if (!target.dir().exists()) {
        return Fail(error, QStringLiteral("cannot write %1: the folder %2 does not exist")
                               .arg(path, QDir::toNativeSeparators(target.path())));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return Fail(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    }
    if (!write(file)) {
        file.cancelWriting();
        return Fail(error, QStringLiteral("cannot write %1: the output was abandoned").arg(path));
    }
    QString why;
    if (file.error() != QFileDevice::NoError) {
        why = file.errorString();
        file.cancelWriting();
        return Fail(error, QStringLiteral("cannot write %1: %2").arg(path, why));
    }
    if (!CommitComplete(file, &why)) {
        return Fail(error, QStringLiteral("cannot write %1: %2").arg(path, why));
    }
    return true;
}

bool CommitComplete(QSaveFile& file, QString* error) {
    const qint64 written = file.pos();
    const bool flushed = file.flush();
    // size() asks the system for the file's size, not the bytes Qt accepted.
    const qint64 onDisk = file.size();
    if (!flushed || file.error() != QFileDevice::NoError || onDisk != written) {
        // Qt words a cut-short write as an unknown error: say what happened.
        const QString why = onDisk != written
                                ? QStringLiteral("the disk is full (%1 of %2 bytes written)")
                                      .arg(onDisk)
                                      .arg(written)
                                : file.errorString();
        file.cancelWriting();
        file.commit(); // removes the unfinished file
        if (error) {
            *error = why;
        }
        return false;
    }
    // Qt flushes before its rename but does not report a flush that failed.
    QString why;
    if (!FlushFileData(static_cast<int>(file.handle()), &why)) {
        file.cancelWriting();
        file.commit(); // removes the unfinished file
        if (error) {
            *error = why;
        }
        return false;
    }
    if (!file.commit()) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    FlushFolderOf(file.fileName());
    return true;
}

} // namespace kv
