// Where repaired copies live, and the path helpers of the repair.

#include "repair.h"
#include "repair_detail.h"

#include "recording_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <system_error>

namespace kv {

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

} // namespace repair_detail

QString RepairFolder() {
    return QDir::tempPath() + QLatin1Char('/') + QLatin1String(kRepairFolderName);
}

QString RepairedPath(const QString& path) {
    return RepairFolder() + QLatin1Char('/') + FileNameOf(path).toString();
}

} // namespace kv
