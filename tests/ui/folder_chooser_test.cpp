// Choosing an output folder: where the dialog starts, cancel, and a folder
// whose path cannot be obtained.

#include "folder_chooser.h"
#include "message_box.h"
#include "qt_printers.h"
#include "settings_keys.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <ostream>

#include <optional>
#include <string>

namespace kv {
namespace {

using namespace settings;

struct ChooseCase {
    const char* name;
    const char* remembered; // nullptr: nothing remembered under the key
    bool chosen;
    const char* pickedPath;
    const char* expectedResult;
    bool expectFailureMessage;
};

void PrintTo(const ChooseCase& c, std::ostream* os) {
    *os << c.name;
}

class ChooseFolderTest : public ::testing::TestWithParam<ChooseCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(start_.isValid());
        store_ = {QDir(start_.path()).filePath(kFileName.toString()), start_.path()};
    }

    QTemporaryDir start_;
    SettingsStore store_;
};

TEST_P(ChooseFolderTest, StartsInTheRememberedFolderAndReportsFailures) {
    const ChooseCase& c = GetParam();
    if (c.remembered != nullptr) {
        ASSERT_TRUE(WriteSetting(store_, kFolderPath, kCsvFolder, QString::fromUtf8(c.remembered)));
    }
    // Another key's folder must not be taken.
    ASSERT_TRUE(WriteSetting(store_, kFolderPath, kSnapshotFolder, QStringLiteral("/elsewhere")));

    QWidget owner;
    struct Call {
        QWidget* owner;
        QString title;
        QString initial;
    };
    std::vector<Call> calls;
    const FolderPicker picker = [&](QWidget* o, const QString& title, const QString& initial) {
        calls.push_back({o, title, initial});
        return FolderPick{c.chosen, QString::fromUtf8(c.pickedPath)};
    };
    ScriptedMessageSink messages;

    const QString result = ChooseFolder(&owner, store_, kFolderPath, kCsvFolder,
                                        QStringLiteral("出力先フォルダの選択"), picker, messages);

    EXPECT_EQ(result, QString::fromUtf8(c.expectedResult));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].owner, &owner);
    EXPECT_EQ(calls[0].title, QStringLiteral("出力先フォルダの選択"));
    EXPECT_EQ(calls[0].initial,
              c.remembered != nullptr ? QString::fromUtf8(c.remembered) : start_.path());
    if (c.expectFailureMessage) {
        const std::vector<ScriptedMessageSink::Message> expected{
            {QStringLiteral("フォルダパスの取得に失敗しました。"), QStringLiteral("ERROR"), 0}};
        EXPECT_EQ(messages.messages, expected);
    } else {
        EXPECT_TRUE(messages.messages.empty());
    }
    // Writing the folder back is the caller's business.
    EXPECT_EQ(ReadSetting(store_, kFolderPath, kCsvFolder),
              c.remembered != nullptr ? QString::fromUtf8(c.remembered) : QString());
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ChooseFolderTest,
    ::testing::Values(ChooseCase{"RememberedFolder", "/media/card/out", true, "/home/u/csv",
                                 "/home/u/csv", false},
                      ChooseCase{"NothingRememberedStartsInSettingsFolder", nullptr, true, "/tmp/x",
                                 "/tmp/x", false},
                      ChooseCase{"Cancelled", "/media/card/out", false, "", "", false},
                      ChooseCase{"CancelledWithNothingRemembered", nullptr, false, "", "", false},
                      ChooseCase{"PathNotObtained", "/media/card/out", true, "", "", true}),
    [](const auto& info) { return std::string(info.param.name); });

// The system dialog itself: it opens in the initial folder, shows folders
// only, and gives back the folder it was accepted in.
TEST(PickFolderWithDialogTest, OpensInTheInitialFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    const QString initial = QDir(dir.path()).filePath(QStringLiteral("sub"));

    for (const bool accept : {true, false}) {
        SCOPED_TRACE(accept ? "accepted" : "cancelled");
        std::optional<QString> seenDirectory;
        bool directoriesOnly = false;
        QString seenTitle;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                ADD_FAILURE() << "no folder dialog";
                return;
            }
            seenDirectory = dialog->directory().absolutePath();
            seenTitle = dialog->windowTitle();
            directoriesOnly = dialog->fileMode() == QFileDialog::Directory &&
                              dialog->testOption(QFileDialog::ShowDirsOnly);
            QDialog* base = dialog;
            if (accept) {
                base->accept();
            } else {
                base->reject();
            }
        });
        const FolderPick pick =
            PickFolderWithDialog(nullptr, QStringLiteral("フォルダの選択"), initial);
        ASSERT_TRUE(seenDirectory.has_value());
        EXPECT_EQ(*seenDirectory, QDir(initial).absolutePath());
        EXPECT_EQ(seenTitle, QStringLiteral("フォルダの選択"));
        EXPECT_TRUE(directoriesOnly);
        EXPECT_EQ(pick.chosen, accept);
        EXPECT_EQ(pick.path, accept ? QDir::toNativeSeparators(initial) : QString());
    }
}

} // namespace
} // namespace kv
