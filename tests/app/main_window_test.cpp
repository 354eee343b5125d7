#include "display_settings.h"
#include "fake_engine.h"
#include "filer_container_dlg.h"
#include "folder_tree_ctrl.h"
#include "main_window.h"
#include "movie_dialog.h"
#include "movie_static.h"
#include "qt_printers.h"
#include "repair.h"
#include "settings_store.h"
#include "skin_button.h"
#include "skin_progress_bar.h"
#include "ui_texts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv::app {
namespace {

using engine::FakeEngine;
using engine::FakeStateOf;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        store = LocateSettings(folder.path(), QString());
        // The repair folder lives in the temporary folder: point that at ours.
        savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", folder.path().toLocal8Bit());
    }
    void TearDown() override {
        window.reset();
        if (savedTmp.isEmpty()) {
            qunsetenv("TMPDIR");
        } else {
            qputenv("TMPDIR", savedTmp);
        }
    }
    CQuillonDlg& Open(double scale = 1.0) {
        window = std::make_unique<CQuillonDlg>(UiScale(scale, 1.0), store, FakeEngine());
        window->Initialise();
        window->show();
        QApplication::processEvents(); // the deferred part
        return *window;
    }
    // Scripts a recording into both fake engines and opens it.
    void OpenRecording(std::int64_t frames = 300) {
        for (int camera = 0; camera < 2; ++camera) {
            engine::EngineContext& c = window->Engine(camera);
            FakeStateOf(c).recordings[QStringLiteral("rec.avi")] = {engine::kOpened, frames};
            ASSERT_EQ(window->Ops().Open(c, QStringLiteral("rec.avi")), engine::kOpened);
        }
    }

    QTemporaryDir folder;
    SettingsStore store;
    QByteArray savedTmp;
    std::unique_ptr<CQuillonDlg> window;
};

TEST_F(MainWindowTest, InitialisationBuildsEnginesPanesAndSettings) {
    ASSERT_EQ(CheckRepairFolder(true), QString());
    ASSERT_TRUE(RepairFolder().startsWith(QDir(folder.path()).canonicalPath() + u'/'));
    QDir().mkpath(RepairFolder() + QStringLiteral("/old"));
    CQuillonDlg& w = Open();

    // Settings defaults written; the repair folder left by an earlier run removed.
    EXPECT_EQ(ReadSetting(store, u"DISPLAY", u"INFOCHECK"), QStringLiteral("31"));
    EXPECT_EQ(ReadSetting(store, u"DISPLAY", u"ASPECT"), QStringLiteral("on"));
    EXPECT_EQ(ReadSetting(store, u"DISPLAY", u"VOLUME"), QStringLiteral("65535"));
    EXPECT_FALSE(QFileInfo::exists(RepairFolder()));

    // Each engine draws into its own panel: the front's in the main window at
    // 656 × 371, the rear's in the second-camera window at 444 × 250.
    for (int camera = 0; camera < 2; ++camera) {
        EXPECT_TRUE(w.Engine(camera).created) << camera;
        EXPECT_EQ(w.Engine(camera).surface, w.Panel(camera)) << camera;
    }
    EXPECT_EQ(w.size(), QSize(1120, 697));
    EXPECT_EQ(w.Panel(0)->parentWidget(), &w);
    EXPECT_EQ(w.Panel(0)->geometry(), QRect(6, 27, 656, 371));
    EXPECT_EQ(w.Panel(1)->parentWidget(), w.SecondWindow());
    EXPECT_EQ(w.Panel(1)->geometry(), QRect(4, 20, 444, 250));
    EXPECT_EQ(w.SecondWindow()->windowTitle(), Text(UiText::RearCameraTitle));
    EXPECT_TRUE(w.SecondWindow()->isVisible());
    EXPECT_FALSE(w.MapWindow()->isVisible());
    EXPECT_FALSE(w.ProgressBar()->isVisible());
    EXPECT_EQ(w.BrowserPane()->geometry(), QRect(662, 28, 452, 628));

    // Aspect, volume and placement reached both engines.
    for (int camera = 0; camera < 2; ++camera) {
        EXPECT_EQ(w.Engine(camera).aspectMode, 1) << camera;
        EXPECT_EQ(w.Engine(camera).volume, 65535) << camera;
        EXPECT_EQ(w.Engine(camera).zoom.factor, 1.0f) << camera;
    }
    EXPECT_EQ(w.View(1).anchor, QPoint(226, 127));
    EXPECT_EQ(w.View(0).anchor, QPoint(328, 185));
}

