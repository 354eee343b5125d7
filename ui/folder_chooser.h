#pragma once

#include "settings_store.h"

#include <QString>
#include <QStringView>

#include <functional>

class QWidget;

namespace kv {

class MessageSink;

// What the folder dialog gave: nothing (cancelled), or a chosen folder with
// its path, which is empty when the path could not be obtained (a place that
// is not a file-system folder).
struct FolderPick {
    bool chosen = false;
    QString path;
};

// Shows a folder dialog owned by owner with title, opened on initialFolder.
using FolderPicker =
    std::function<FolderPick(QWidget* owner, const QString& title, const QString& initialFolder)>;

// The system's folder dialog: directories only, file-system folders only.
FolderPick PickFolderWithDialog(QWidget* owner, const QString& title, const QString& initialFolder);

// Asks for an output folder, starting in the folder remembered under
// section/key (else the settings folder). Cancel gives the empty text; a
// chosen folder whose path cannot be obtained gives the message
// "フォルダパスの取得に失敗しました。" titled "ERROR" and the empty text.
// The caller writes the folder back under the same key once it has used it.
QString ChooseFolder(QWidget* owner, const SettingsStore& store, QStringView section,
                     QStringView key, const QString& title, const FolderPicker& picker,
                     MessageSink& messages);
// The same with the system's folder dialog.
QString ChooseFolder(QWidget* owner, const SettingsStore& store, QStringView section,
                     QStringView key, const QString& title, MessageSink& messages);

} // namespace kv
