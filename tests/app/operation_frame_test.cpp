// The frame around the file workers: the bar's arithmetic, how an operation
// ends (messages, tool bar, reopening the recording) and stopping a worker.

#include "file_command_fixture.h"

#include <atomic>
#include <thread>

namespace kv::app::test {
namespace {

using Message = ScriptedMessageSink::Message;

TEST(ProgressPercent, IsDoneTimesHundredOverTotalAndFullWithoutATotal) {
    struct Case {
        std::int64_t done;
        std::int64_t total;
        int percent;
    };
    const Case cases[] = {
        {0, 3, 0},
        {1, 3, 33},
        {2, 3, 66},
        {3, 3, 100},
        {1, 6, 16},
        {50, 100, 50},
        {0, 0, 100},
        {4, -1, 100},
        {7, 5, 100},
        // Large counts do not overflow the product.
        {std::int64_t{1} << 40, std::int64_t{1} << 41, 50},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressPercent(c.done, c.total), c.percent) << c.done << " of " << c.total;
    }
}

class OperationFrameTest : public playback::test::ControllerTest {
protected:
    OperationFrameTest() {
        QObject::connect(&frame_, &OperationFrame::ended, [this] { ++ended_; });
    }

    bool RunUntilEnded() {
        return WaitFor([&] { return ended_ > 0; });
    }

    WindowRecorder window_;
    BrowserRecorder list_;
    SettingsStore store_;
    OperationFrame frame_{FileCommandPorts{window_, list_, *controller, engine::FakeEngine(),
                                           engines[0], engines[1], messages, store_}};
    int ended_ = 0;
};

TEST_F(OperationFrameTest, EndRestoresTheWindowAndReopensTheRecordingWhenAsked) {
    struct Case {
        const char* what;
        bool errorShown;
        bool resumePending;
        int listRow;
        bool toolBarRefreshed;
        bool reopened;
    };
    const std::vector<Case> cases = {
        {"nothing pending", false, false, 1, true, false},
        {"an open that failed with its message", true, false, 1, false, false},
        {"a recording to return to", false, true, 2, true, true},
        {"no row to return to", false, true, -1, true, false},
        {"a row beyond the list", false, true, 3, true, false},
    };
    for (int i = 0; i < 3; ++i) {
        Add(0, i + 1);
    }
    list_.shown = controller->Playlist();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        controller->CloseRecording();
        timers.Stop(playback::kOpenTimer);
        window_.log.clear();
        controller->errorShown = c.errorShown;
        controller->resumePending = c.resumePending;
        list_.current = c.listRow;

        frame_.End();

        EXPECT_FALSE(controller->errorShown);
        EXPECT_EQ(window_.log.contains(QStringLiteral("RefreshToolBar")), c.toolBarRefreshed);
        EXPECT_EQ(window_.log.filter(QStringLiteral("Controls")),
                  QStringList{QStringLiteral("EnableControls")});
        EXPECT_TRUE(window_.log.contains(QStringLiteral("HideProgressBar")));
        EXPECT_TRUE(window_.mainPanelShown);
        EXPECT_EQ(controller->resumePending, c.reopened);
        EXPECT_EQ(timers.Running(playback::kOpenTimer), c.reopened);
        EXPECT_EQ(controller->currentRecording, c.reopened ? c.listRow : -1);
    }
}

TEST_F(OperationFrameTest, FailedWorkerShowsItsMessagesAndEndsWithoutTheNotice) {
    frame_.Start([] {
        WorkerEnd end;
        end.result = kOperationFailed;
        end.failureMessages = {QStringLiteral("first"), QStringLiteral("second")};
        end.succeeded = [] { ADD_FAILURE() << "a failed worker has no success"; };
        return end;
    });
    EXPECT_TRUE(frame_.running());
    EXPECT_FALSE(window_.controlsEnabled);
    EXPECT_FALSE(window_.mainPanelShown);
    ASSERT_TRUE(RunUntilEnded());

    EXPECT_EQ(messages.messages,
              (std::vector<Message>{{QStringLiteral("first"), QStringLiteral("ERROR"), 0},
                                    {QStringLiteral("second"), QStringLiteral("ERROR"), 0}}));
    EXPECT_FALSE(frame_.running());
    EXPECT_FALSE(frame_.completionMark());
    EXPECT_TRUE(window_.controlsEnabled);
    EXPECT_TRUE(window_.mainPanelShown);
}

TEST_F(OperationFrameTest, ShutdownStopsTheWorkerAndIgnoresWhatItPosts) {
    std::atomic<bool> started{false};
    std::atomic<bool> cancelled{false};
    const OperationControl control = frame_.Control();
    frame_.Start([&] {
        started = true;
        // Bounded: a shutdown that never cancels fails below instead of hanging.
        cancelled = WaitFor([&] { return control.Cancelled(); });
        control.Progress(1, 2);
        WorkerEnd end;
        end.result = kOperationCancelled;
        return end;
    });
    ASSERT_TRUE(WaitFor([&] { return started.load(); }));
    frame_.Shutdown();
    EXPECT_TRUE(cancelled.load()) << "the worker was not asked to stop";
    EXPECT_FALSE(frame_.running());
    QCoreApplication::processEvents();

    EXPECT_EQ(ended_, 0);
    EXPECT_FALSE(window_.barShown);
    EXPECT_EQ(window_.positions, std::vector<int>{0});
    EXPECT_FALSE(window_.controlsEnabled); // the window is closing
}

} // namespace
} // namespace kv::app::test
