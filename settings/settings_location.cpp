#include "settings_keys.h"
#include "settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kv {

SettingsStore LocateSettings(const QString& startFolder, const QString& configFolder) {
    const QString fileName = settings::kFileName.toString();
    SettingsStore store;
    store.startFolder = startFolder;
    const QString beside = QDir(startFolder).absoluteFilePath(fileName);
    if (QFileInfo(beside).isFile() || configFolder.isEmpty()) {
        store.filePath = beside;
    } else {
        store.filePath = QDir(configFolder).absoluteFilePath(fileName);
    }
    return store;
}

SettingsStore SettingsAtStartup() {
    return LocateSettings(QDir::currentPath(),
                          QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

QString SettingsFolder(const SettingsStore& store) {
    return store.startFolder;
}

} // namespace kv
