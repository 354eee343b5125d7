// The file commands end to end in the real main window: a card made by the
// card maker opened in the browser, the tool-bar buttons clicked, the dialogs
// answered through their interfaces, and the results read back from disk with
// outside tools (Python's csv module, ffprobe) where they exist.

#include "cardmaker.h"
#include "file_commands.h"
#include "file_list_ctrl.h"
#include "filer_container_dlg.h"
#include "folder_tree_ctrl.h"
#include "main_window.h"
#include "message_box.h"
#include "movie_static.h"
#include "operation_frame.h"
#include "playback_host.h"
#include "setting_dlg.h"
#include "settings_keys.h"
#include "settings_store.h"
#include "skin_button.h"
#include "skin_progress_bar.h"
#include "source_open_dlg.h"
#include "tool_bar.h"

#include "outside_tool.h"
#include "wait_for.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace kv::app {
namespace {

class FileCommandsEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        cardSource = new QTemporaryDir();
        cardmaker::CardOptions options = cardmaker::TinyCardOptions();
        options.count = 6;
        QString error;
        ASSERT_TRUE(cardmaker::WriteCard(options, cardSource->path() + "/CARD", &error))
            << error.toStdString();
    }
    static void TearDownTestSuite() {
        delete cardSource;
        cardSource = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        saved = {qgetenv("TMPDIR"), qgetenv("XDG_DATA_HOME")};
        qputenv("TMPDIR", dir.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", (dir.path() + "/share").toLocal8Bit());
        // Every test works on its own copy of the card.
        card = dir.path() + "/CARD";
        ASSERT_TRUE(CopyTree(cardSource->path() + "/CARD", card));
        out = dir.path() + "/out";
        QDir().mkpath(out);
        store = LocateSettings(dir.path(), QString());
        window = std::make_unique<CQuillonDlg>(UiScale(1.0, 1.0), store, engine::FfmpegEngine());
        window->Initialise();
        window->show();
        host = std::make_unique<PlaybackHost>(*window, messages);
        host->SetCommandDialogs(
            [this](browser::SelectMode mode, const RecordingList& shown,
                   const RecordingList&) -> std::optional<RecordingList> {
                selectModes.push_back(mode);
                RecordingList ticked;
                for (int row : tick) {
                    ticked.push_back(shown[static_cast<std::size_t>(row)]);
                }
                return ticked;
            },
            [this](QWidget*, const QString&, const QString&) {
                return FolderPick{true, pickedFolder.isEmpty() ? out : pickedFolder};
            });
    }
    void TearDown() override {
        host.reset();
        window.reset();
        for (const auto& [name, value] :
             {std::pair{"TMPDIR", saved.first}, std::pair{"XDG_DATA_HOME", saved.second}}) {
            if (value.isEmpty()) {
                qunsetenv(name);
            } else {
                qputenv(name, value);
            }
        }
    }

    static bool CopyTree(const QString& from, const QString& to) {
        QDir().mkpath(to);
        for (const QFileInfo& info :
             QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            const QString target = to + "/" + info.fileName();
            if (info.isDir() ? !CopyTree(info.filePath(), target)
                             : !QFile::copy(info.filePath(), target)) {
                return false;
            }
        }
        return true;
    }

    // Opens the card and waits for its first recording.
    void OpenCard() {
        host->OpenSource(card, SourceKind::Card);
        ASSERT_TRUE(WaitFor([&] { return C().Ready(); })) << "the first recording never opened";
    }
    playback::PlaybackController& C() { return host->Controller(); }
    void Click(int button) { window->ToolButton(button)->click(); }
    bool Completed() {
        return std::any_of(messages.messages.begin(), messages.messages.end(), [](const auto& m) {
            return m.text == QStringLiteral("完了しました。") &&
                   m.caption == QStringLiteral("終了");
        });
    }
    QStringList MessageTexts() const {
        QStringList texts;
        for (const auto& m : messages.messages) {
            texts << m.text;
        }
        return texts;
    }

    static QTemporaryDir* cardSource;
    QTemporaryDir dir;
    std::pair<QByteArray, QByteArray> saved;
    QString card;
    QString out;
    SettingsStore store;
    ScriptedMessageSink messages;
    std::unique_ptr<CQuillonDlg> window;
    std::unique_ptr<PlaybackHost> host;
    // A folder copied off the card: front and rear files side by side.
    QString FolderCopyOfCard() {
        const QString folder = dir.path() + "/copy";
        QDir().mkpath(folder);
        for (const QString& camera : {QStringLiteral("Front"), QStringLiteral("Rear")}) {
            for (const QFileInfo& f : QDir(card + "/Normal/" + camera).entryInfoList(QDir::Files)) {
                EXPECT_TRUE(QFile::copy(f.filePath(), folder + "/" + f.fileName()));
            }
        }
        return folder;
    }
    // Opens the folder and its first group and waits for its first recording.
    void OpenFolder(const QString& folder) {
        host->OpenSource(folder, SourceKind::Folder);
        browser::CFolderTreeCtrl* tree = window->Browser()->tree();
        ASSERT_GT(tree->topLevelItemCount(), 0);
        ASSERT_GT(tree->topLevelItem(0)->childCount(), 0);
        tree->SelectItem(tree->topLevelItem(0)->child(0));
        ASSERT_TRUE(WaitFor([&] { return C().Ready(); }));
    }

    std::vector<int> tick;
    std::vector<browser::SelectMode> selectModes;
    QString pickedFolder; // the folder chooser's answer; `out` when empty
};

