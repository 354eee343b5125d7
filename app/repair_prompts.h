#pragma once

#include "folder_chooser.h"
#include "repair.h"
#include "settings_store.h"

class QWidget;

namespace kv {
class MessageSink;
}

namespace kv::app {

// The questions about repaired copies, asked with the window's message
// dialog and folder chooser; the chosen folder is kept in the settings file.
class WindowRepairPrompts final : public RepairPrompts {
public:
    WindowRepairPrompts(QWidget* owner, SettingsStore store, MessageSink& messages,
                        FolderPicker picker = PickFolderWithDialog);

    int ShowMessage(const QString& text, const QString& caption, int style) override;
    QString ChooseFolder(const QString& section, const QString& key, const QString& title) override;
    void RememberFolder(const QString& section, const QString& key, const QString& folder) override;

private:
    QWidget* owner_;
    SettingsStore store_;
    MessageSink& messages_;
    FolderPicker picker_;
};

} // namespace kv::app
