// The source dialog: remembered choices, the pickers' messages, the removable
// volume filter, what each source kind allows on the tool bar, and a picture.

#include "message_box.h"
#include "settings_keys.h"
#include "skin_button.h"
#include "source_open_dlg.h"
#include "source_volumes.h"
#include "ui_fonts.h"
#include "ui_texts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv::browser {
namespace {

class FixedVolumes final : public VolumeLister {
public:
    explicit FixedVolumes(std::vector<QString> roots) : roots_(std::move(roots)) {}
    std::vector<QString> RemovableRoots() const override { return roots_; }

private:
    std::vector<QString> roots_;
};

class SourceDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        store_.filePath = dir_.filePath(QStringLiteral("Default_Folder.ini"));
        store_.startFolder = dir_.path();
    }
    void Remember(QStringView key, const QString& value) {
        ASSERT_TRUE(WriteSetting(store_, settings::kSource, key, value));
    }
    QString Remembered(QStringView key) const {
        return ReadSetting(store_, settings::kSource, key);
    }

    QTemporaryDir dir_;
    SettingsStore store_;
    UiScale scale_{1.0, 1.0};
    UiFonts fonts_{QStringLiteral("Noto Sans CJK JP"), scale_, 96.0};
    ScriptedMessageSink messages_;
};

TEST_F(SourceDialog, OpensWithTheRememberedChoices) {
    Remember(settings::kFolder, QStringLiteral("/data/drive"));
    Remember(settings::kFile, QStringLiteral("/data/AG__-220820-153012-000045F.AVI"));
    Remember(settings::kSd, QStringLiteral("/media/old"));
    struct Case {
        QString select;
        SourceKind kind;
    };
    for (const Case& c :
         {Case{QStringLiteral("SD"), SourceKind::Card},
          Case{QStringLiteral("FOLDER"), SourceKind::Folder},
          Case{QStringLiteral("FILE"), SourceKind::File},
          Case{QStringLiteral("folder"), SourceKind::Card}, Case{QString(), SourceKind::Card}}) {
        Remember(settings::kSelect, c.select);
        const FixedVolumes volumes({QStringLiteral("/media/a"), QStringLiteral("/media/b")});
        CSourceOpenDlg dlg(scale_, fonts_.pt10(), store_, volumes, messages_);
        EXPECT_EQ(dlg.chosenKind(), c.kind) << c.select.toStdString();
        for (SourceKind k : {SourceKind::Card, SourceKind::Folder, SourceKind::File}) {
            EXPECT_EQ(dlg.kindButton(k)->switchedOn(), k == c.kind) << c.select.toStdString();
        }
        EXPECT_EQ(dlg.folderEdit()->text(), QStringLiteral("/data/drive"));
        EXPECT_EQ(dlg.fileEdit()->text(), QStringLiteral("/data/AG__-220820-153012-000045F.AVI"));
        EXPECT_EQ(dlg.sdPath(), QStringLiteral("/media/old"));
        EXPECT_EQ(dlg.driveList()->currentText(), QStringLiteral("/media/b")); // the last one
        EXPECT_TRUE(dlg.okButton()->isEnabled());
    }
}

TEST_F(SourceDialog, OkNeedsAValueOfTheChosenKind) {
    const FixedVolumes none({});
    CSourceOpenDlg dlg(scale_, fonts_.pt10(), store_, none, messages_);
    EXPECT_EQ(dlg.chosenKind(), SourceKind::Card);
    EXPECT_FALSE(dlg.okButton()->isEnabled()); // no card present
    dlg.ChooseKind(SourceKind::Folder);
    EXPECT_FALSE(dlg.okButton()->isEnabled());
    // Pasted text counts only when the kind is chosen again.
    dlg.folderEdit()->setText(QStringLiteral("/somewhere"));
    EXPECT_FALSE(dlg.okButton()->isEnabled());
    dlg.ChooseKind(SourceKind::Folder);
    EXPECT_TRUE(dlg.okButton()->isEnabled());
}

