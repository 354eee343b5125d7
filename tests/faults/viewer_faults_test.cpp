// The whole viewer (main window, real engines, browser, controller) under
// faults: a recording cut, emptied or overwritten while it plays, a card of
// misleading files opened and played, and still images written to a full disk
// or a folder that cannot be written.

#include "../engine/tiny_recording.h"
#include "application.h"
#include "catalogue.h"
#include "fault_support.h"
#include "file_list_ctrl.h"
#include "filer_container_dlg.h"
#include "folder_tree_ctrl.h"
#include "hostile_card.h"
#include "main_window.h"
#include "message_box.h"
#include "playback_host.h"
#include "settings_store.h"
#include "skin_slider.h"
#include "tool_bar.h"

#include "wait_for.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace kv::faults {
namespace {

// Lets the window and the engines run for a while.
void Pump(int ms) {
    RunEventsFor(ms);
}

// A folder of one drive: front/rear pairs of tiny recordings. Returns the front paths.
QStringList DriveFolder(const QString& folder, int first, int count, double seconds) {
    QDir().mkpath(folder);
    QStringList fronts;
    for (int i = 0; i < count; ++i) {
        const QString stem = QStringLiteral("A__%1-261204-0810%2-%3")
                                 .arg(i == 0 ? QStringLiteral("S") : QStringLiteral("_"))
                                 .arg(first + i, 2, 10, QLatin1Char('0'))
                                 .arg(first + i, 6, 10, QLatin1Char('0'));
        fronts << engine::WriteTinyRecording(folder, stem + "F.AVI", seconds);
        engine::WriteTinyRecording(folder, stem + "R.AVI", seconds);
    }
    return fronts;
}

class ViewerFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", folder.path().toLocal8Bit()); // the repair folder goes here
        store = LocateSettings(folder.path(), QString());
        window =
            std::make_unique<app::CQuillonDlg>(UiScale(1.0, 1.0), store, engine::FfmpegEngine());
        window->Initialise();
        window->show();
        host = std::make_unique<app::PlaybackHost>(*window, messages);
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
    int State(int camera) { return window->Engine(camera).playState; }

    // Opens a folder and its first group; true when its first recording is ready.
    bool OpenFolder(const QString& path) {
        host->OpenSource(path, SourceKind::Folder);
        browser::CFolderTreeCtrl* tree = window->Browser()->tree();
        if (tree->topLevelItemCount() == 0 || tree->topLevelItem(0)->childCount() == 0) {
            return false;
        }
        tree->SelectItem(tree->topLevelItem(0)->child(0));
        return WaitFor([&] { return C().Ready(); });
    }
    void Play() { window->Command(app::kToolBarFirstCommand + 2); }

    // The viewer is usable: a sound recording opens, plays and moves on.
    void ExpectUsable(const QString& sound) {
        ASSERT_TRUE(OpenFolder(sound)) << "a sound recording no longer opens";
        if (State(0) != engine::kPlaying) {
            Play();
        }
        EXPECT_TRUE(WaitFor([&] { return window->PositionSlider()->position() > 5; }))
            << "a sound recording no longer plays";
    }

    QTemporaryDir folder;
    QByteArray savedTmp;
    SettingsStore store;
    ScriptedMessageSink messages;
    std::unique_ptr<app::CQuillonDlg> window;
    std::unique_ptr<app::PlaybackHost> host;
};

TEST_F(ViewerFaultsTest, ARecordingCutOrOverwrittenWhilePlayingEndsAndLeavesTheViewerUsable) {
    const QString sound = folder.path() + QStringLiteral("/SOUND");
    DriveFolder(sound, 40, 1, 2.5);
    struct Case {
        const char* what;
        std::function<void(const QString& path)> fault;
        bool unreadable; // the rest of the recording can no longer be read
    };
    const std::vector<Case> cases = {
        {"cut after its header", [](const QString& p) { QFile::resize(p, 4096); }, true},
        {"emptied", [](const QString& p) { QFile::resize(p, 0); }, true},
        {"overwritten with zeros in place",
         [](const QString& p) {
             QFile f(p);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             f.write(QByteArray(static_cast<int>(f.size()), '\0'));
         },
         false},
        {"overwritten with a shorter recording",
         [](const QString& p) {
             QTemporaryDir scratch;
             const QString other = engine::WriteTinyRecording(
                 scratch.path(), QStringLiteral("A__S-261204-090000-000099F.AVI"), 0.5);
             QFile target(p);
             QFile source(other);
             ASSERT_TRUE(target.open(QIODevice::WriteOnly | QIODevice::Truncate));
             ASSERT_TRUE(source.open(QIODevice::ReadOnly));
             target.write(source.readAll());
         },
         true},
    };
    int number = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString drive = folder.path() + QStringLiteral("/DRIVE%1").arg(number);
        const QStringList fronts = DriveFolder(drive, number, 1, 4.0); // 120 frames
        ++number;
        ASSERT_TRUE(OpenFolder(drive));
        Play();
        ASSERT_TRUE(WaitFor([&] { return window->PositionSlider()->position() > 10; }));
        c.fault(fronts[0]);
        c.fault(QString(fronts[0]).replace(QStringLiteral("F.AVI"), QStringLiteral("R.AVI")));
        // The engines end (at the cut when the rest cannot be read, instead of
        // running on to the recording's length); nothing crashes.
        std::int64_t furthest = 0; // the front engine's clock
        EXPECT_TRUE(WaitFor([&] {
            furthest =
                std::max<std::int64_t>(furthest, window->Ops().CurrentFrame(window->Engine(0)));
            return State(0) != engine::kPlaying && State(1) != engine::kPlaying;
        })) << "still playing a recording that is gone";
        if (c.unreadable) {
            EXPECT_LT(furthest, 100) << "played on past the cut";
        }
        ExpectUsable(sound);
    }
}

