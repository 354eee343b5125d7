// Looking closely at a moment: full screen and back, zoom into the picture,
// the rear camera mirrored, the cameras swapped, every playback speed the
// speed buttons reach, and the recording's events stepped through from the
// graph, forwards and backwards, round the end of the recording.

#include "cardmaker.h"
#include "event_channels.h"
#include "file_list_ctrl.h"
#include "folder_tree_ctrl.h"
#include "gsensor_dlg.h"
#include "info_dlg.h"
#include "journey.h"
#include "movie_dialog.h"
#include "movie_static.h"
#include "qt_printers.h"
#include "skin_button.h"
#include "tool_bar.h"
#include "wait_for.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <set>

namespace kv::e2e {
namespace {

// The frame number the card maker stamped into a picture shown by a panel,
// or -1. The panel keeps the picture at its shown size; the stamp is read at
// the recording's own size (160 x 96 on a --tiny card).
int StampedFrame(const QImage& picture) {
    if (picture.isNull()) {
        return -1;
    }
    const QImage grey = picture.scaled(160, 96, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_Grayscale8);
    const auto stamp = cardmaker::ReadFrameStamp(
        grey.constBits(), static_cast<int>(grey.bytesPerLine()), grey.width(), grey.height());
    return stamp ? stamp->frame : -1;
}

class ViewControls : public Journey {
protected:
    // A double click in the middle of a video panel as the window system
    // delivers it: press, release, double click (the second press), release.
    void DoubleClick(QWidget* panel) {
        const QPoint centre = panel->rect().center();
        QTest::mouseClick(panel, Qt::LeftButton, {}, centre);
        QTest::mouseDClick(panel, Qt::LeftButton, {}, centre);
        QTest::mouseRelease(panel, Qt::LeftButton, {}, centre);
    }
    // The frames of the events the graph steps through (switched on for it).
    std::vector<int> GraphEvents() {
        std::vector<int> frames;
        views::CGSensorDlg* graph = window->Graph();
        const views::EventList list = graph->BuildEventList();
        for (int from = -1;;) {
            const int i = views::NextEvent(list, from, graph->graphSwitches());
            if (i < 0) {
                break;
            }
            from = static_cast<int>(list[static_cast<std::size_t>(i)].frame);
            frames.push_back(from);
        }
        return frames;
    }
    void ClickGraph(Qt::MouseButton button) {
        views::CGSensorDlg* graph = window->Graph();
        QTest::mouseClick(graph, button, {}, graph->rect().center());
    }
};

TEST_F(ViewControls, FullScreenZoomMirrorSwitchSpeedsAndEvents) {
    // Longer recordings, so that the speed changes happen inside one recording.
    const QString card = MakeCard(QStringLiteral("CARD"), {"--seconds", "30", "--count", "12"});
    ASSERT_FALSE(card.isEmpty());
    slot.roots = {card};
    ASSERT_NO_FATAL_FAILURE(StartViewer());
    ASSERT_TRUE(OpenAtStart());
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); }));

    // The first recording on the card with two events or more, looked for
    // group by group as a user would: the group in the tree, then its rows.
    std::vector<int> events;
    browser::CFileListCtrl* list = window->RecordingListCtrl();
    browser::CFolderTreeCtrl* tree = window->Browser()->tree();
    QTreeWidgetItem* drives = tree->currentItem()->parent();
    ASSERT_NE(drives, nullptr);
    for (int group = 0; group < drives->childCount() && events.size() < 2; ++group) {
        if (group > 0) {
            tree->SelectItem(drives->child(group));
            ASSERT_TRUE(WaitFor([&] { return C().Ready() && C().currentRecording == 0; }));
        }
        for (int row = 0; row < static_cast<int>(host->List().size()); ++row) {
            if (row > 0) {
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualRect(list->model()->index(row, 0)).center());
                ASSERT_TRUE(WaitFor([&] { return C().Ready() && C().currentRecording == row; }));
            }
            ASSERT_TRUE(WaitFor([&] { return window->Graph()->dataPresent(); }));
            events = GraphEvents();
            if (events.size() >= 2) {
                break;
            }
        }
    }
    ASSERT_GE(events.size(), 2u) << "no recording of the group has two events";
    const int recording = C().currentRecording;

    // Next event (right button on the graph) from the start: each event in
    // turn, then round to the first.
    C().SeekTo(0);
    ASSERT_TRUE(WaitFor([&] { return Frame(0) == 0; }));
    for (std::size_t i = 0; i <= events.size(); ++i) {
        const int expected = events[i % events.size()];
        ClickGraph(Qt::RightButton);
        ASSERT_TRUE(WaitFor([&] { return Frame(0) == expected; }))
            << "next event " << i << ": at " << Frame(0) << ", expected " << expected;
        EXPECT_EQ(window->Info()->state().frameIndex, expected);
    }
    Shot(QStringLiteral("at-first-event-again"));
    // Previous event (left button) from the first: round to the last, then back.
    for (std::size_t i = 0; i < events.size(); ++i) {
        const int expected = events[(events.size() * 2 - 1 - i) % events.size()];
        ClickGraph(Qt::LeftButton);
        ASSERT_TRUE(WaitFor([&] { return Frame(0) == expected; }))
            << "previous event " << i << ": at " << Frame(0) << ", expected " << expected;
    }
    EXPECT_EQ(C().currentRecording, recording);

    // Full screen by a double click on the picture, and back the same way.
    const QRect normal = window->geometry();
    DoubleClick(window->Panel(window->mainView()));
    ASSERT_TRUE(WaitFor([&] { return window->isFullScreenOn(); })) << "no full screen";
    EXPECT_EQ(window->geometry(), window->screen()->geometry());
    Shot(QStringLiteral("full-screen"));
    DoubleClick(window->Panel(window->mainView()));
    ASSERT_TRUE(WaitFor([&] { return !window->isFullScreenOn(); }));
    ASSERT_TRUE(WaitFor([&] { return window->geometry() == normal; }))
        << "the window did not come back to its place";

    // Zoom: the button switches zoom mode on, a click magnifies the picture.
    const QRect before = window->Panel(0)->PictureRect();
    ASSERT_NO_FATAL_FAILURE(Click(playback::kZoomButton));
    EXPECT_TRUE(window->Panel(0)->zoomMode());
    QTest::mouseClick(window->Panel(0), Qt::LeftButton, {}, window->Panel(0)->rect().center());
    ASSERT_TRUE(WaitFor([&] { return window->Panel(0)->PictureRect().width() > before.width(); }))
        << "the picture was not magnified";
    EXPECT_GT(window->View(0).level, 1.0f);
    Shot(QStringLiteral("zoomed"));
    ASSERT_NO_FATAL_FAILURE(Click(playback::kZoomButton));
    ASSERT_TRUE(WaitFor([&] { return window->Panel(0)->PictureRect() == before; }));
    EXPECT_FALSE(window->Panel(0)->zoomMode());

    // Mirror: the rear picture is shown reversed (its stamp reads only when
    // turned back), and the button turns it round again.
    const auto rearStamp = [&](bool turnBack) {
        const QImage p = window->Panel(1)->Picture();
        return StampedFrame(turnBack ? p.mirrored(true, false) : p);
    };
    ASSERT_EQ(rearStamp(false), Frame(1));
    ASSERT_NO_FATAL_FAILURE(Click(playback::kMirrorButton));
    ASSERT_TRUE(WaitFor([&] { return window->Panel(1)->mirrored(); }));
    ASSERT_TRUE(WaitFor([&] { return rearStamp(true) == Frame(1); }))
        << "the rear picture is not mirrored";
    EXPECT_NE(rearStamp(false), Frame(1));
    EXPECT_FALSE(window->Panel(0)->mirrored()) << "the front was mirrored";
    Shot(QStringLiteral("mirrored"));
    ASSERT_NO_FATAL_FAILURE(Click(playback::kMirrorButton));
    ASSERT_TRUE(WaitFor([&] { return rearStamp(false) == Frame(1); }));

    // View switch: the rear camera takes the main window, the front the second window.
    ASSERT_NO_FATAL_FAILURE(Click(playback::kViewSwitchButton));
    ASSERT_TRUE(WaitFor([&] { return window->mainView() == 1; }));
    EXPECT_TRUE(window->isAncestorOf(window->Panel(1)));
    EXPECT_TRUE(window->SecondWindow()->isAncestorOf(window->Panel(0)));
    Shot(QStringLiteral("views-switched"));
    ASSERT_NO_FATAL_FAILURE(Click(playback::kViewSwitchButton));
    ASSERT_TRUE(WaitFor([&] { return window->mainView() == 0; }));
    EXPECT_TRUE(window->isAncestorOf(window->Panel(0)));

    // Speeds: from the start while playing, faster as far as the button goes,
    // then slower as far as it goes; each step shows its label and both
    // engines run at it.
    C().SeekTo(0);
    ASSERT_NO_FATAL_FAILURE(Click(playback::kPlayButton));
    ASSERT_TRUE(WaitFor(
        [&] { return Playing() && window->ToolButton(playback::kFasterButton)->isEnabled(); }));
    QStringList labels{host->speedLabel()};
    std::set<int> rates{window->Engine(0).rateCode};
    for (int button : {playback::kFasterButton, playback::kSlowerButton}) {
        while (window->ToolButton(button)->isEnabled()) {
            const QString label = host->speedLabel();
            ASSERT_NO_FATAL_FAILURE(Click(button));
            ASSERT_TRUE(WaitFor([&] { return host->speedLabel() != label; }))
                << "speed button " << button << " changed nothing at " << label.toStdString();
            EXPECT_EQ(window->Engine(0).rateCode, window->Engine(1).rateCode);
            EXPECT_EQ(window->Info()->state().speedLabel, host->speedLabel());
            labels << host->speedLabel();
            rates.insert(window->Engine(0).rateCode);
            Shot(QStringLiteral("speed"));
            // One change a second: wait for the button to take the next one.
            ASSERT_TRUE(WaitFor([&] { return !C().rateLockout; }))
                << "the speed lockout never ended";
        }
    }
    EXPECT_EQ(labels,
              QStringList({"再生速度x1.0", "再生速度x2.0", "再生速度x1.0", "再生速度x0.5"}));
    EXPECT_EQ(C().currentRecording, recording) << "the speeds ran past the recording";
    EXPECT_TRUE(dialogs->messages.empty()) << dialogs->Texts().join(" | ").toStdString();
}

} // namespace
} // namespace kv::e2e
