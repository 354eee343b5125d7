#include "controller_test_support.h"

namespace kv::playback::test {
namespace {

using engine::kPlaying;
using engine::kStopped;

class ContinuousTest : public ControllerTest {
protected:
    // The next recording was scheduled by the end handling: open it.
    void OpenNext() {
        poster.RunAll(); // a folder list the browser loaded
        FinishOpening();
    }
    int Opens(int camera) { return Fake(camera).calls.filter(QStringLiteral("Open ")).size(); }
};

TEST_F(ContinuousTest, PlaysOnThroughFoldersPassingOverAnEmptyOne) {
    Add(0, 1);
    Add(0, 2);
    browser.folders.resize(3); // folder 1 stays empty
    Add(2, 11);
    controller->SetFullScreen(true);
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));

    EndBoth();
    EXPECT_EQ(controller->currentRecording, 1);
    EXPECT_EQ(browser.selectedRows.back(), 1);
    OpenNext();
    EXPECT_TRUE(LastOpen(0).endsWith(FrontName(2)));
    EXPECT_EQ(controller->PlayState(), kPlaying); // starts as soon as it is ready
    EXPECT_EQ(view.pauseLook, true);

    EndBoth(); // the last of the folder: on to the next folder with recordings
    OpenNext();
    EXPECT_EQ(browser.selected, 2);
    EXPECT_EQ(controller->currentRecording, 0);
    EXPECT_TRUE(LastOpen(0).startsWith(QStringLiteral("/card/2/")));
    EXPECT_TRUE(LastOpen(0).endsWith(FrontName(11)));
    EXPECT_EQ(controller->PlayState(), kPlaying);
    EXPECT_FALSE(controller->userSelected);
    EXPECT_EQ(view.fullScreenLeft, 0);

    // Nothing follows: the last recording is opened again and stays at frame 0.
    const int opens = Opens(0);
    EndBoth();
    EXPECT_FALSE(controller->continueNextFolder);
    EXPECT_EQ(view.fullScreenLeft, 1);
    controller->SetFullScreen(false); // as the window does when it leaves full screen
    OpenNext();
    EXPECT_EQ(Opens(0), opens + 1);
    EXPECT_TRUE(LastOpen(0).endsWith(FrontName(11)));
    EXPECT_EQ(controller->PlayState(), kStopped);
    EXPECT_EQ(view.shownFrame, 0);
    EXPECT_TRUE(controller->userSelected);
    EXPECT_EQ(view.pauseLook, false);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ContinuousTest, RecordingOnlySelectedStopsAtItsEnd) {
    Add(0, 1);
    Add(0, 2);
    Show(0);
    const int opens = Opens(0);
    EndBoth();
    OpenNext();
    EXPECT_EQ(controller->currentRecording, 0);
    EXPECT_EQ(Opens(0), opens);
    EXPECT_TRUE(controller->ready);
}

TEST_F(ContinuousTest, EndReportedByOneEngineWaitsForTheOtherThenTheWatchdog) {
    Add(0, 1);
    Add(0, 2);
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    controller->OnEndOfStream(0);
    EXPECT_EQ(controller->currentRecording, 0);
    EXPECT_TRUE(timers.Running(kWatchdogTimer));
    timers.Advance(kWatchdogMs);
    EXPECT_FALSE(timers.Running(kWatchdogTimer));
    EXPECT_TRUE(controller->openIdle);
    EXPECT_FALSE(controller->openBusy);
    EXPECT_EQ(controller->currentRecording, 0); // no successor
    // The next end is counted afresh: one report alone does not advance.
    controller->OnEndOfStream(1);
    EXPECT_EQ(controller->currentRecording, 0);
}

TEST_F(ContinuousTest, FailedAutomaticOpenIsSkippedSilently) {
    Add(0, 1);
    Add(0, 2, Camera{300, 33.3333f, engine::kOpenFailed},
        Camera{300, 33.3333f, engine::kOpenFailed});
    Add(0, 3);
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    EndBoth();
    timers.Advance(kOpenDelayMs); // recording 2 fails and is passed over
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(controller->currentRecording, 2);
    FinishOpening();
    EXPECT_TRUE(LastOpen(0).endsWith(FrontName(3)));
    EXPECT_EQ(controller->PlayState(), kPlaying);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ContinuousTest, PreviousAtTheFirstRecordingRewindsWithoutReopening) {
    Add(0, 1, Camera{900});
    Add(0, 2, Camera{900});
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    Fake(0).position = 400;
    controller->Faster();
    const int opens = Opens(0);
    controller->Previous();
    timers.Advance(kOpenDelayMs);
    EXPECT_EQ(Opens(0), opens);
    EXPECT_EQ(controller->currentRecording, 0);
    EXPECT_EQ(controller->PlayState(), kStopped);
    EXPECT_EQ(controller->RateCode(), 1);
    EXPECT_EQ(view.shownFrame, 0);
    EXPECT_EQ(Fake(0).position, 0);
}

TEST_F(ContinuousTest, PreviousAndNextOpenTheNeighboursAndPlay) {
    Add(0, 1);
    Add(0, 2);
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(1));
    controller->Previous();
    FinishOpening();
    EXPECT_EQ(controller->currentRecording, 0);
    EXPECT_TRUE(LastOpen(0).endsWith(FrontName(1)));
    EXPECT_EQ(controller->PlayState(), kPlaying);
    controller->Next();
    FinishOpening();
    EXPECT_EQ(controller->currentRecording, 1);
    EXPECT_TRUE(LastOpen(0).endsWith(FrontName(2)));
    EXPECT_EQ(controller->PlayState(), kPlaying);
}

TEST_F(ContinuousTest, NextAtTheLastRecordingOfTheLastFolderReopensItStopped) {
    Add(0, 1);
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    const int opens = Opens(0);
    controller->Next();
    OpenNext();
    EXPECT_EQ(Opens(0), opens + 1);
    EXPECT_EQ(controller->currentRecording, 0);
    EXPECT_EQ(controller->PlayState(), kStopped);
    EXPECT_EQ(view.shownFrame, 0);
    EXPECT_FALSE(controller->continueNextFolder);
    EXPECT_TRUE(controller->userSelected);
}

TEST_F(ContinuousTest, ChosenFolderWithRecordingsSelectsItsFirstRow) {
    Add(0, 1);
    Add(1, 5);
    Show(0);
    browser.selected = 1;
    controller->OnFolderLoaded({true, false});
    EXPECT_EQ(controller->Playlist().size(), 1u);
    FinishOpening();
    EXPECT_TRUE(LastOpen(0).endsWith(FrontName(5)));
    EXPECT_EQ(controller->PlayState(), kStopped); // chosen by the user: not started
    EXPECT_TRUE(controller->userSelected);
    // A mere refresh of the same folder changes nothing.
    controller->OnFolderLoaded({true, true});
    EXPECT_TRUE(controller->ready);
}

TEST_F(ContinuousTest, EmptyFoldersToTheEndStopContinuousPlayback) {
    Add(0, 1);
    browser.folders.resize(3);
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    EndBoth();
    poster.RunAll();
    EXPECT_FALSE(controller->continueNextFolder);
    EXPECT_EQ(browser.selected, 2); // the last folder tried
    EXPECT_EQ(controller->currentRecording, -1);
    EXPECT_EQ(view.fullScreenLeft, 0);
    EXPECT_GE(view.zoomOffs, 1);
}

} // namespace
} // namespace kv::playback::test