TEST_F(ViewerFaultsTest, ACardOfMisleadingFilesOpensAndListsWhatIsSound) {
    const HostileCard card = WriteHostileCard(folder.path() + QStringLiteral("/card"));
    host->OpenSource(folder.path() + QStringLiteral("/card"), SourceKind::Card);
    browser::CFolderTreeCtrl* tree = window->Browser()->tree();
    ASSERT_GT(tree->topLevelItemCount(), 0);
    QStringList rows;
    for (int top = 0; top < tree->topLevelItemCount(); ++top) {
        for (int group = 0; group < tree->topLevelItem(top)->childCount(); ++group) {
            tree->SelectItem(tree->topLevelItem(top)->child(group));
            for (const RecordingEntry& e : window->RecordingListCtrl()->shownEntries()) {
                rows << e.rowName();
            }
            Pump(100);
        }
    }
    for (const QString& name : card.sound) {
        EXPECT_TRUE(rows.contains(name)) << "missing " << name.toStdString();
    }
    for (const QString& name : card.notFiles) {
        EXPECT_FALSE(rows.contains(name)) << "listed " << name.toStdString();
    }

    // Every misleading file opened on its own: refused or shown, never a crash.
    const QString front = folder.path() + QStringLiteral("/card/Normal/Front/");
    for (const QString& name : card.hostile) {
        SCOPED_TRACE(name.toStdString());
        const QString path = front + name;
        if (!QFileInfo::exists(path)) {
            continue; // a rear file
        }
        host->OpenSource(path, SourceKind::File);
        Pump(200); // shown or refused: either way the viewer goes on
        Play();
        Pump(50);
    }
    const QString sound = folder.path() + QStringLiteral("/SOUND");
    DriveFolder(sound, 40, 1, 2.5);
    ExpectUsable(sound);
}

TEST_F(ViewerFaultsTest, AStillImageThatCannotBeWrittenLeavesNoFile) {
    const QString drive = folder.path() + QStringLiteral("/DRIVE");
    DriveFolder(drive, 1, 1, 2.5);
    ASSERT_TRUE(OpenFolder(drive));
    const QString name = QStringLiteral("261204-081001-F-0.jpg");

    // Written when nothing goes wrong: the size a full disk cuts in half.
    QTemporaryDir scratch;
    ASSERT_TRUE(window->Ops().SaveFrame(window->Engine(0), scratch.path() + u'/' + name));
    const qint64 size = QFileInfo(scratch.path() + u'/' + name).size();
    ASSERT_GT(size, 1);

    QTemporaryDir full;
    bool saved = true;
    {
        DiskFull limit(static_cast<rlim_t>(size / 2));
        ASSERT_TRUE(limit.active());
        saved = window->Ops().SaveFrame(window->Engine(0), full.path() + u'/' + name);
    }
    EXPECT_FALSE(saved);
    EXPECT_TRUE(Snapshot(full.path()).isEmpty()) << Names(Snapshot(full.path()));

    ReadOnlyFolder readOnly([](const QString&) {});
    if (readOnly.path().isEmpty()) {
        GTEST_SKIP() << readOnly.reason();
    }
    EXPECT_FALSE(window->Ops().SaveFrame(window->Engine(0), readOnly.path() + u'/' + name));
    EXPECT_TRUE(Snapshot(readOnly.path()).isEmpty()) << Names(Snapshot(readOnly.path()));
}

} // namespace
} // namespace kv::faults
