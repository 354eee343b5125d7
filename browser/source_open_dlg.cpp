#include "source_open_dlg.h"

#include "message_box.h"
#include "recording_name.h"
#include "settings_keys.h"
#include "skin_bitmap.h"
#include "skin_button.h"
#include "source_volumes.h"
#include "ui_texts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace kv::browser {
namespace {

int IndexOf(SourceKind kind) {
    return static_cast<int>(kind) - 1;
}

SourceKind KindAt(int index) {
    return static_cast<SourceKind>(index + 1);
}

} // namespace

QString PickFileWithDialog(QWidget* owner, const QString& initialPath, const QString& filter) {
    return QFileDialog::getOpenFileName(owner, QString(), initialPath, filter);
}

CSourceOpenDlg::CSourceOpenDlg(const UiScale& scale, const QFont& font, SettingsStore store,
                               const VolumeLister& volumes, MessageSink& messages, QWidget* parent)
    : CSkinDialog(scale, font, parent), scale_(scale), store_(std::move(store)),
      messages_(messages), folderPicker_(PickFolderWithDialog), filePicker_(PickFileWithDialog) {
    setWindowTitle(Text(UiText::SourceTitle));
    setFont(font);
    const QSize size = scale_.size(540, 250);
    resize(size);
    const QScreen* screen = parent != nullptr && parent->screen() != nullptr
                                ? parent->screen()
                                : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        move(screen->geometry().center() - QPoint(size.width() / 2, size.height() / 2));
    }

    const std::array<UiText, 3> kindTexts{UiText::SourceSdCard, UiText::SourceFolder,
                                          UiText::SourceFile};
    const std::array<UiText, 3> kindTips{UiText::SourceSdCardTip, UiText::SourceFolderTip,
                                         UiText::SourceFileTip};
    for (int i = 0; i < 3; ++i) {
        auto* button =
            new CSkinCheckButton(kSdKindId + i, Text(kindTexts[static_cast<std::size_t>(i)]), this);
        button->SetSkin(skin::kRadio, scale_.factor());
        button->setFont(font);
        button->setToolTip(Text(kindTips[static_cast<std::size_t>(i)]));
        button->setGeometry(scale_.rect(30, 50 + 50 * i, 120, 26));
        connect(button, &CSkinCheckButton::commandClicked, this,
                [this, i](int) { ChooseKind(KindAt(i)); });
        kindButtons_[static_cast<std::size_t>(i)] = button;
    }

    driveList_ = new QComboBox(this);
    driveList_->setAccessibleName(Text(UiText::DriveListName));
    driveList_->setGeometry(scale_.rect(150, 50, 300, 26));
    folderEdit_ = new QLineEdit(this);
    folderEdit_->setAccessibleName(Text(UiText::FolderFieldName));
    folderEdit_->setGeometry(scale_.rect(150, 100, 300, 26));
    fileEdit_ = new QLineEdit(this);
    fileEdit_->setAccessibleName(Text(UiText::FileFieldName));
    fileEdit_->setGeometry(scale_.rect(150, 150, 300, 26));
    folderBrowse_ = new QPushButton(Text(UiText::BrowseButton), this);
    folderBrowse_->setToolTip(Text(UiText::BrowseFolderTip));
    folderBrowse_->setGeometry(scale_.rect(470, 100, 40, 26));
    fileBrowse_ = new QPushButton(Text(UiText::BrowseButton), this);
    fileBrowse_->setToolTip(Text(UiText::BrowseFileTip));
    fileBrowse_->setGeometry(scale_.rect(470, 150, 40, 26));
    ok_ = new QPushButton(Text(UiText::OkButton), this);
    ok_->setGeometry(scale_.rect(410, 200, 100, 26));
    for (QWidget* w : std::initializer_list<QWidget*>{driveList_, folderEdit_, fileEdit_,
                                                      folderBrowse_, fileBrowse_, ok_}) {
        w->setFont(font);
    }
    connect(folderBrowse_, &QPushButton::clicked, this, &CSourceOpenDlg::BrowseFolder);
    connect(fileBrowse_, &QPushButton::clicked, this, &CSourceOpenDlg::BrowseFile);
    connect(ok_, &QPushButton::clicked, this, &CSourceOpenDlg::Confirm);

    CreateCloseButton(kSourceCloseId);
    connect(this, &CSkinDialog::CommandIssued, this, [this](int id) {
        if (id == kSourceCloseId) {
            reject();
        }
    });

    for (const QString& root : volumes.RemovableRoots()) {
        driveList_->addItem(QDir::toNativeSeparators(root));
    }
    driveList_->setCurrentIndex(driveList_->count() - 1);

    folderEdit_->setText(ReadSetting(store_, settings::kSource, settings::kFolder));
    fileEdit_->setText(ReadSetting(store_, settings::kSource, settings::kFile));
    sdPath_ = ReadSetting(store_, settings::kSource, settings::kSd);
    ChooseKind(KindOfSelectWord(ReadSetting(store_, settings::kSource, settings::kSelect)));
}

