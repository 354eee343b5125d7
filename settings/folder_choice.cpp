#include "folder_choice.h"

namespace kv {

QString InitialFolder(const SettingsStore& store, QStringView section, QStringView key) {
    QString folder = ReadSetting(store, section, key);
    return folder.isEmpty() ? SettingsFolder(store) : folder;
}

} // namespace kv
