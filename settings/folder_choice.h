#pragma once

#include "settings_store.h"

#include <QString>
#include <QStringView>

namespace kv {

// The folder a folder chooser opens with for the output folder remembered
// under section/key (FOLDERPATH and its keys): the remembered folder, or
// SettingsFolder when none is remembered. The caller writes the folder back
// under the same key once it has used it.
QString InitialFolder(const SettingsStore& store, QStringView section, QStringView key);

} // namespace kv
