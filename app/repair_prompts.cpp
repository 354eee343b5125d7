#include "repair_prompts.h"

#include "message_box.h"

#include <utility>

namespace kv::app {

WindowRepairPrompts::WindowRepairPrompts(QWidget* owner, SettingsStore store, MessageSink& messages,
                                         FolderPicker picker)
    : owner_(owner), store_(std::move(store)), messages_(messages), picker_(std::move(picker)) {}

int WindowRepairPrompts::ShowMessage(const QString& text, const QString& caption, int style) {
    return messages_.ShowMessage(text, caption, style);
}

QString WindowRepairPrompts::ChooseFolder(const QString& section, const QString& key,
                                          const QString& title) {
    return kv::ChooseFolder(owner_, store_, section, key, title, picker_, messages_);
}

void WindowRepairPrompts::RememberFolder(const QString& section, const QString& key,
                                         const QString& folder) {
    WriteSetting(store_, section, key, folder);
}

} // namespace kv::app
