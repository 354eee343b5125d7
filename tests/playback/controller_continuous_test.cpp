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
    EXPECT_FALSE(controller->UserSelected());
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
    EXPECT_TRUE(controller->UserSelected());
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
    EXPECT_TRUE(controller->Ready());
}

// A shorter or cut rear ends first: the front plays on to its own end, and
// the rear's repeated reports (after a pause and resume) never count twice.
TEST_F(ContinuousTest, ShorterRearEndsFirstAndTheFrontPlaysToItsEnd) {
    Add(0, 1, Camera{300}, Camera{90});
    Add(0, 2);
    ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
    Fake(0).position = 100;
    controller->OnEndOfStream(1);
    for (int position : {119, 150, 200, 250}) {
        Fake(0).position = position;
        controller->PausePlayback();
        controller->TogglePlay(); // the rear's engine reports its end again
        controller->OnEndOfStream(1);
        timers.Advance(kWatchdogMs); // the front moved meanwhile: the wait goes on
        EXPECT_EQ(controller->currentRecording, 0) << position;
        EXPECT_EQ(controller->CurrentPhase(), Phase::kPlaying) << position;
    }
    Fake(0).position = 299;
    controller->OnEndOfStream(0);
    EXPECT_EQ(controller->currentRecording, 1);
}

// One camera's end is never reported: once the other camera stops moving the
// watchdog takes the recording as ended, and the viewer goes on.
TEST_F(ContinuousTest, MissingEndReportIsEndedByTheWatchdog) {
    struct Case {
        const char* name;
        int recordings;
        int currentAfter;
        Phase phaseAfter;
    } const cases[] = {
        {"plays on to the next", 2, 1, Phase::kOpening},
        {"last of all: opened again at its start", 1, 0, Phase::kOpening},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controller->CloseRecording();
        browser.folders.assign(1, {});
        for (int i = 0; i < c.recordings; ++i) {
            Add(0, i + 1);
        }
        ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
        Fake(0).position = 299;
        Fake(1).position = 150; // the rear's clock has stopped without a report
        controller->OnEndOfStream(0);
        EXPECT_EQ(controller->currentRecording, 0);
        // The next tick finds the front in its last moments; the watch starts again.
        timers.Advance(kWatchdogMs + kTickPeriodMs);
        EXPECT_EQ(controller->currentRecording, c.currentAfter);
        EXPECT_EQ(controller->CurrentPhase(), c.phaseAfter);
        FinishOpening();
        EXPECT_TRUE(controller->Ready());
        EXPECT_FALSE(controller->EndGuard());
    }
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
    EXPECT_TRUE(controller->UserSelected());
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
    EXPECT_TRUE(controller->UserSelected());
    // A mere refresh of the same folder changes nothing.
    controller->OnFolderLoaded({true, true});
    EXPECT_TRUE(controller->Ready());
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