TEST_F(SourceDialog, OkRemembersTheChosenKindAndItsPathOnly) {
    const FixedVolumes volumes({QStringLiteral("/media/card")});
    CSourceOpenDlg dlg(scale_, fonts_.pt10(), store_, volumes, messages_);
    dlg.folderEdit()->setText(QStringLiteral("/not/there"));
    dlg.ChooseKind(SourceKind::Folder);
    dlg.Confirm();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.chosenPath(), QStringLiteral("/not/there"));
    EXPECT_EQ(dlg.sdPath(), QStringLiteral("/media/card"));
    EXPECT_EQ(Remembered(settings::kSelect), QStringLiteral("FOLDER"));
    EXPECT_EQ(Remembered(settings::kFolder), QStringLiteral("/not/there"));
    EXPECT_EQ(Remembered(settings::kSd), QString()); // not the chosen kind

    CSourceOpenDlg again(scale_, fonts_.pt10(), store_, volumes, messages_);
    EXPECT_EQ(again.chosenKind(), SourceKind::Folder);
    again.ChooseKind(SourceKind::Card);
    again.Confirm();
    EXPECT_EQ(Remembered(settings::kSelect), QStringLiteral("SD"));
    EXPECT_EQ(Remembered(settings::kSd), QStringLiteral("/media/card"));
    EXPECT_EQ(Remembered(settings::kFolder), QStringLiteral("/not/there"));
}

TEST_F(SourceDialog, FolderPickerStartsAtTheRememberedFolderAndReportsAPathless) {
    const FixedVolumes none({});
    CSourceOpenDlg dlg(scale_, fonts_.pt10(), store_, none, messages_);
    QString title;
    QString start;
    FolderPick answer{true, QString()};
    dlg.SetFolderPicker([&](QWidget*, const QString& t, const QString& s) {
        title = t;
        start = s;
        return answer;
    });
    dlg.BrowseFolder();
    EXPECT_EQ(title, QStringLiteral("動画フォルダーを選択してください。"));
    EXPECT_EQ(start, SettingsFolder(store_));
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_EQ(messages_.messages[0].text, QStringLiteral("フォルダパスの取得に失敗しました。"));
    EXPECT_EQ(messages_.messages[0].caption, QStringLiteral("ERROR"));
    EXPECT_EQ(dlg.chosenKind(), SourceKind::Card);

    answer = {false, QStringLiteral("/ignored")}; // cancelled
    dlg.BrowseFolder();
    EXPECT_TRUE(dlg.folderEdit()->text().isEmpty());

    Remember(settings::kFolder, QStringLiteral("/remembered"));
    answer = {true, QStringLiteral("/picked")};
    dlg.BrowseFolder();
    EXPECT_EQ(start, QStringLiteral("/remembered"));
    EXPECT_EQ(dlg.folderEdit()->text(), QStringLiteral("/picked"));
    EXPECT_EQ(dlg.chosenKind(), SourceKind::Folder);
    EXPECT_TRUE(dlg.okButton()->isEnabled());
    EXPECT_EQ(messages_.messages.size(), 1u);
}

TEST_F(SourceDialog, FilePickerTakesOnlyRecordingNames) {
    const FixedVolumes none({});
    CSourceOpenDlg dlg(scale_, fonts_.pt10(), store_, none, messages_);
    QString filter;
    QString answer = QStringLiteral("/tmp/holiday.avi");
    dlg.SetFilePicker([&](QWidget*, const QString&, const QString& f) {
        filter = f;
        return answer;
    });
    dlg.BrowseFile();
    EXPECT_TRUE(filter.contains(QStringLiteral("*.avi")));
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_EQ(messages_.messages[0].text, QStringLiteral("動画のオープンに失敗しました。"));
    EXPECT_TRUE(dlg.fileEdit()->text().isEmpty());

    answer = QStringLiteral("/anywhere/AG__-220820-153012-000045F.AVI");
    dlg.BrowseFile();
    EXPECT_EQ(dlg.fileEdit()->text(), answer);
    EXPECT_EQ(dlg.chosenKind(), SourceKind::File);
    EXPECT_EQ(messages_.messages.size(), 1u);
}