QTemporaryDir* FileCommandsEndToEnd::cardSource = nullptr;

TEST_F(FileCommandsEndToEnd, CsvOfTheWholeCardReadsBackAsShiftJis) {
    OpenCard();
    C().SeekTo(20);
    ASSERT_TRUE(WaitFor([&] { return window->Panel(0)->PictureFrame() == 20; }));
    ASSERT_TRUE(window->ToolButton(playback::kCsvButton)->isEnabled());
    Click(playback::kCsvButton);
    ASSERT_TRUE(WaitFor([&] { return Completed(); })) << MessageTexts().join(" | ").toStdString();
    EXPECT_FALSE(window->ProgressBar()->isVisible());
    EXPECT_EQ(ReadSetting(store, settings::kFolderPath, settings::kCsvFolder), out);

    const QStringList files = QDir(out).entryList({"Dv_*.csv"}, QDir::Files);
    ASSERT_EQ(files.size(), 1);
    const QString csv = out + "/" + files[0];
    const std::optional<QString> rows = RunOutsideTool(
        "python3", {"-c",
                    "import csv,sys\n"
                    "rows=list(csv.reader(open(sys.argv[1],encoding='shift_jis',newline='')))\n"
                    "print(len(rows)-1)\n"
                    "print('|'.join(rows[0]))\n"
                    "print('|'.join(r[0] for r in rows[1:]))\n",
                    csv});
    ASSERT_TRUE(rows);
    const QStringList lines = rows->split('\n');
    ASSERT_EQ(lines.size(), 3) << rows->toStdString();
    const RecordingList all = window->Browser()->CollectAllRecordings();
    EXPECT_EQ(lines[0].toInt(), static_cast<int>(all.size()));
    EXPECT_EQ(lines[1], QStringLiteral("ファイル名|日付|開始時刻|録画時間|録画トリガー|録画サイズ|"
                                       "画質|フレームレート|フロントカメラデータサイズ|"
                                       "リヤカメラデータサイズ"));
    QStringList names;
    for (const RecordingEntry& e : all) {
        names << (e.frontName.isEmpty() ? e.rearName : e.frontName);
    }
    EXPECT_EQ(lines[2].split('|'), names);

    // The recording shown before comes back at the frame it was at.
    ASSERT_TRUE(WaitFor([&] { return C().Ready() && window->Panel(0)->PictureFrame() == 20; }));
}

TEST_F(FileCommandsEndToEnd, StillImagesOfBothCamerasShowTheFrameShown) {
    OpenCard();
    C().SeekTo(40);
    ASSERT_TRUE(WaitFor([&] {
        return window->Panel(0)->PictureFrame() == 40 && window->Panel(1)->PictureFrame() == 40;
    }));
    Click(playback::kSnapshotButton);
    ASSERT_TRUE(WaitFor([&] { return Completed(); })) << MessageTexts().join(" | ").toStdString();

    const QStringList images = QDir(out).entryList({"*.jpg"}, QDir::Files, QDir::Name);
    ASSERT_EQ(images.size(), 2) << images.join(" ").toStdString();
    for (const QString& name : images) {
        EXPECT_TRUE(name.endsWith("-000040.jpg")) << name.toStdString();
        QImage picture(out + "/" + name);
        ASSERT_FALSE(picture.isNull()) << name.toStdString();
        picture = picture.convertToFormat(QImage::Format_Grayscale8);
        const auto stamp =
            cardmaker::ReadFrameStamp(picture.constBits(), static_cast<int>(picture.bytesPerLine()),
                                      picture.width(), picture.height());
        ASSERT_TRUE(stamp.has_value()) << name.toStdString();
        EXPECT_EQ(stamp->frame, 40) << name.toStdString();
        // The name's camera letter is the camera in the picture.
        EXPECT_EQ(stamp->camera, name.contains("-F-") ? 'F' : 'R') << name.toStdString();
    }
    EXPECT_EQ(ReadSetting(store, settings::kFolderPath, settings::kSnapshotFolder), out);
}