TEST_F(MainWindowTest, MaximiseTwiceReturnsToTheFirstRectangle) {
    CQuillonDlg& w = Open();
    const QRect first = w.geometry();
    CSkinButton* maximise = w.CaptionButton(kCommandMaximise);
    EXPECT_EQ(maximise->toolTip(), Text(UiText::MaximiseTip));
    maximise->click();
    EXPECT_TRUE(w.isMaximisedLook());
    EXPECT_EQ(maximise->toolTip(), Text(UiText::RestoreTip));
    EXPECT_EQ(w.Panel(0)->geometry(), w.Layout().mainVideo);
    maximise->click();
    EXPECT_FALSE(w.isMaximisedLook());
    EXPECT_EQ(w.geometry(), first);
    EXPECT_EQ(w.Panel(0)->geometry(), QRect(6, 27, 656, 371));
}

TEST_F(MainWindowTest, AnEdgeDragResizesThePanesAndNotTheScale) {
    CQuillonDlg& w = Open();
    const QPoint origin = w.geometry().topLeft();
    w.zone = kZoneBottomRight;
    w.trackRect = WinRect::FromQRect(QRect(origin, QSize(1400, 800)));
    w.ApplyTrackedRect();
    EXPECT_EQ(w.size(), QSize(1400, 800));
    EXPECT_EQ(w.layoutScale(), 1.0);
    // 1400 - 12 - 440 - 12 wide; 800 - 75 - 253 + 2 high.
    EXPECT_EQ(w.Panel(0)->geometry(), QRect(6, 27, 936, 474));
    EXPECT_EQ(w.BrowserPane()->geometry().left(), 942);
    // A drag of the title band only moves the window.
    w.zone = kZoneTitle;
    w.trackRect = WinRect::FromQRect(QRect(origin, QSize(1200, 700)));
    w.ApplyTrackedRect();
    EXPECT_EQ(w.size(), QSize(1400, 800));
}

TEST_F(MainWindowTest, ALowWorkAreaShrinksTheScaleAndAHighOneBringsItBack) {
    CQuillonDlg& w = Open();
    ASSERT_TRUE(w.FitToWorkArea(QRect(0, 0, 1280, 648)));
    EXPECT_NEAR(w.layoutScale(), 648.0 / 697.0, 1e-9);
    EXPECT_EQ(w.size(), QSize(1041, 648));
    EXPECT_EQ(w.Panel(0)->geometry(), QRect(5, 25, 612, 347));
    EXPECT_FALSE(w.FitToWorkArea(QRect(0, 0, 1280, 648))); // the same work area again
    ASSERT_TRUE(w.FitToWorkArea(QRect(0, 0, 1920, 1040)));
    EXPECT_EQ(w.layoutScale(), 1.0);
    EXPECT_EQ(w.size(), QSize(1120, 697));
}

TEST_F(MainWindowTest, FullScreenOnlyWithARecordingAwayFromItsEnd) {
    CQuillonDlg& w = Open();
    const QRect normal = w.geometry();
    EXPECT_FALSE(w.EnterFullScreen()); // nothing open

    OpenRecording(300);
    FakeStateOf(w.Engine(0)).position = 290; // current frame + 10 reaches the count
    EXPECT_FALSE(w.EnterFullScreen());

    FakeStateOf(w.Engine(0)).position = 100;
    ASSERT_TRUE(w.EnterFullScreen());
    EXPECT_TRUE(w.isFullScreenOn());
    EXPECT_EQ(w.Panel(0)->geometry(), w.rect());
    EXPECT_FALSE(w.BrowserPane()->isVisible());
    EXPECT_FALSE(w.ToolButton(0)->isVisible());
    EXPECT_FALSE(w.SecondWindow()->isVisible());
    // The information panel's strip lies over the picture, above the panel.
    ASSERT_TRUE(w.Strip()->isVisible());
    EXPECT_TRUE(w.rect().contains(w.Strip()->geometry()));
    EXPECT_GT(w.children().indexOf(w.Strip()), w.children().indexOf(w.Panel(0)));

    WriteKeepAspect(store, false);
    w.ToggleFullScreen(); // a double click on the main panel leaves it
    EXPECT_FALSE(w.isFullScreenOn());
    EXPECT_EQ(w.geometry(), normal);
    EXPECT_TRUE(w.BrowserPane()->isVisible());
    EXPECT_TRUE(w.SecondWindow()->isVisible());
    EXPECT_FALSE(w.Strip()->isVisible());
    EXPECT_EQ(ReadSetting(store, u"DISPLAY", u"ASPECT"), QStringLiteral("on"));
}

