#include "saved_output.h"

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
    if (file.error() != QFileDevice::NoError || !file.commit()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return Fail(error, QStringLiteral("cannot write %1: %2").arg(path, why));
    }
    return true;
}

} // namespace kv
