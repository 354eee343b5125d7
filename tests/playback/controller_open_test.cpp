#include "controller_test_support.h"

namespace kv::playback::test {
namespace {

using engine::kOpened;
using engine::kPlaying;
using engine::kStopped;
using engine::kTooShort;

TEST_F(ControllerTest, QuickSelectionsOpenOnlyTheLastOnce) {
    for (int i = 0; i < 5; ++i) {
        Add(0, i + 1);
    }
    for (int i = 0; i < 5; ++i) {
        controller->SelectRecording(i);
        timers.Advance(100);
    }
    EXPECT_EQ(Fake(0).calls.filter(QStringLiteral("Open ")).size(), 0);
    timers.Advance(400);
    const QStringList opens = Fake(0).calls.filter(QStringLiteral("Open "));
    ASSERT_EQ(opens.size(), 1);
    EXPECT_TRUE(opens[0].endsWith(FrontName(5)));
    timers.Advance(kOpenDelayMs * 4);
    EXPECT_EQ(Fake(0).calls.filter(QStringLiteral("Open ")).size(), 1);
}

TEST_F(ControllerTest, OpenedRecordingBecomesShownAndStopped) {
    Add(0, 1, Camera{9000});
    Show(0);
    EXPECT_TRUE(controller->Ready());
    EXPECT_FALSE(controller->OpenBusy());
    EXPECT_TRUE(controller->OpenIdle());
    EXPECT_TRUE(controller->UserSelected());
    EXPECT_EQ(controller->PlayState(), kStopped);
    EXPECT_TRUE(Engine(0).telemetryFlag);
    EXPECT_EQ(view.sliderRange, std::make_pair(0, 9000));
    EXPECT_TRUE(timers.Running(kTickTimer));
    EXPECT_FALSE(timers.Running(kWatchdogTimer));
    EXPECT_EQ(view.secondTitle, QStringLiteral("リヤカメラ"));
    EXPECT_EQ(view.speedLabel, QStringLiteral("再生速度x1.0"));
    ASSERT_TRUE(view.recording);
    EXPECT_EQ(view.recording->sizeCode, 11); // 720 lines, no quality letter
    EXPECT_FLOAT_EQ(controller->Playlist()[0].framesPerSecond, 30.0f);
    EXPECT_EQ(controller->Playlist()[0].startTime.year, 2026);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ControllerTest, TimeLapseRecordingOpensAtHalfSpeed) {
    Add(0, 1, Camera{}, Camera{}, 'T');
    Show(0);
    EXPECT_EQ(Engine(0).rateCode, -2);
    EXPECT_EQ(Engine(1).rateCode, -2);
    EXPECT_EQ(view.speedLabel, QStringLiteral("再生速度x0.5"));
}

TEST_F(ControllerTest, FailedUserOpenIsReported) {
    struct Case {
        int frontResult;
        int rearResult;
        const char16_t* text;
    } const cases[] = {
        {engine::kOpenFailed, engine::kOpenFailed, u"動画のオープンに失敗しました。"},
        {kOpened, kTooShort, u"録画時間が短いため再生できません。"},
        {kTooShort, kOpened, u"録画時間が短いため再生できません。"},
    };
    int number = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.text).toStdString());
        Add(0, number, Camera{300, 33.3333f, c.frontResult}, Camera{300, 33.3333f, c.rearResult});
        Add(0, number + 1);
        messages.messages.clear();
        view.enabledAfterOpen.clear();
        controller->SelectRecording(number - 1);
        timers.Advance(kOpenDelayMs);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(messages.messages[0].text, QString::fromUtf16(c.text));
        EXPECT_EQ(messages.messages[0].caption, QStringLiteral("ERROR"));
        EXPECT_TRUE(controller->errorShown);
        EXPECT_FALSE(controller->OpenBusy());
        EXPECT_TRUE(controller->OpenIdle());
        EXPECT_FALSE(timers.Running(kWatchdogTimer));
        ASSERT_EQ(view.enabledAfterOpen.size(), 1u);
        EXPECT_TRUE(view.enabledAfterOpen[0]); // the delete button stays usable
        number += 2;
    }
}

TEST_F(ControllerTest, DamagedRecordingIsOpenedOnlyAfterYes) {
    Add(0, 1);
    damaged = true;

    messages.answers = {2}; // いいえ
    controller->SelectRecording(0);
    timers.Advance(kOpenDelayMs);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text,
              QStringLiteral("ファイルが破損しています。修復して再生しますか？"));
    EXPECT_EQ(messages.messages[0].caption, QStringLiteral("確認"));
    EXPECT_EQ(messages.messages[0].style, 4);
    EXPECT_EQ(Fake(0).calls.filter(QStringLiteral("Open ")).size(), 0);
    EXPECT_FALSE(controller->Ready());
    EXPECT_TRUE(controller->OpenIdle());

    messages.messages.clear();
    messages.answers = {1}; // はい: the engine opens (and repairs) the file
    browser.filterChanged = true;
    controller->SelectRecording(0);
    FinishOpening();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(LastOpen(0), controller->Playlist()[0].frontPath);
    EXPECT_TRUE(controller->Ready());
}