TEST_F(MainWindowTest, LeavingFullScreenBringsTheMapWindowBackOnlyWhenItsSwitchIsOn) {
    for (const bool mapOn : {true, false}) {
        SCOPED_TRACE(mapOn ? "map switch on" : "map switch off");
        CQuillonDlg& w = Open();
        OpenRecording(300);
        if (mapOn) {
            ASSERT_TRUE(w.MapSwitchCommand());
        }
        ASSERT_EQ(w.mapShown(), mapOn);
        EXPECT_EQ(w.MapWindow()->isVisible(), mapOn);

        FakeStateOf(w.Engine(0)).position = 100;
        ASSERT_TRUE(w.EnterFullScreen());
        EXPECT_FALSE(w.MapWindow()->isVisible());
        EXPECT_FALSE(w.SecondWindow()->isVisible());

        w.LeaveFullScreen();
        EXPECT_EQ(w.MapWindow()->isVisible(), mapOn);
        EXPECT_TRUE(w.SecondWindow()->isVisible());
        EXPECT_EQ(w.mapShown(), mapOn); // the switch itself is untouched
        window.reset();
    }
}

TEST_F(MainWindowTest, ZoomClicksReachTheEngines) {
    CQuillonDlg& w = Open();
    OpenRecording();
    w.Panel(0)->SetZoomMode(true);
    w.VideoClick(0, QPoint(100, 50));
    EXPECT_EQ(w.View(0).level, 2.0f);
    EXPECT_EQ(w.Engine(0).zoom.factor, 2.0f);
    EXPECT_EQ(w.Engine(1).zoom.factor, 1.0f); // the other view keeps its own zoom
    w.VideoClick(0, QPoint(100, 50));
    EXPECT_EQ(w.Engine(0).zoom.factor, 3.0f);
    w.VideoClick(0, QPoint(100, 50));
    EXPECT_EQ(w.Engine(0).zoom.factor, 1.0f);
    EXPECT_EQ(w.View(0).level, 1.0f);
    // Without zoom mode clicks change nothing.
    w.Panel(0)->SetZoomMode(false);
    w.VideoClick(0, QPoint(100, 50));
    EXPECT_EQ(w.View(0).level, 1.0f);
}

TEST_F(MainWindowTest, ViewSwitchSwapsThePanelsAndBack) {
    CQuillonDlg& w = Open();
    OpenRecording();
    ASSERT_TRUE(w.ViewSwitchCommand());
    EXPECT_EQ(w.mainView(), 1);
    EXPECT_EQ(w.Panel(1)->parentWidget(), &w);
    EXPECT_EQ(w.Panel(1)->geometry(), QRect(6, 27, 656, 371));
    EXPECT_EQ(w.Panel(0)->parentWidget(), w.SecondWindow());
    EXPECT_EQ(w.Panel(0)->geometry(), QRect(4, 20, 444, 250));
    EXPECT_EQ(w.SecondWindow()->windowTitle(), QStringLiteral("フロントカメラ"));
    w.Command(kToolBarFirstCommand + 15); // the tool bar's view switch
    EXPECT_EQ(w.mainView(), 0);
    EXPECT_EQ(w.Panel(0)->parentWidget(), &w);
    EXPECT_EQ(w.SecondWindow()->windowTitle(), QStringLiteral("リヤカメラ"));
    // Refused while the controller says so.
    w.commandsRefused = [] { return true; };
    EXPECT_FALSE(w.ViewSwitchCommand());
    EXPECT_EQ(w.mainView(), 0);
}