CSourceOpenDlg::~CSourceOpenDlg() = default;

CSkinCheckButton* CSourceOpenDlg::kindButton(SourceKind kind) const {
    const int i = IndexOf(kind);
    return i >= 0 && i < 3 ? kindButtons_[static_cast<std::size_t>(i)] : nullptr;
}

QString CSourceOpenDlg::chosenPath() const {
    switch (chosenKind_) {
    case SourceKind::Card:
        return sdPath_;
    case SourceKind::Folder:
        return folderPath_;
    case SourceKind::File:
        return filePath_;
    case SourceKind::None:
        break;
    }
    return {};
}

void CSourceOpenDlg::TakeFieldTexts() {
    folderPath_ = folderEdit_->text();
    filePath_ = fileEdit_->text();
}

void CSourceOpenDlg::ChooseKind(SourceKind kind) {
    const int chosen = IndexOf(kind);
    if (chosen < 0 || chosen >= 3) {
        return;
    }
    TakeFieldTexts();
    chosenKind_ = kind;
    for (int i = 0; i < 3; ++i) {
        kindButtons_[static_cast<std::size_t>(i)]->SetSwitchedOn(i == chosen);
    }
    bool hasValue = false;
    switch (kind) {
    case SourceKind::Card:
        hasValue = driveList_->currentIndex() >= 0;
        break;
    case SourceKind::Folder:
        hasValue = !folderPath_.isEmpty();
        break;
    case SourceKind::File:
        hasValue = !filePath_.isEmpty();
        break;
    case SourceKind::None:
        break;
    }
    ok_->setEnabled(hasValue);
}

void CSourceOpenDlg::BrowseFolder() {
    QString start = ReadSetting(store_, settings::kSource, settings::kFolder);
    if (start.isEmpty()) {
        start = SettingsFolder(store_);
    }
    const FolderPick pick = folderPicker_(this, Text(UiText::ChooseMovieFolder), start);
    if (!pick.chosen) {
        return;
    }
    if (pick.path.isEmpty()) {
        messages_.ShowMessage(Text(UiText::FolderPathFailed), Text(UiText::ErrorCaption), 0);
        return;
    }
    folderPath_ = QDir::toNativeSeparators(pick.path);
    folderEdit_->setText(folderPath_);
    ChooseKind(SourceKind::Folder);
}

void CSourceOpenDlg::BrowseFile() {
    const QString initial =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("*.avi"));
    const QString path =
        filePicker_(this, initial, Text(UiText::MovieFileFilter).arg(QStringLiteral("avi")));
    if (path.isEmpty()) {
        return;
    }
    if (!IsRecordingName(path)) {
        messages_.ShowMessage(Text(UiText::OpenFailed), Text(UiText::ErrorCaption), 0);
        return;
    }
    filePath_ = QDir::toNativeSeparators(path);
    fileEdit_->setText(filePath_);
    ChooseKind(SourceKind::File);
}

void CSourceOpenDlg::Confirm() {
    if (driveList_->currentIndex() >= 0) {
        sdPath_ = driveList_->currentText();
    }
    TakeFieldTexts();
    if (chosenKind_ != SourceKind::None) {
        const SettingValue values[] = {
            {settings::kSource, settings::kSelect, SelectWordOf(chosenKind_).toString()},
            {settings::kSource, SourceKeyOf(chosenKind_), chosenPath()},
        };
        WriteSettings(store_, values);
    }
    accept();
}

} // namespace kv::browser