TEST(SourcePermissions, FollowTheKindAndTheList) {
    struct Case {
        SourceKind kind;
        int listed;
        SourcePermissions expected;
    };
    for (const Case& c : {
             Case{SourceKind::Card, 3, {true, true, true}},
             Case{SourceKind::Card, 0, {false, true, false}},
             Case{SourceKind::Folder, 3, {false, false, true}},
             Case{SourceKind::Folder, 0, {false, false, false}},
             Case{SourceKind::File, 1, {false, false, false}},
             Case{SourceKind::None, 0, {false, false, false}},
         }) {
        EXPECT_EQ(PermissionsFor(c.kind, c.listed), c.expected)
            << static_cast<int>(c.kind) << " " << c.listed;
    }
}

TEST(RemovableVolumes, MediaMountsAndRemovableDevicesInRootOrder) {
    const std::vector<MountedVolume> volumes{
        {QStringLiteral("/"), QStringLiteral("/dev/nvme0n1p2")},
        {QStringLiteral("/run/media/u/CARD"), QStringLiteral("/dev/sdc1")},
        {QStringLiteral("/mnt/sd"), QStringLiteral("/dev/mmcblk0p1")},
        {QStringLiteral("/media/u/B"), QStringLiteral("/dev/sdb1")},
        {QStringLiteral("/proc"), QStringLiteral("proc")},
    };
    const auto roots = RemovableRootsOf(
        volumes, [](const QString& device) { return device == QStringLiteral("mmcblk0p1"); });
    EXPECT_EQ(roots, (std::vector<QString>{QStringLiteral("/media/u/B"), QStringLiteral("/mnt/sd"),
                                           QStringLiteral("/run/media/u/CARD")}));
}

TEST(RemovableVolumes, ThePartitionTakesItsDisksFlag) {
    QTemporaryDir sys;
    ASSERT_TRUE(sys.isValid());
    QDir root(sys.path());
    ASSERT_TRUE(root.mkpath(QStringLiteral("devices/mmcblk0/mmcblk0p1")));
    ASSERT_TRUE(root.mkpath(QStringLiteral("devices/sda/sda1")));
    ASSERT_TRUE(root.mkpath(QStringLiteral("block")));
    auto write = [&](const QString& path, const QByteArray& text) {
        QFile f(root.filePath(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write(QStringLiteral("devices/mmcblk0/removable"), "1\n");
    write(QStringLiteral("devices/sda/removable"), "0\n");
    for (const char* link : {"mmcblk0/mmcblk0p1", "sda/sda1", "mmcblk0"}) {
        const QString target = root.filePath(QStringLiteral("devices/") + QLatin1String(link));
        const QString name = QString::fromLatin1(link).section(u'/', -1);
        ASSERT_TRUE(QFile::link(target, root.filePath(QStringLiteral("block/") + name)));
    }
    const QString block = root.filePath(QStringLiteral("block"));
    EXPECT_TRUE(DeviceIsRemovable(QStringLiteral("mmcblk0p1"), block));
    EXPECT_TRUE(DeviceIsRemovable(QStringLiteral("mmcblk0"), block));
    EXPECT_FALSE(DeviceIsRemovable(QStringLiteral("sda1"), block));
    EXPECT_FALSE(DeviceIsRemovable(QStringLiteral("sdz"), block));
    EXPECT_FALSE(DeviceIsRemovable(QStringLiteral("../devices/mmcblk0"), block));
}

TEST_F(SourceDialog, Screenshot) {
    Remember(settings::kFolder, QStringLiteral("/home/driver/recordings/2022-08"));
    Remember(settings::kSelect, QStringLiteral("FOLDER"));
    const FixedVolumes volumes({QStringLiteral("/media/driver/SDCARD")});
    CSourceOpenDlg dlg(scale_, fonts_.pt10(), store_, volumes, messages_);
    dlg.show();
    QCoreApplication::processEvents();
    QDir out(QCoreApplication::applicationDirPath());
    out.cdUp();
    out.mkpath(QStringLiteral("screenshots"));
    const QImage image = dlg.grab().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(540, 250));
    EXPECT_TRUE(image.save(out.filePath(QStringLiteral("screenshots/source_dialog.png"))));
}

} // namespace
} // namespace kv::browser