TEST_F(MainWindowTest, ZoomMirrorAndPictureModeCommands) {
    CQuillonDlg& w = Open();
    // Mirror without a recording toggles the engine's flag; the panel keeps the result.
    OpenRecording();
    ASSERT_TRUE(w.MirrorCommand());
    EXPECT_TRUE(w.Panel(1)->mirrored());
    EXPECT_TRUE(w.Engine(1).mirrored);
    w.MirrorCommand();
    EXPECT_FALSE(w.Panel(1)->mirrored());

    // Zoom mode: both panels together; off resets both views.
    ASSERT_TRUE(w.ZoomModeCommand());
    EXPECT_TRUE(w.Panel(0)->zoomMode());
    EXPECT_TRUE(w.Panel(1)->zoomMode());
    // The browser shows the zoom hint in place of its tree and list.
    EXPECT_TRUE(w.Browser()->zoomMode());
    EXPECT_FALSE(w.Browser()->tree()->isVisible());
    w.VideoClick(0, QPoint(200, 100));
    EXPECT_EQ(w.Engine(0).zoom.factor, 2.0f);
    w.ZoomModeCommand();
    EXPECT_FALSE(w.Panel(1)->zoomMode());
    EXPECT_FALSE(w.Browser()->zoomMode());
    EXPECT_TRUE(w.Browser()->tree()->isVisible());
    EXPECT_EQ(w.Engine(0).zoom.factor, 1.0f);

    // The map switch shows and hides the map window (the logo until the map exists).
    EXPECT_FALSE(w.MapWindow()->isVisible());
    w.Command(kToolBarFirstCommand + 10);
    EXPECT_TRUE(w.mapShown());
    EXPECT_TRUE(w.MapWindow()->isVisible());
    EXPECT_EQ(w.MapWindow()->geometry().topLeft(), w.geometry().topLeft() + QPoint(662, 28));
    w.Command(kToolBarFirstCommand + 10);
    EXPECT_FALSE(w.MapWindow()->isVisible());

    // Picture mode flips the main view's aspect mode and remembers it.
    ASSERT_EQ(w.Engine(0).aspectMode, 1);
    ASSERT_TRUE(w.PictureModeCommand());
    EXPECT_EQ(w.Engine(0).aspectMode, 0);
    EXPECT_EQ(ReadSetting(store, u"DISPLAY", u"ASPECT"), QStringLiteral("off"));
    w.PictureModeCommand();
    EXPECT_EQ(ReadSetting(store, u"DISPLAY", u"ASPECT"), QStringLiteral("on"));
}

TEST_F(MainWindowTest, KeysActLikeTheirButtonsAndNeverCloseTheWindow) {
    CQuillonDlg& w = Open();
    QList<int> commands;
    QList<int> steps;
    QObject::connect(&w, &CQuillonDlg::commandIssued, [&](int id) { commands << id; });
    QObject::connect(&w, &CQuillonDlg::frameStepRequested, [&](int d) { steps << d; });
    auto press = [&](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&w, &event);
    };
    for (int i = 0; i < 16; ++i) {
        w.ToolButton(i)->setEnabled(i != 5); // Next cannot be clicked
    }
    press(Qt::Key_Space);
    press(Qt::Key_Home);
    press(Qt::Key_PageUp);
    press(Qt::Key_PageDown);
    press(Qt::Key_Left);
    press(Qt::Key_Right);
    EXPECT_EQ(commands, (QList<int>{38002, 38000, 38001}));
    EXPECT_EQ(steps, (QList<int>{-1, 1}));

    OpenRecording();
    press(Qt::Key_F11);
    EXPECT_TRUE(w.isFullScreenOn());
    press(Qt::Key_Escape);
    EXPECT_FALSE(w.isFullScreenOn());
    press(Qt::Key_Escape);
    press(Qt::Key_Return);
    EXPECT_TRUE(w.isVisible()); // a dialog underneath, yet Escape and Enter do not end it
    EXPECT_EQ(w.result(), 0);
}

TEST_F(MainWindowTest, TheSourceLostResetClosesEverything) {
    CQuillonDlg& w = Open();
    OpenRecording();
    ASSERT_TRUE(w.EnterFullScreen());
    w.Panel(0)->SetZoomMode(true);
    w.ResetAfterSourceLost();
    EXPECT_FALSE(w.isFullScreenOn());
    EXPECT_FALSE(w.Panel(0)->zoomMode());
    for (int camera = 0; camera < 2; ++camera) {
        EXPECT_EQ(w.Engine(camera).playState, engine::kClosed) << camera;
    }
    EXPECT_EQ(w.mainView(), 0);
    EXPECT_EQ(w.SecondWindow()->windowTitle(), Text(UiText::RearCameraTitle));
}

TEST_F(MainWindowTest, ShutdownDestroysTheEnginesAndSavesTheScale) {
    CQuillonDlg& w = Open();
    w.CaptionButton(kCommandClose)->click();
    EXPECT_FALSE(w.Engine(0).created);
    EXPECT_FALSE(w.Engine(1).created);
    EXPECT_FALSE(ReadSetting(store, u"DISPLAY", u"SCALEX").isEmpty());
}

} // namespace
} // namespace kv::app
