// The controller's stages through the paths that used to leave it stuck,
// skipping or showing a frame other than the picture's.

#include "controller_test_support.h"
#include "controller_walk.h"

namespace kv::playback::test {
namespace {

using engine::kPaused;
using engine::kPlaying;
using engine::kStopped;

class PhaseTest : public ControllerTest {
protected:
    // Plays the recording on show to its end: both cameras report it.
    void PlayToTheEnd() {
        Fake(0).position = Fake(0).open.frameCount - 1;
        Fake(1).position = Fake(1).open.frameCount - 1;
        timers.Advance(kTickPeriodMs); // the tick finds the last moments
        EXPECT_TRUE(controller->EndGuard());
        EndBoth();
    }
};

// Every way a recording starts playing leaves its end to be handled: the
// next recording follows and the controls work again.
TEST_F(PhaseTest, EveryWayOfStartingPlaybackHandlesTheEnd) {
    enum class Start { kPlay, kPrevious, kNext, kPlayWhileOpening };
    struct Case {
        const char* name;
        Start start; // from recording 1 shown
        int playing; // the recording that then plays
    } const cases[] = {
        {"Play", Start::kPlay, 1},
        {"Previous", Start::kPrevious, 0},
        {"Next", Start::kNext, 2},
        {"Play pressed while it opened", Start::kPlayWhileOpening, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controller->CloseRecording();
        browser.folders.assign(1, {});
        for (int i = 0; i < 4; ++i) {
            Add(0, i + 1);
        }
        Show(1);
        switch (c.start) {
        case Start::kPlay:
            controller->TogglePlay();
            break;
        case Start::kPrevious:
            controller->Previous();
            FinishOpening();
            break;
        case Start::kNext:
            controller->Next();
            FinishOpening();
            break;
        case Start::kPlayWhileOpening:
            controller->SelectRecording(0);
            controller->TogglePlay();
            FinishOpening();
            break;
        }
        ASSERT_EQ(controller->currentRecording, c.playing);
        ASSERT_EQ(controller->CurrentPhase(), Phase::kPlaying);
        PlayToTheEnd();
        EXPECT_EQ(controller->currentRecording, c.playing + 1);
        FinishOpening();
        EXPECT_EQ(controller->CurrentPhase(), Phase::kPlaying);
        EXPECT_FALSE(controller->EndGuard());
        controller->TogglePlay();
        EXPECT_EQ(controller->PlayState(), kPaused);
    }
}

// An event jump from a stopped recording leaves it paused at the event, so
// that 先頭 works and Play goes on from there.
TEST_F(PhaseTest, EventJumpFromStoppedPausesAtTheEvent) {
    Add(0, 1);
    Show(0);
    ASSERT_EQ(controller->PlayState(), kStopped);
    controller->SetEvents({{4, 120, true}});
    EXPECT_TRUE(controller->NextEvent(0));
    EXPECT_EQ(controller->PlayState(), kPaused);
    EXPECT_EQ(view.shownFrame, 120);
    EXPECT_EQ(Fake(0).position, 120);
    controller->StopToStart();
    EXPECT_EQ(controller->PlayState(), kStopped);
    EXPECT_EQ(view.shownFrame, 0);
}

// Frame steps reach the last frame, and the panel shows the picture's frame.
TEST_F(PhaseTest, FrameStepsReachTheLastFrameShowingThePicturesFrame) {
    Add(0, 1, Camera{100});
    Show(0);
    controller->SeekTo(95);
    for (int i = 0; i < 10; ++i) {
        controller->StepFrame(1);
    }
    EXPECT_EQ(Fake(0).position, 99);
    EXPECT_EQ(view.shownFrame, 99);
    EXPECT_EQ(controller->PlayState(), kPaused);
    controller->StepFrame(-1);
    EXPECT_EQ(Fake(0).position, 98);
    EXPECT_EQ(view.shownFrame, 98);
}

// Space pressed while playback crosses into the next recording is kept for
// that recording, whether it comes in the last moments or during the open.
TEST_F(PhaseTest, PlayPressedWhileCrossingAppliesToTheNextRecording) {
    struct Case {
        const char* name;
        bool inLastMoments;
        int presses;
        int stateAfter;
    } const cases[] = {
        {"once in the last moments", true, 1, kStopped},
        {"once while it opens", false, 1, kStopped},
        {"twice while it opens", false, 2, kPlaying},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controller->CloseRecording();
        browser.folders.assign(1, {});
        Add(0, 1);
        Add(0, 2);
        ASSERT_NO_FATAL_FAILURE(ShowAndPlay(0));
        Fake(0).position = 299;
        Fake(1).position = 299;
        timers.Advance(kTickPeriodMs);
        if (c.inLastMoments) {
            for (int i = 0; i < c.presses; ++i) {
                controller->TogglePlay();
            }
        }
        EndBoth();
        ASSERT_EQ(controller->currentRecording, 1);
        if (!c.inLastMoments) {
            for (int i = 0; i < c.presses; ++i) {
                controller->TogglePlay();
            }
        }
        FinishOpening();
        EXPECT_EQ(controller->PlayState(), c.stateAfter);
        EXPECT_TRUE(controller->Ready());
    }
}

// A view switch with nothing open for the selected recording opens it again.
TEST_F(PhaseTest, ViewSwitchReopensTheSelectedRecordingWhenNothingIsOpen) {
    Add(0, 1);
    damaged = true;
    messages.answers = {2}; // いいえ: nothing is opened
    controller->SelectRecording(0);
    timers.Advance(kOpenDelayMs);
    ASSERT_EQ(controller->CurrentPhase(), Phase::kClosed);
    ASSERT_EQ(Count(0, QStringLiteral("Open /card/0/") + FrontName(1)), 0);

    messages.answers = {1};
    controller->SetViews(1, 0);
    EXPECT_EQ(controller->CurrentPhase(), Phase::kOpening);
    FinishOpening();
    EXPECT_TRUE(controller->Ready());
    EXPECT_EQ(LastOpen(0), QStringLiteral("/card/0/") + FrontName(1));

    // With the recording open, a switch opens nothing.
    const int opens = Fake(0).calls.filter(QStringLiteral("Open ")).size();
    controller->SetViews(0, 1);
    timers.Advance(kOpenDelayMs);
    EXPECT_EQ(Fake(0).calls.filter(QStringLiteral("Open ")).size(), opens);
}

// Short command sequences the random walks found, kept as they were shrunk.
TEST(ControllerWalkRegression, FoundSequencesKeepThePromises) {
    using namespace walk;
    const auto S = [](Command command, int argument = 0) { return Step{command, argument}; };
    struct Case {
        const char* found;
        Card card;
        std::vector<Step> steps;
    } const cases[] = {
        {"a still image paused playback with the panel a frame behind the picture",
         {{{0}}},
         {S(Command::kPickRow, 0), S(Command::kWaitTicks, 52), S(Command::kPlayButton),
          S(Command::kWaitTicks, 7), S(Command::kStill)}},
        {"the view switch paused playback with the panel a frame behind the picture",
         {{{0, 0, 1, 9}, {0}}},
         {S(Command::kPickRow, 2), S(Command::kWaitTicks, 43), S(Command::kPrevious),
          S(Command::kWaitTicks, 52), S(Command::kViewSwitch)}},
        {"a paused seek near the end showed a frame 20 after the picture",
         {{{0}}},
         {S(Command::kPickRow, 0), S(Command::kWaitTicks, 52), S(Command::kSeek, 240)}},
        {"a rear's repeated end report moved on before the front's end",
         {{{0}, {1, 0, 0, 0}}},
         {S(Command::kPickRow, 1), S(Command::kWaitTicks, 39), S(Command::kSpaceKey),
          S(Command::kSeek, 212), S(Command::kWaitTicks, 29), S(Command::kWaitTicks, 26),
          S(Command::kSeek, 174), S(Command::kPlayButton), S(Command::kSpaceKey),
          S(Command::kWaitForEnd)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.found);
        const auto failure = walk::Run(c.card, 1, c.steps);
        EXPECT_FALSE(failure) << (failure ? failure->message : std::string());
    }
}

} // namespace
} // namespace kv::playback::test
