#include "controller_test_support.h"

namespace kv::playback::test {
namespace {

using engine::kPaused;
using engine::kPlaying;
using engine::kStopped;

TEST_F(ControllerTest, SeekKeepsTheVideoBeforeTheEndAndShowsTheFrameAskedFor) {
    struct Case {
        std::int64_t frames;
        int code;
        int target;
        QString videoSeek;
        int shown;
    } const cases[] = {
        {9000, 1, 9000, QStringLiteral("SeekFrame 8980"), 8999},
        {9000, 2, 9000, QStringLiteral("SeekFrame 8960"), 8999},
        {9000, 4, 9000, QStringLiteral("SeekFrame 8920"), 8999},
        {9000, 1, 4000, QStringLiteral("SeekFrame 4000"), 4000},
        {9000, 1, -5, QStringLiteral("SeekFrame 0"), 0},
        // A recording shorter than the margin never gets a frame before 0.
        {61, 4, 60, QStringLiteral("SeekFrame 0"), 60},
    };
    int number = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.videoSeek.toStdString());
        Add(0, number, Camera{c.frames}, Camera{c.frames});
        Show(number - 1);
        controller->TogglePlay();
        engine::FakeEngine().SetRate(Engine(0), c.code);
        engine::FakeEngine().SetRate(Engine(1), c.code);
        Fake(0).calls.clear();
        controller->SeekTo(c.target);
        EXPECT_EQ(Count(0, c.videoSeek), 1) << Fake(0).calls.join(", ").toStdString();
        EXPECT_EQ(view.shownFrame, c.shown);
        EXPECT_EQ(controller->PlayState(), kPlaying); // paused, moved and run again
        ++number;
    }
}

TEST_F(ControllerTest, SeekWhileStoppedMovesBothCamerasWithoutPlaying) {
    Add(0, 1, Camera{900, 33.3333f}, Camera{450, 66.6667f});
    Show(0);
    controller->SeekTo(301);
    EXPECT_EQ(Count(0, QStringLiteral("SeekFrame 301")), 1);
    EXPECT_EQ(Count(1, QStringLiteral("SeekFrame 150")), 1);
    EXPECT_EQ(controller->PlayState(), kStopped);
    EXPECT_EQ(view.shownFrame, 301);
}

TEST_F(ControllerTest, TickIgnoresStalePositionsAfterASeek) {
    Add(0, 1, Camera{9000}, Camera{9000});
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    const struct {
        int reported;
        bool shown;
    } cases[] = {{4961, false}, {4962, true}, {5039, false}, {5038, true}};
    for (const auto& c : cases) {
        controller->SeekTo(5000);
        ASSERT_EQ(view.shownFrame, 5000);
        Fake(0).position = c.reported;
        controller->OnTimer(kTickTimer);
        EXPECT_EQ(view.shownFrame, c.shown ? c.reported : 5000) << c.reported;
    }
    // Without a pending seek every position is shown.
    Fake(0).position = 7000;
    controller->OnTimer(kTickTimer);
    EXPECT_EQ(view.shownFrame, 7000);
}

TEST_F(ControllerTest, EndGuardRefusesCommandsInTheLastFrames) {
    Add(0, 1, Camera{900, 33.3333f});
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    Fake(0).position = 900 - 21;
    EXPECT_FALSE(controller->EndGuard());
    Fake(0).position = 900 - 20;
    EXPECT_TRUE(controller->EndGuard());
    // Once set it stays until the next recording is ready.
    Fake(0).position = 10;
    EXPECT_TRUE(controller->EndGuard());
    const int rate = Engine(0).rateCode;
    controller->Faster();
    EXPECT_EQ(Engine(0).rateCode, rate);
    controller->TogglePlay();
    EXPECT_EQ(controller->PlayState(), kPlaying);
}

