// The viewer end to end with the real engine: recordings made by the card
// maker, opened from the list, played, sought, carried on into the next
// recording and the next folder, and a damaged one repaired on request.

#include "../engine/tiny_recording.h"
#include "application.h"
#include "cardmaker.h"
#include "catalogue.h"
#include "file_list_ctrl.h"
#include "filer_container_dlg.h"
#include "folder_tree_ctrl.h"
#include "google_map_dlg_wrap.h"
#include "main_window.h"
#include "map_side.h"
#include "message_box.h"
#include "movie_static.h"
#include "playback_host.h"
#include "settings_store.h"
#include "skin_button.h"
#include "skin_slider.h"
#include "tool_bar.h"

#include "wait_for.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace kv::app {
namespace {

// Front/rear pairs numbered from `first` in a folder. The first recording
// starts a drive ('S'); the others continue it, so they form one group.
RecordingList Folder(const QString& root, const QString& name, int first, int count,
                     double seconds = 2.5, cardmaker::Damage damage = cardmaker::Damage::None) {
    const QString folder = QDir(root).filePath(name);
    QDir().mkpath(folder);
    Catalogue catalogue;
    RecordingList entries;
    for (int i = 0; i < count; ++i) {
        const QString stem = QStringLiteral("A__%1-261204-0810%2-%3")
                                 .arg(i == 0 ? QStringLiteral("S") : QStringLiteral("_"))
                                 .arg(first + i, 2, 10, QLatin1Char('0'))
                                 .arg(first + i, 6, 10, QLatin1Char('0'));
        const QString front = engine::WriteTinyRecording(folder, stem + "F.AVI", seconds, damage);
        const QString rear = engine::WriteTinyRecording(folder, stem + "R.AVI", seconds);
        MakeEntry(catalogue, front, rear, entries);
    }
    return entries;
}

class PlaybackIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", folder.path().toLocal8Bit()); // the repair folder goes here
        store = LocateSettings(folder.path(), QString());
        window = std::make_unique<CQuillonDlg>(UiScale(1.0, 1.0), store, engine::FfmpegEngine());
        window->Initialise();
        window->show();
        host = std::make_unique<PlaybackHost>(*window, messages);
    }
    void TearDown() override {
        host.reset();
        window.reset();
        if (savedTmp.isEmpty()) {
            qunsetenv("TMPDIR");
        } else {
            qputenv("TMPDIR", savedTmp);
        }
    }
    playback::PlaybackController& C() { return host->Controller(); }
    std::int64_t Frame(int camera) { return window->Panel(camera)->PictureFrame(); }

    QTemporaryDir folder;
    QByteArray savedTmp;
    SettingsStore store;
    ScriptedMessageSink messages;
    std::unique_ptr<CQuillonDlg> window;
    std::unique_ptr<PlaybackHost> host;
};

TEST_F(PlaybackIntegrationTest, OpensPlaysSeeksAndCarriesOnThroughTheGroups) {
    // Two drives in one folder: the tree shows them as two groups.
    Folder(folder.path(), "100MEDIA", 1, 2);
    Folder(folder.path(), "100MEDIA", 5, 1);
    host->OpenSource(QDir(folder.path()).filePath("100MEDIA"), SourceKind::Folder);
    browser::CFolderTreeCtrl* tree = window->Browser()->tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* top = tree->topLevelItem(0);
    ASSERT_EQ(top->childCount(), 2);
    EXPECT_EQ(top->child(0)->text(0), QStringLiteral("261204_0001"));

    // Choosing the first group lists it and opens its first recording.
    tree->SelectItem(top->child(0));
    ASSERT_EQ(window->RecordingListCtrl()->shownEntries().size(), 2u);
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); })) << "the first recording never became ready";
    EXPECT_EQ(C().currentRecording, 0);
    EXPECT_EQ(window->Engine(0).playState, engine::kStopped);
    EXPECT_TRUE(window->ToolButton(2)->isEnabled()); // play
    EXPECT_TRUE(window->ToolButton(5)->isEnabled()); // next

    // Seek while stopped: both cameras show the frame.
    C().SeekTo(40);
    ASSERT_TRUE(WaitFor([&] { return Frame(0) == 40 && Frame(1) == 40; }));

    // Play: the position follows the clock, the play button shows the pause look.
    window->Command(kToolBarFirstCommand + 2);
    ASSERT_TRUE(WaitFor([&] { return window->Engine(0).playState == engine::kPlaying; }));
    EXPECT_EQ(window->ToolButton(2)->toolTip(), QStringLiteral("一時停止"));
    ASSERT_TRUE(WaitFor([&] { return window->PositionSlider()->position() > 45; }))
        << "slider at " << window->PositionSlider()->position() << ", engine at "
        << window->Ops().CurrentFrame(window->Engine(0));

    // The end of the first recording carries on into the second, then past the
    // empty folder into the third folder's recording.
    ASSERT_TRUE(WaitFor([&] { return C().currentRecording == 1 && C().Ready(); }));
    EXPECT_EQ(window->RecordingListCtrl()->currentIndex(), 1); // the list follows
    ASSERT_TRUE(WaitFor([&] {
        return tree->currentItem() == top->child(1) && C().currentRecording == 0 && C().Ready();
    })) << "the chain did not reach the second group";
    EXPECT_EQ(window->Browser()->CountText(), QStringLiteral("1個"));
    // The last recording plays to its end and is shown again stopped at frame 0.
    ASSERT_TRUE(WaitFor([&] {
        return C().Ready() && window->Engine(0).playState == engine::kStopped &&
               window->PositionSlider()->position() == 0 && Frame(0) == 0;
    }));
    EXPECT_TRUE(messages.messages.empty());
}

