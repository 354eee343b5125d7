#include "run_outputs.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kv::cli {

QString RunOutputPath(const QString& source, const QString& folder, const QString& file,
                      const QString& name, const QStringList& taken, QString* why) {
    const auto free = [&taken](const QString& path) {
        return std::none_of(taken.begin(), taken.end(), [&path](const QString& t) {
            return t.compare(path, Qt::CaseInsensitive) == 0;
        });
    };
    const QString plain = QDir(folder).filePath(name);
    if (free(plain)) {
        return plain;
    }
    const QFileInfo root(QDir::cleanPath(source));
    const QString base = root.isDir() ? root.absoluteFilePath() : root.absolutePath();
    QString relative = QDir(base).relativeFilePath(QFileInfo(file).absolutePath());
    const QString nested = QDir(folder).filePath(relative.replace(u'/', u'_') + u'/' + name);
    if (!relative.startsWith(QLatin1String("..")) && relative != u"." && free(nested)) {
        return nested;
    }
    *why = QStringLiteral("two outputs of this run would both be %1").arg(plain);
    return {};
}

} // namespace kv::cli
