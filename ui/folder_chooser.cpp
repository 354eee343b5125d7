#include "folder_chooser.h"

#include "folder_choice.h"
#include "message_box.h"
#include "message_dialog.h"
#include "ui_texts.h"

#include <QDir>
#include <QFileDialog>
#include <QUrl>

namespace kv {

FolderPick PickFolderWithDialog(QWidget* owner, const QString& title,
                                const QString& initialFolder) {
    QFileDialog dialog(owner, title, initialFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    FolderPick pick;
    pick.chosen = true;
    const QList<QUrl> urls = dialog.selectedUrls();
    if (!urls.isEmpty() && urls.front().isLocalFile()) {
        pick.path = QDir::toNativeSeparators(urls.front().toLocalFile());
    }
    return pick;
}

QString ChooseFolder(QWidget* owner, const SettingsStore& store, QStringView section,
                     QStringView key, const QString& title, const FolderPicker& picker,
                     MessageSink& messages) {
    const QString initial = InitialFolder(store, section, key);
    const FolderPick pick = picker(owner, title, initial);
    if (!pick.chosen) {
        return {};
    }
    if (pick.path.isEmpty()) {
        messages.ShowMessage(Text(UiText::FolderPathFailed), Text(UiText::ErrorCaption),
                             kMessageOk);
        return {};
    }
    return pick.path;
}

} // namespace kv

namespace kv {

QString ChooseFolder(QWidget* owner, const SettingsStore& store, QStringView section,
                     QStringView key, const QString& title, MessageSink& messages) {
    return ChooseFolder(owner, store, section, key, title, PickFolderWithDialog, messages);
}

} // namespace kv
