// The map pane's rules: when the map window shows the map, when the logo
// (and which picture), and what the page is told when it reports ready.

#include "engine_context.h"
#include "google_map_dlg_wrap.h"
#include "logo_dialog.h"
#include "map_pane_control.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace kv::app {
namespace {

class FakeDialog : public map::IMapDialog {
public:
    void RunScript(const QString& script) override { scripts.append(script); }
    bool PostUpdate(const QString&) override { return true; }
    QStringList scripts;
};

GpsSample Fix(double lat, double lng, int valid = 1) {
    GpsSample g;
    g.latitude = lat;
    g.longitude = lng;
    g.valid = valid;
    return g;
}

// A recording with GPS samples is open and the map display is switched on
// with a connection, unless a test changes it.
class MapPaneRules : public ::testing::Test {
public:
    MapPaneRules() : wrap(map::MapSettings{}) {
        wrap.SetDialog(&dialog);
        wrap.SetMapWindow(&window);
        logo = new playback::CLogoDlg(&window);
        MapPaneWorld world;
        world.fullScreen = [this] { return fullScreen; };
        world.mapSwitchOn = [this] { return switchOn; };
        world.recordingCurrent = [this] { return recordingCurrent; };
        world.parking = [this] { return parking; };
        world.hasGpsSamples = [this] { return hasGps; };
        world.currentFix = [this] { return &fix; };
        world.playState = [this] { return playState; };
        world.events = [this] { return events; };
        world.recordingRow = [] { return 6; };
        world.focusMap = [this] { ++focusCalls; };
        world.repaintWindow = [] {};
        pane = std::make_unique<MapPaneControl>(wrap, *logo, std::move(world));
        SetConnection(true, true);
        pane->SetMapAllowed(true);
        pane->OnDeferredStart();
    }

    void SetConnection(bool on, bool connected) {
        switchOn = on;
        wrap.connection.enabled = on ? 1 : 0;
        wrap.connection.connected = connected ? 1 : 0;
    }
    bool MapOnScreen() const { return window.isVisible() && !logo->isVisible(); }

