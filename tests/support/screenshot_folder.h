#pragma once

// Where the screenshot tests put their pictures for a person to look at:
// screenshots/ beside the build's test programs, or KOLVISTA_SCREENSHOTS.

#include <QCoreApplication>
#include <QDir>
#include <QString>

namespace kv {

inline QString ScreenshotFolder() {
    QString folder = qEnvironmentVariable("KOLVISTA_SCREENSHOTS");
    if (folder.isEmpty()) {
        folder =
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../screenshots"));
    }
    QDir().mkpath(folder);
    return QDir(folder).absolutePath();
}

} // namespace kv