TEST_F(FileCommandsEndToEnd, JoiningThreeRecordingsGivesOneFilePerCamera) {
    OpenCard();
    const RecordingList shown = host->List();
    ASSERT_GE(shown.size(), 3u);
    tick = {0, 1, 2};
    ASSERT_TRUE(window->ToolButton(playback::kJoinButton)->isEnabled());
    Click(playback::kJoinButton);
    ASSERT_TRUE(WaitFor([&] { return Completed(); })) << MessageTexts().join(" | ").toStdString();
    ASSERT_EQ(selectModes, std::vector<browser::SelectMode>{browser::SelectMode::Join});

    const QString front = out + "/" + shown[0].frontName;
    const QString rear = out + "/" + shown[0].rearName;
    ASSERT_TRUE(QFileInfo::exists(front));
    ASSERT_TRUE(QFileInfo::exists(rear));
    // The joined rows are marked for the selection dialog.
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(host->List()[static_cast<std::size_t>(row)].exported, 1) << row;
    }
    // The recordings joined are left as they were.
    EXPECT_TRUE(QFileInfo::exists(shown[1].frontPath));

    const auto frames = [](const QString& path) {
        return RunOutsideTool("ffprobe",
                              {"-v", "error", "-count_frames", "-select_streams", "v:0",
                               "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", path});
    };
    const std::optional<QString> joined = frames(front);
    ASSERT_TRUE(joined);
    int sum = 0;
    for (int row = 0; row < 3; ++row) {
        sum += frames(shown[static_cast<std::size_t>(row)].frontPath).value_or("-1").toInt();
    }
    EXPECT_GT(sum, 0);
    EXPECT_EQ(joined->toInt(), sum);
    EXPECT_EQ(frames(rear).value_or("-1").toInt(), sum);
    // Back at the first frame of the recording shown.
    ASSERT_TRUE(WaitFor([&] { return C().Ready() && window->Panel(0)->PictureFrame() == 0; }));
}

TEST_F(FileCommandsEndToEnd, DeletingOnACardLeavesHiddenPlaceholders) {
    OpenCard();
    const RecordingList shown = host->List();
    ASSERT_GE(shown.size(), 2u);
    const RecordingEntry gone = shown[1];
    tick = {1};
    Click(playback::kDeleteButton);
    ASSERT_TRUE(WaitFor([&] { return Completed(); })) << MessageTexts().join(" | ").toStdString();
    ASSERT_EQ(selectModes, std::vector<browser::SelectMode>{browser::SelectMode::Delete});

    for (const QString& path : {gone.frontPath, gone.rearPath}) {
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
        QString placeholder = path;
        placeholder.replace(placeholder.size() - 3, 3, "DMY");
        EXPECT_TRUE(QFileInfo::exists(placeholder)) << placeholder.toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(shown[0].frontPath));
    // The card, read again, no longer lists it.
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); }));
    for (const RecordingEntry& e : window->Browser()->CollectAllRecordings()) {
        EXPECT_NE(e.frontPath, gone.frontPath);
    }
    // The gap in the file numbers now ends the group after the first row.
    ASSERT_FALSE(host->List().empty());
    EXPECT_EQ(host->List()[0].frontPath, shown[0].frontPath);
    for (const RecordingEntry& e : host->List()) {
        EXPECT_NE(e.frontPath, gone.frontPath);
    }
}

TEST_F(FileCommandsEndToEnd, DeletingInAFolderMovesThePairToTheTrash) {
    OpenFolder(FolderCopyOfCard());
    EXPECT_FALSE(window->ToolButton(playback::kJoinButton)->isEnabled()); // a folder does not join

    const RecordingEntry gone = host->List()[0];
    tick = {0};
    Click(playback::kDeleteButton);
    ASSERT_TRUE(WaitFor([&] { return Completed(); })) << MessageTexts().join(" | ").toStdString();
    const QString trash = dir.path() + "/share/Trash/files/";
    EXPECT_FALSE(QFileInfo::exists(gone.frontPath));
    EXPECT_FALSE(QFileInfo::exists(gone.rearPath));
    EXPECT_TRUE(QFileInfo::exists(trash + gone.frontName));
    EXPECT_TRUE(QFileInfo::exists(trash + gone.rearName));
}