    QWidget window;
    playback::CLogoDlg* logo = nullptr;
    FakeDialog dialog;
    map::CGoogleMapDlgWrap wrap;
    std::unique_ptr<MapPaneControl> pane;
    bool fullScreen = false;
    bool switchOn = false;
    bool recordingCurrent = true;
    bool parking = false;
    bool hasGps = true;
    GpsSample fix = Fix(35.6, 139.7);
    int playState = engine::kPlaying;
    std::vector<map::MapEvent> events;
    int focusCalls = 0;
};

TEST_F(MapPaneRules, AValidPositionWithAConnectionReplacesTheLogoWithTheMap) {
    pane->FollowPosition(Fix(35.6, 139.7), false);
    EXPECT_TRUE(pane->shown);
    EXPECT_TRUE(MapOnScreen());
    EXPECT_FALSE(pane->logoShown);
    EXPECT_EQ(focusCalls, 1);
    EXPECT_DOUBLE_EQ(dialog.mapLat, 35.6);
    EXPECT_DOUBLE_EQ(dialog.mapLng, 139.7);
    // Shown already: the focus is not taken again.
    pane->FollowPosition(Fix(35.7, 139.8), false);
    EXPECT_EQ(focusCalls, 1);
}

TEST_F(MapPaneRules, WhatKeepsTheMapAway) {
    struct Case {
        const char* name;
        std::function<void(MapPaneRules&)> change;
        GpsSample position;
        bool offlinePicture;
    };
    const std::vector<Case> cases = {
        {"no connection", [](MapPaneRules& t) { t.SetConnection(true, false); }, Fix(35.6, 139.7),
         true},
        {"map display switched off", [](MapPaneRules& t) { t.SetConnection(false, true); },
         Fix(35.6, 139.7), false},
        {"latitude over 360", [](MapPaneRules&) {}, Fix(400.0, 139.7), false},
        {"longitude over 360, also without a connection",
         [](MapPaneRules& t) { t.SetConnection(true, false); }, Fix(35.0, 720.0), false},
        {"no GPS samples", [](MapPaneRules& t) { t.hasGps = false; }, Fix(35.6, 139.7), false},
        {"GPS display flag off", [](MapPaneRules& t) { t.pane->SetMapAllowed(false); },
         Fix(35.6, 139.7), false},
        {"no fix", [](MapPaneRules&) {}, Fix(35.6, 139.7, 0), false},
        {"web engine missing", [](MapPaneRules& t) { t.pane->runtimePresent = false; },
         Fix(35.6, 139.7), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MapPaneRules& t = *this;
        SetConnection(true, true);
        pane->SetMapAllowed(true);
        pane->runtimePresent = true;
        hasGps = true;
        pane->ClearShown();
        window.hide();
        wrap.mapVisible = false;
        logo->SetPicture(false);
        c.change(t);
        pane->FollowPosition(c.position, false);
        EXPECT_FALSE(MapOnScreen());
        EXPECT_TRUE(pane->logoShown);
        EXPECT_TRUE(logo->shownMark());
        EXPECT_EQ(logo->offline(), c.offlinePicture);
        EXPECT_EQ(logo->bitmapId(), c.offlinePicture ? 366 : 365);
    }
}

TEST_F(MapPaneRules, AnInvalidPositionHidesTheMapUntilAValidOne) {
    pane->FollowPosition(Fix(35.6, 139.7), false);
    ASSERT_TRUE(MapOnScreen());
    pane->FollowPosition(Fix(720.0, 720.0), false);
    EXPECT_TRUE(pane->positionInvalid);
    EXPECT_FALSE(MapOnScreen());
    pane->FollowPosition(Fix(35.61, 139.71), false);
    EXPECT_FALSE(pane->positionInvalid);
    EXPECT_TRUE(MapOnScreen());
}

TEST_F(MapPaneRules, ParkingRecordingsShowTheLogoWhateverTheirGps) {
    pane->FollowPosition(Fix(35.6, 139.7), false);
    ASSERT_TRUE(MapOnScreen());
    struct Case {
        bool connected;
        bool offlinePicture;
    };
    for (const Case c : {Case{true, false}, Case{false, true}}) {
        SCOPED_TRACE(c.connected);
        SetConnection(true, c.connected);
        parking = true;
        pane->FollowPosition(Fix(35.6, 139.7), true);
        EXPECT_FALSE(MapOnScreen());
        EXPECT_FALSE(wrap.mapVisible);
        EXPECT_TRUE(logo->shownMark());
        EXPECT_EQ(logo->offline(), c.offlinePicture);
    }
    // In full screen nothing is shown.
    fullScreen = true;
    pane->FollowPosition(Fix(35.6, 139.7), true);
    EXPECT_FALSE(logo->shownMark());
}

TEST_F(MapPaneRules, FullScreenShowsNeitherMapNorLogo) {
    pane->FollowPosition(Fix(35.6, 139.7), false);
    ASSERT_TRUE(MapOnScreen());
    fullScreen = true;
    pane->UpdateMapPane();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(logo->shownMark());
    // Also when the map cannot be shown.
    SetConnection(true, false);
    pane->UpdateMapPane();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(logo->shownMark());
    // Back from full screen with the connection: the map again.
    fullScreen = false;
    SetConnection(true, true);
    pane->UpdateMapPane();
    EXPECT_TRUE(MapOnScreen());
}

TEST_F(MapPaneRules, AMapWindowOpenedByTheSwitchStaysOpen) {
    window.show();
    SetConnection(true, false);
    pane->UpdateMapPane();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(logo->shownMark());
    EXPECT_TRUE(logo->offline());
    // The switch off: the plain logo.
    SetConnection(false, false);
    pane->UpdateMapPane();
    EXPECT_FALSE(logo->offline());
}

TEST_F(MapPaneRules, ThePictureNeedsTheStartedMark) {
    pane->started = false;
    SetConnection(true, false);
    pane->ChooseLogoPicture();
    EXPECT_FALSE(logo->offline());
    pane->started = true;
    pane->ChooseLogoPicture();
    EXPECT_TRUE(logo->offline());
}

TEST_F(MapPaneRules, APageReportedReadyGetsTheEventPointsAndTheStatusOnce) {
    struct Case {
        int playState;
        QString status;
        bool moveMarker;
    };
    const std::vector<Case> cases = {
        {engine::kPaused, "pause", false},
        {engine::kStopped, "stop", true},
        {engine::kClosed, "stop", true},
        {engine::kPlaying, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.playState);
        dialog.scripts.clear();
        dialog.mapStatus.clear();
        playState = c.playState;
        wrap.pageReady = true;
        pane->OnMapReady();
        EXPECT_TRUE(pane->eventPointsSent);
        EXPECT_TRUE(pane->started);
        EXPECT_EQ(dialog.mapStatus, c.status);
        ASSERT_GE(dialog.scripts.size(), 4);
        EXPECT_EQ(dialog.scripts[2], "orbitgrplist.CreateLine()");
        EXPECT_EQ(dialog.scripts[3], "orbitgrplist.CreateGridLine(6)");
        EXPECT_EQ(dialog.scripts.endsWith("orbitgrplist.MoveMarker()"), c.moveMarker);
        // The next ticks send nothing more.
        const qsizetype sent = dialog.scripts.size();
        pane->UpdateMapStatus();
        EXPECT_EQ(dialog.scripts.size(), sent);
    }
}

TEST_F(MapPaneRules, EventPointsAreSentAgainUntilNoneIsMissing) {
    SensorSample withoutGps;
    events = {{5, &withoutGps}};
    wrap.pageReady = true;
    playState = engine::kPaused;
    pane->OnMapReady();
    EXPECT_FALSE(pane->eventPointsSent);
    EXPECT_TRUE(dialog.mapStatus.isEmpty());
    GpsSample g = Fix(35.0, 139.0);
    withoutGps.gps = &g;
    pane->UpdateMapStatus();
    EXPECT_TRUE(pane->eventPointsSent);
    EXPECT_EQ(dialog.mapStatus, "pause");
    // A page that is not ready gets nothing.
    pane->eventPointsSent = false;
    wrap.pageReady = false;
    dialog.scripts.clear();
    pane->UpdateMapStatus();
    EXPECT_TRUE(dialog.scripts.isEmpty());
}

TEST_F(MapPaneRules, AvailabilityFromTheCurrentFixAndTheGpsDisplayFlag) {
    struct Case {
        const char* name;
        bool hasGps;
        int valid;
        bool allowed;
        bool want;
    };
    const std::vector<Case> cases = {
        {"all there", true, 1, true, true},
        {"no samples", false, 1, true, false},
        {"no fix", true, 0, true, false},
        {"display flag off", true, 1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hasGps = c.hasGps;
        fix.valid = c.valid;
        pane->SetMapAllowed(c.allowed);
        EXPECT_EQ(pane->UpdateMapAvailability(), c.want);
        EXPECT_EQ(wrap.trackAvailable, c.want);
    }
}

TEST_F(MapPaneRules, WhileHeldTheAvailabilityIsNotTakenFromTheRecording) {
    pane->SetHold(true);
    pane->SetTrackAvailable(false);
    pane->FollowPosition(Fix(35.6, 139.7), false);
    EXPECT_FALSE(wrap.trackAvailable);
    EXPECT_FALSE(MapOnScreen());
    pane->SetHold(false);
    pane->FollowPosition(Fix(35.6, 139.7), false);
    EXPECT_TRUE(wrap.trackAvailable);
    EXPECT_TRUE(MapOnScreen());
}

TEST_F(MapPaneRules, PlayStatusAndPositionReachTheBridge) {
    pane->SetPlayStatus(QStringLiteral("pause"));
    EXPECT_EQ(dialog.mapStatus, "pause");
    pane->SetPlayStatus(QString());
    EXPECT_EQ(dialog.mapStatus, "");
    pane->SetPlayStatus(QStringLiteral("stop"));
    EXPECT_EQ(dialog.mapStatus, "stop");
    EXPECT_EQ(dialog.scripts, QStringList{"orbitgrplist.MoveMarker()"});
    pane->SetCurrentFrame(321);
    EXPECT_EQ(wrap.GetRelJpgNum(), "321");
}

} // namespace
} // namespace kv::app