// Only the front camera is heard, whichever camera the main view shows and
// however often the views are switched, playing or paused.
// The cameras change places without stopping playback, and only the
// telemetry camera is heard.
TEST_F(PlaybackIntegrationTest, TheViewSwitchKeepsPlaybackGoingAndTheRearSilent) {
    Folder(folder.path(), "100MEDIA", 1, 1, 6.0);
    host->OpenSource(QDir(folder.path()).filePath("100MEDIA"), SourceKind::Folder);
    window->Browser()->tree()->SelectItem(window->Browser()->tree()->topLevelItem(0)->child(0));
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); }));
    C().SetVolume(40000);
    window->Command(kToolBarFirstCommand + 2);
    ASSERT_TRUE(WaitFor([&] { return window->Engine(0).playState == engine::kPlaying; }));
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const int state = window->Engine(0).playState;
        ASSERT_TRUE(window->ViewSwitchCommand());
        EXPECT_EQ(window->Engine(0).playState, state);
        EXPECT_EQ(window->Engine(1).playState, state);
        EXPECT_EQ(window->Engine(0).volume, 40000);
        EXPECT_EQ(window->Engine(1).volume, 0);
        if (round == 1) {
            window->Command(kToolBarFirstCommand + 2); // pause
            ASSERT_TRUE(WaitFor([&] { return window->Engine(0).playState == engine::kPaused; }));
        }
    }
}

// Space pressed while the chosen recording opens (the play button is off
// then) is kept: the recording starts playing once it is shown.
TEST_F(PlaybackIntegrationTest, SpaceWhileARecordingOpensPlaysItWhenReady) {
    Folder(folder.path(), "100MEDIA", 1, 2);
    host->OpenSource(QDir(folder.path()).filePath("100MEDIA"), SourceKind::Folder);
    window->Browser()->tree()->SelectItem(window->Browser()->tree()->topLevelItem(0)->child(0));
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); }));
    C().SelectRecording(1);
    ASSERT_TRUE(C().OpenBusy());
    ASSERT_FALSE(window->ToolButton(playback::kPlayButton)->isEnabled());
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &space);
    ASSERT_TRUE(WaitFor([&] { return C().Ready() && C().currentRecording == 1; }));
    EXPECT_TRUE(WaitFor([&] { return window->Engine(0).playState == engine::kPlaying; }));
}

// The connection checker runs on its own thread: a result that arrives after
// shutdown took the map window (and the logo in it) touches neither.
TEST_F(PlaybackIntegrationTest, ACheckerResultAfterShutdownIsDropped) {
    MapSide* map = host->Map();
    ASSERT_NE(map, nullptr);
    map->Pane().logoShown = true;
    window->Shutdown();
    ASSERT_EQ(window->MapWindow(), nullptr);
    Q_EMIT map->Bridge().connection.checked(false);
    QApplication::processEvents();
    EXPECT_EQ(map->LivePane(), nullptr);
}