// Whatever a command does and however it ends, the tool bar afterwards is
// what its rules make of the state the command left: on a card and in a
// folder (which neither joins nor lists), started while playing and while
// paused (Faster and Slower only while playing).
TEST_F(FileCommandsEndToEnd, TheToolBarFollowsItsRulesAfterEveryCommand) {
    struct Command {
        const char* name;
        std::function<void()> run;
    };
    const std::vector<Command> commands = {
        {"still image", [&] { Click(playback::kSnapshotButton); }},
        {"CSV list", [&] { Click(playback::kCsvButton); }},
        {"join refused: into the card's own folder",
         [&] {
             tick = {0};
             pickedFolder = card + "/Normal/Front";
             Click(playback::kJoinButton);
         }},
        {"join cancelled",
         [&] {
             tick = {};
             Click(playback::kJoinButton);
         }},
        {"delete cancelled",
         [&] {
             tick = {};
             Click(playback::kDeleteButton);
         }},
        {"settings",
         [&] {
             Click(playback::kSettingsButton);
             window->SettingDialog()->hide();
         }},
        {"browse cancelled",
         [&] {
             host->runSourceDialog = [](browser::CSourceOpenDlg&) { return false; };
             Click(playback::kBrowseButton);
         }},
        {"repaired copies offered", [&] { host->offerRepairedFiles(); }},
    };
    int ends = 0;
    QObject counting; // the connection ends with the test
    QObject::connect(&host->Commands().frame(), &OperationFrame::ended, &counting, [&] { ++ends; });
    const auto idle = [&] {
        return C().Ready() && !C().OpenBusy() && !host->Commands().OperationRunning() &&
               !host->Commands().frame().hasWorker();
    };
    const auto bring = [&](bool playing) {
        if (C().PlayState() == engine::kClosed ||
            !window->ToolButton(playback::kPlayButton)->isEnabled()) {
            // A cancelled delete leaves the recording closed: another row opens one.
            window->Browser()->SelectRow(C().currentRecording == 0 ? 1 : 0);
            ASSERT_TRUE(WaitFor(
                [&] { return idle() && window->ToolButton(playback::kPlayButton)->isEnabled(); }));
        }
        if (C().PlayState() != engine::kPlaying) {
            ASSERT_TRUE(window->ToolButton(playback::kPlayButton)->isEnabled());
            Click(playback::kPlayButton);
            ASSERT_TRUE(WaitFor([&] { return C().PlayState() == engine::kPlaying; }));
        }
        if (!playing) {
            Click(playback::kPlayButton);
            ASSERT_TRUE(WaitFor([&] { return C().PlayState() == engine::kPaused; }));
        }
    };

    const QString folder = FolderCopyOfCard();
    for (const SourceKind source : {SourceKind::Card, SourceKind::Folder}) {
        if (source == SourceKind::Card) {
            OpenCard();
        } else {
            OpenFolder(folder);
        }
        for (const Command& command : commands) {
            for (const bool playing : {true, false}) {
                SCOPED_TRACE(testing::Message()
                             << (source == SourceKind::Card ? "card, " : "folder, ") << command.name
                             << (playing ? ", playing" : ", paused"));
                pickedFolder.clear();
                ASSERT_TRUE(WaitFor(idle));
                bring(playing);
                if (HasFatalFailure()) {
                    return;
                }
                const int endsBefore = ends;
                command.run();
                // A command that went through the operation frame has ended
                // when the frame says so, the others when they return.
                const bool framed = ends > endsBefore || host->Commands().frame().hasWorker() ||
                                    host->Commands().OperationRunning();
                if (framed) {
                    ASSERT_TRUE(WaitFor([&] { return ends > endsBefore; }));
                }
                QApplication::processEvents(); // an end the command posted
                ASSERT_TRUE(WaitFor(idle));
                std::array<bool, playback::kToolButtons> shown{};
                for (int i = 0; i < playback::kToolButtons; ++i) {
                    shown[static_cast<std::size_t>(i)] = window->ToolButton(i)->isEnabled();
                }
                host->RefreshToolbar(); // the rules for this very state
                for (int i = 0; i < playback::kToolButtons; ++i) {
                    EXPECT_EQ(shown[static_cast<std::size_t>(i)],
                              window->ToolButton(i)->isEnabled())
                        << "button " << i;
                }
                if (source == SourceKind::Folder) {
                    EXPECT_FALSE(shown[playback::kJoinButton]);
                    EXPECT_FALSE(shown[playback::kCsvButton]);
                }
                if (C().PlayState() != engine::kPlaying) {
                    EXPECT_FALSE(shown[playback::kFasterButton]);
                    EXPECT_FALSE(shown[playback::kSlowerButton]);
                }
            }
        }
    }
}

} // namespace
} // namespace kv::app