TEST_F(ControllerTest, TickDisablesTheControlsNearTheEndAndRestoresThem) {
    Add(0, 1, Camera{900});
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    Fake(0).position = 100;
    controller->OnTimer(kTickTimer); // the first tick after an open re-enables
    EXPECT_TRUE(view.sliderEnabled);
    const int disables = view.disables;
    Fake(0).position = 890;
    controller->OnTimer(kTickTimer);
    EXPECT_FALSE(view.sliderEnabled);
    EXPECT_EQ(view.disables, disables + 1);
    controller->OnTimer(kTickTimer);
    EXPECT_EQ(view.disables, disables + 1);
}

TEST_F(ControllerTest, ResumeFromPauseStartsTheRearAtTheSameInstant) {
    struct Case {
        std::optional<Camera> front;
        Camera rear;
        QString rearCall;
    } const cases[] = {
        {Camera{900, 33.3333f}, Camera{450, 66.6667f}, QStringLiteral("PlayFrom 50")},
        {std::nullopt, Camera{450, 66.6667f}, QStringLiteral("PlayFrom 101")},
    };
    int number = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rearCall.toStdString());
        Add(0, number, c.front, c.rear);
        ASSERT_NO_FATAL_FAILURE(ShowAndPlay(number - 1));
        engine::EngineContext& leader = c.front ? Engine(0) : Engine(1);
        Fake(leader.camera).position = 101;
        controller->PausePlayback();
        ASSERT_EQ(controller->PlayState(), kPaused);
        Fake(1).calls.clear();
        EXPECT_EQ(controller->Resume(), 1);
        EXPECT_EQ(Count(1, c.rearCall), 1) << Fake(1).calls.join(", ").toStdString();
        if (c.front) {
            EXPECT_EQ(Count(0, QStringLiteral("PlayFrom 101")), 1);
        }
        EXPECT_EQ(controller->PlayState(), kPlaying);
        ++number;
    }
}

TEST_F(ControllerTest, FasterTwiceWithinASecondChangesTheSpeedOnce) {
    Add(0, 1);
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    Engine(0).canPlayBackwards = Engine(1).canPlayBackwards = true;
    controller->Faster();
    EXPECT_EQ(controller->RateCode(), 2);
    EXPECT_EQ(view.speedLabel, QStringLiteral("再生速度x2.0"));
    timers.Advance(999);
    controller->Faster();
    EXPECT_EQ(controller->RateCode(), 2);
    timers.Advance(1);
    EXPECT_FALSE(controller->rateLockout);
    controller->Faster();
    EXPECT_EQ(controller->RateCode(), 4);
    EXPECT_EQ(Engine(1).rateCode, 4);
    // The cameras are realigned at the new speed.
    EXPECT_GE(Count(1, QStringLiteral("SeekPlaying 0")), 1);

    // Paused, Faster goes back to normal speed.
    timers.Advance(kRateLockoutMs);
    controller->PausePlayback();
    controller->Faster();
    EXPECT_EQ(controller->RateCode(), 1);
}

TEST_F(ControllerTest, SlowerHalvesOnceAndThenHolds) {
    Add(0, 1);
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    controller->Slower();
    EXPECT_EQ(controller->RateCode(), -2);
    EXPECT_EQ(Engine(1).rateCode, -2);
    EXPECT_EQ(view.speedLabel, QStringLiteral("再生速度x0.5"));
    timers.Advance(kRateLockoutMs);
    const int rateCalls = Fake(0).calls.filter(QStringLiteral("SetRate")).size();
    controller->Slower();
    EXPECT_EQ(controller->RateCode(), -2);
    EXPECT_EQ(Fake(0).calls.filter(QStringLiteral("SetRate")).size(), rateCalls);
    timers.Advance(kRateLockoutMs);
    controller->Faster();
    EXPECT_EQ(controller->RateCode(), 1);
}