TEST_F(PlaybackIntegrationTest, ACardOnTheCommandLineOpensAtItsFirstGroup) {
    cardmaker::CardOptions options = cardmaker::TinyCardOptions();
    options.count = 3;
    const QString card = QDir(folder.path()).filePath(QStringLiteral("card"));
    QString error;
    ASSERT_TRUE(cardmaker::WriteCard(options, card, &error)) << error.toStdString();

    ASSERT_TRUE(host->OpenInitialSource({QStringLiteral("kolvista"), card}));
    EXPECT_EQ(window->Browser()->sourceKind(), SourceKind::Card);
    QTreeWidgetItem* group = window->Browser()->tree()->currentItem();
    ASSERT_NE(group, nullptr);
    ASSERT_NE(group->parent(), nullptr);
    EXPECT_EQ(group->parent()->text(0), QStringLiteral("Normal"));
    EXPECT_GE(host->List().size(), 3u);
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); })) << "the first recording never opened";
    EXPECT_EQ(C().currentRecording, 0);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(window->RecordingListCtrl()->currentIndex(), 0); // the list marks what is shown
    EXPECT_TRUE(window->ToolButton(playback::kJoinButton)->isEnabled()); // a card joins
    EXPECT_TRUE(window->ToolButton(playback::kCsvButton)->isEnabled());

    // An empty folder gives an empty list: only Browse can be clicked.
    const QString empty = QDir(folder.path()).filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);
    ASSERT_TRUE(host->OpenInitialSource({QStringLiteral("kolvista"), empty}));
    ASSERT_TRUE(WaitFor([&] { return host->List().empty() && !C().Ready(); }));
    const auto onlyBrowse = [&] {
        for (int i = 0; i < playback::kToolButtons; ++i) {
            if (window->ToolButton(i)->isEnabled() != (i == playback::kBrowseButton)) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(WaitFor(onlyBrowse));
    for (int i = 0; i < playback::kToolButtons; ++i) {
        EXPECT_EQ(window->ToolButton(i)->isEnabled(), i == playback::kBrowseButton)
            << "button " << i;
    }
}

TEST_F(PlaybackIntegrationTest, RemovingTheFolderWhilePlayingResetsTheViewer) {
    Folder(folder.path(), "drive", 1, 2, 4.0);
    const QString source = QDir(folder.path()).filePath("drive");
    host->OpenSource(source, SourceKind::Folder);
    browser::CFolderTreeCtrl* tree = window->Browser()->tree();
    tree->SelectItem(tree->topLevelItem(0)->child(0));
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); }));
    window->Command(kToolBarFirstCommand + playback::kPlayButton);
    ASSERT_TRUE(WaitFor([&] { return window->Engine(0).playState == engine::kPlaying; }));

    ASSERT_TRUE(QDir(source).removeRecursively());
    ASSERT_TRUE(WaitFor([&] { return tree->topLevelItemCount() == 0; }))
        << "the watcher did not notice the folder going";
    EXPECT_EQ(window->Engine(0).playState, engine::kClosed);
    EXPECT_EQ(window->Engine(1).playState, engine::kClosed);
    EXPECT_TRUE(host->List().empty());
    EXPECT_FALSE(C().Ready());
    EXPECT_EQ(C().currentRecording, -1);
    EXPECT_TRUE(window->ToolButton(playback::kBrowseButton)->isEnabled());
    EXPECT_FALSE(window->ToolButton(playback::kPlayButton)->isEnabled());
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(PlaybackIntegrationTest, ADamagedRecordingIsRepairedOnlyWhenTheUserAgrees) {
    const RecordingList list =
        Folder(folder.path(), "100MEDIA", 1, 1, 2.5, cardmaker::Damage::PowerLoss);
    // Opening the file selects its row: the question comes; No.
    messages.answers = {2};
    host->OpenSource(list[0].frontPath, SourceKind::File);
    ASSERT_TRUE(WaitFor([&] { return !messages.messages.empty(); }));
    EXPECT_EQ(messages.messages[0].text,
              QStringLiteral("ファイルが破損しています。修復して再生しますか？"));
    // The answer is taken while the recording is opened: after No nothing is
    // opened and nothing is left to do that could open it later.
    EXPECT_FALSE(C().OpenBusy());
    EXPECT_FALSE(C().Ready());
    EXPECT_EQ(window->Engine(0).playState, engine::kClosed);

    // Yes: the repaired copy plays; the recording on the card is left alone.
    const QByteArray before = [&] {
        QFile f(list[0].frontPath);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    messages.answers = {1};
    messages.messages.clear();
    C().SelectRecording(-1);
    C().SelectRecording(0);
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); })) << "the repaired copy never became ready";
    EXPECT_EQ(messages.messages.size(), 1u);
    QFile f(list[0].frontPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

} // namespace
} // namespace kv::app