TEST_F(ControllerTest, SameRowReportedBackIsIgnoredUnlessTheFilterChanged) {
    Add(0, 1);
    Show(0);
    const int opens = Fake(0).calls.filter(QStringLiteral("Open ")).size();
    controller->SelectRecording(0);
    timers.Advance(kOpenDelayMs);
    EXPECT_TRUE(controller->Ready());
    EXPECT_EQ(Fake(0).calls.filter(QStringLiteral("Open ")).size(), opens);
    browser.filterChanged = true;
    controller->SelectRecording(0);
    EXPECT_FALSE(controller->Ready());
    timers.Advance(kOpenDelayMs);
    EXPECT_EQ(Fake(0).calls.filter(QStringLiteral("Open ")).size(), opens + 1);
}

TEST_F(ControllerTest, WatchdogReturnsToIdleWhenOneEngineNeverReports) {
    Add(0, 1);
    controller->SelectRecording(0);
    timers.Advance(kOpenDelayMs);
    EXPECT_FALSE(controller->OpenIdle());
    EXPECT_TRUE(controller->OpenBusy());
    controller->OnEnginesReady(0); // the rear never reports
    timers.Advance(kWatchdogMs - 1);
    EXPECT_TRUE(controller->OpenBusy());
    timers.Advance(1);
    EXPECT_FALSE(controller->OpenBusy());
    EXPECT_TRUE(controller->OpenIdle());
    EXPECT_FALSE(controller->continueNextFolder);
    EXPECT_EQ(controller->openReason, 0);
    EXPECT_FALSE(view.waitCursor);
    EXPECT_FALSE(timers.Running(kWatchdogTimer));
    EXPECT_FALSE(controller->Ready());

    // The controller is usable again: the next selection opens.
    Add(0, 2);
    controller->SelectRecording(1);
    FinishOpening();
    EXPECT_TRUE(controller->Ready());
    EXPECT_TRUE(LastOpen(0).endsWith(FrontName(2)));
}

TEST_F(ControllerTest, LateTelemetryOfAnEarlierSelectionIsDropped) {
    Add(0, 1);
    Add(0, 2);
    controller->SelectRecording(0);
    timers.Advance(kOpenDelayMs);
    controller->OnEnginesReady(0);
    controller->OnEnginesReady(1);
    controller->WaitForWorkers();
    controller->SelectRecording(1); // before the loader's result arrives
    poster.RunAll();
    EXPECT_FALSE(controller->Ready());
    EXPECT_FALSE(timers.Running(kTickTimer));
    FinishOpening();
    EXPECT_TRUE(controller->Ready());
    EXPECT_TRUE(LastOpen(0).endsWith(FrontName(2)));
}

TEST_F(ControllerTest, RearOnlyRecordingPlaysTheRearAndRoutesTheVolumeThere) {
    Add(0, 1, std::nullopt, Camera{});
    Show(0);
    EXPECT_FALSE(Engine(0).telemetryFlag);
    EXPECT_TRUE(Engine(1).telemetryFlag);
    EXPECT_EQ(Count(0, QStringLiteral("Open ")), 0);
    controller->SetVolume(40000);
    EXPECT_EQ(Engine(1).volume, 40000);
    EXPECT_EQ(Fake(0).calls.filter(QStringLiteral("SetVolume")).size(), 0);
    EXPECT_EQ(view.storedVolume, 40000);

    // With both cameras the front is heard and the rear is silent.
    Add(0, 2);
    controller->SelectRecording(1);
    FinishOpening();
    controller->SetVolume(30000);
    EXPECT_EQ(Engine(0).volume, 30000);
    EXPECT_EQ(Engine(1).volume, 0);
}

TEST_F(ControllerTest, CloseRecordingReturnsToNothingShown) {
    Add(0, 1);
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    controller->CloseRecording();
    EXPECT_EQ(controller->currentRecording, -1);
    EXPECT_FALSE(controller->Ready());
    EXPECT_TRUE(controller->OpenIdle());
    EXPECT_EQ(Engine(0).playState, engine::kClosed);
    EXPECT_EQ(Engine(1).playState, engine::kClosed);
    EXPECT_EQ(view.sliderRange, std::make_pair(0, 0));
    EXPECT_FALSE(timers.Running(kTickTimer));
    EXPECT_GT(view.blackFills, 0);
}

} // namespace
} // namespace kv::playback::test