TEST_F(ControllerTest, PauseReturnsToTheDefaultSpeedAndMutes) {
    Add(0, 1);
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    EXPECT_EQ(Engine(0).volume, 65535);
    controller->Faster();
    ASSERT_EQ(controller->RateCode(), 2);
    controller->TogglePlay();
    EXPECT_EQ(controller->PlayState(), kPaused);
    EXPECT_EQ(controller->RateCode(), 1);
    EXPECT_EQ(Engine(0).volume, 0);
    EXPECT_EQ(view.pauseLook, false);
    EXPECT_EQ(map.status, QStringLiteral("pause"));
    controller->TogglePlay();
    EXPECT_EQ(controller->PlayState(), kPlaying);
    EXPECT_EQ(Engine(0).volume, 65535);
    EXPECT_EQ(view.pauseLook, true);
    EXPECT_EQ(map.status, QString());
}

TEST_F(ControllerTest, PauseShowsTheFrameTheEnginesStoppedAt) {
    // The last tick showed frame 120; the engines ran on to 123 before the
    // pause. The panel, graph and slider must show the picture's frame.
    Add(0, 1, Camera{900});
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    Fake(0).position = 120;
    Fake(1).position = 120;
    controller->Tick();
    ASSERT_EQ(view.shownFrame, 120);
    Fake(0).position = 123;
    Fake(1).position = 123;
    controller->TogglePlay();
    ASSERT_EQ(controller->PlayState(), kPaused);
    EXPECT_EQ(view.shownFrame, 123);
    EXPECT_EQ(view.lastFrame.frame, 123);
}

TEST_F(ControllerTest, StopToStartRewindsAndStops) {
    Add(0, 1, Camera{900});
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    Fake(0).position = 400;
    controller->Faster();
    controller->StopToStart();
    EXPECT_EQ(controller->PlayState(), kStopped);
    EXPECT_EQ(controller->RateCode(), 1);
    EXPECT_EQ(view.shownFrame, 0);
    EXPECT_EQ(map.status, QStringLiteral("stop"));
}

TEST_F(ControllerTest, SliderDragShowsFramesAndSeeksOnRelease) {
    Add(0, 1, Camera{900});
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    controller->OnPositionSliderDown(100, false);
    EXPECT_EQ(controller->PlayState(), kPaused);
    EXPECT_EQ(Engine(0).volume, 0);
    Fake(0).calls.clear();
    controller->OnPositionSliderMoved(300, false);
    EXPECT_EQ(view.shownFrame, 300);
    EXPECT_TRUE(Fake(0).calls.filter(QStringLiteral("Seek")).isEmpty());
    controller->OnPositionSliderUp(320, false);
    EXPECT_EQ(Count(0, QStringLiteral("SeekFrame 320")), 1);
    EXPECT_EQ(controller->PlayState(), kPlaying);
    EXPECT_EQ(Engine(0).volume, 65535);

    // A press beside the thumb seeks at once; while stopped nothing starts.
    controller->StopToStart();
    controller->OnPositionSliderDown(500, true);
    EXPECT_EQ(Count(0, QStringLiteral("SeekFrame 500")), 1);
    EXPECT_NE(controller->PlayState(), kPlaying);
    // A release without an accepted press does nothing.
    controller->OnPositionSliderUp(700, false);
    EXPECT_EQ(Count(0, QStringLiteral("SeekFrame 700")), 0);
}

TEST_F(ControllerTest, EventJumpsFindShownMarkersAndWrap) {
    Add(0, 1, Camera{900});
    Show(0);
    controller->SetEvents({{1, 100, true}, {2, 200, false}, {3, 300, true}});
    EXPECT_TRUE(controller->NextEvent(100));
    EXPECT_EQ(view.shownFrame, 300);
    EXPECT_FALSE(controller->NextEvent(300));
    EXPECT_TRUE(controller->PreviousEvent(300));
    EXPECT_EQ(view.shownFrame, 100);
    Fake(0).position = 300;
    controller->OnGraphRightClick(); // nothing after 300: wraps to the first
    EXPECT_EQ(view.shownFrame, 100);
    Fake(0).position = 50;
    controller->OnGraphLeftClick(); // nothing before 50: wraps to the last
    EXPECT_EQ(view.shownFrame, 300);
}

} // namespace
} // namespace kv::playback::test
