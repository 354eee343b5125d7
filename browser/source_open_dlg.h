#pragma once

#include "folder_chooser.h"
#include "settings_store.h"
#include "skin_dialog.h"
#include "source_rules.h"

#include <QString>

#include <array>
#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kv {
class CSkinCheckButton;
class MessageSink;
} // namespace kv

namespace kv::browser {

class VolumeLister;

// Control ids of the source dialog.
inline constexpr int kSdKindId = 39000;
inline constexpr int kFolderKindId = 39001;
inline constexpr int kFileKindId = 39002;
inline constexpr int kFolderBrowseId = 39003;
inline constexpr int kFileBrowseId = 39004;
inline constexpr int kSourceCloseId = 21;

// Shows an open-file dialog owned by owner: title, the initial path (folder
// and name pattern) and the filter. Empty when cancelled.
using FilePicker =
    std::function<QString(QWidget* owner, const QString& initialPath, const QString& filter)>;
QString PickFileWithDialog(QWidget* owner, const QString& initialPath, const QString& filter);

// Where the recordings come from: a card (one of the removable volumes), a
// folder or one recording file. Remembers the last choice of each kind under
// SOURCE and hands the chosen kind and its path to the caller after OK.
class CSourceOpenDlg : public CSkinDialog {
    Q_OBJECT

public:
    // font: the shared 10-point UI font. The pickers default to the system's
    // dialogs.
    CSourceOpenDlg(const UiScale& scale, const QFont& font, SettingsStore store,
                   const VolumeLister& volumes, MessageSink& messages, QWidget* parent = nullptr);
    ~CSourceOpenDlg() override;

    void SetFolderPicker(FolderPicker picker) { folderPicker_ = std::move(picker); }
    void SetFilePicker(FilePicker picker) { filePicker_ = std::move(picker); }

    // The result, read after OK.
    SourceKind chosenKind() const { return chosenKind_; }
    const QString& sdPath() const { return sdPath_; }
    const QString& folderPath() const { return folderPath_; }
    const QString& filePath() const { return filePath_; }
    // The path of chosenKind.
    QString chosenPath() const;

    // A kind button was clicked: it becomes the chosen kind; OK is enabled
    // when that kind has a value.
    void ChooseKind(SourceKind kind);
    // The two "..." buttons.
    void BrowseFolder();
    void BrowseFile();
    // OK: takes the values, remembers the chosen kind and its path, ends.
    void Confirm();

    // Controls, for tests and screenshots.
    QComboBox* driveList() const { return driveList_; }
    QLineEdit* folderEdit() const { return folderEdit_; }
    QLineEdit* fileEdit() const { return fileEdit_; }
    QPushButton* okButton() const { return ok_; }
    CSkinCheckButton* kindButton(SourceKind kind) const;

private:
    void TakeFieldTexts();

    UiScale scale_;
    SettingsStore store_;
    MessageSink& messages_;
    FolderPicker folderPicker_;
    FilePicker filePicker_;
    std::array<CSkinCheckButton*, 3> kindButtons_{};
    QComboBox* driveList_ = nullptr;
    QLineEdit* folderEdit_ = nullptr;
    QLineEdit* fileEdit_ = nullptr;
    QPushButton* folderBrowse_ = nullptr;
    QPushButton* fileBrowse_ = nullptr;
    QPushButton* ok_ = nullptr;
    QString folderPath_;
    QString filePath_;
    QString sdPath_;
    SourceKind chosenKind_ = SourceKind::None;
};

} // namespace kv::browser
