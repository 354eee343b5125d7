// A restless driver: random clicks, keys, row picks and slider presses on the
// real viewer with the real engines, on a card with damaged, cut, too short
// and rear-less recordings. After every action the viewer must keep its
// promises: no open or end lasts beyond the watchdog's time, the tool bar is
// what its rules say once a recording is shown, and a paused recording shows
// the picture's own frame on the slider. KOLVISTA_E2E_WALK_SEEDS and
// KOLVISTA_E2E_WALK_STEPS make longer walks by hand.

#include "file_list_ctrl.h"
#include "journey.h"
#include "movie_static.h"
#include "playback_controller.h"
#include "skin_button.h"
#include "skin_slider.h"
#include "tool_bar.h"
#include "wait_for.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTest>

#include <cstdlib>
#include <random>

namespace kv::e2e {
namespace {

// True as soon as done() holds within ms (the event loop turning meanwhile).
bool Within(int ms, const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        if (done()) {
            return true;
        }
        RunEventsFor(10);
    }
    return done();
}

int FromEnvironment(const char* name, int fallback) {
    const char* value = std::getenv(name);
    const int n = value ? std::atoi(value) : 0;
    return n > 0 ? n : fallback;
}

class PlaybackWalk : public Journey {
protected:
    // One random action; its description.
    QString Act(std::mt19937& random) {
        std::uniform_int_distribution<int> pick(0, 11);
        switch (pick(random)) {
        case 0:
        case 1:
            return ClickButton(playback::kPlayButton);
        case 2:
            return ClickButton(playback::kStopToStartButton);
        case 3:
            return ClickButton(std::uniform_int_distribution<int>(0, 1)(random) == 0
                                   ? playback::kPreviousButton
                                   : playback::kNextButton);
        case 4:
            return ClickButton(std::uniform_int_distribution<int>(0, 1)(random) == 0
                                   ? playback::kSlowerButton
                                   : playback::kFasterButton);
        case 5:
            return ClickButton(playback::kViewSwitchButton);
        case 6: {
            const int key = std::uniform_int_distribution<int>(0, 2)(random);
            const Qt::Key keys[] = {Qt::Key_Space, Qt::Key_Left, Qt::Key_Right};
            QTest::keyClick(window.get(), keys[key]);
            return QStringLiteral("key(%1)").arg(key);
        }
        case 7: {
            browser::CFileListCtrl* list = window->RecordingListCtrl();
            const int rows = list->model()->rowCount();
            if (rows == 0 || !list->isEnabled()) {
                return QStringLiteral("row(-)");
            }
            const int row = std::uniform_int_distribution<int>(0, rows - 1)(random);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(list->model()->index(row, 0)).center());
            return QStringLiteral("row(%1)").arg(row);
        }
        case 8: {
            CSkinSliderCtrl* slider = window->PositionSlider();
            const int x = std::uniform_int_distribution<int>(0, slider->width() - 1)(random);
            QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(x, slider->height() / 2));
            return QStringLiteral("slider(%1)").arg(x);
        }
        default: {
            const int ms = std::uniform_int_distribution<int>(50, 2500)(random);
            RunEventsFor(ms);
            return QStringLiteral("wait(%1)").arg(ms);
        }
        }
    }

    QString ClickButton(int button) {
        CSkinButton* b = window->ToolButton(button);
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
        return QStringLiteral("button(%1%2)").arg(button).arg(b->isEnabled() ? "" : ",off");
    }

    // What went wrong after the last action, or nothing.
    QString Check() {
        playback::PlaybackController& c = C();
        // An open or an end is over within the watchdog's time (and a
        // repair question's answer).
        if (!Within(15000, [&] {
                return !c.OpenBusy() && c.CurrentStage() != playback::Stage::kEnding;
            })) {
            return QStringLiteral("still %1 after 15 s")
                .arg(QLatin1String(playback::PhaseName(c.CurrentPhase())));
        }
        const playback::Stage stage = c.CurrentStage();
        if (stage != playback::Stage::kShown && stage != playback::Stage::kEnded) {
            return {};
        }
        const playback::ToolbarState expected = host->ExpectedToolbar();
        for (int i = 0; i < playback::kToolButtons; ++i) {
            if (window->ToolButton(i)->isEnabled() !=
                expected.enabled[static_cast<std::size_t>(i)]) {
                return QStringLiteral("tool button %1 is %2 in %3")
                    .arg(i)
                    .arg(window->ToolButton(i)->isEnabled() ? "on" : "off")
                    .arg(QLatin1String(playback::PhaseName(c.CurrentPhase())));
            }
        }
        if (c.PlayState() == engine::kPaused) {
            const int camera = c.TelemetryEngine() ? c.TelemetryEngine()->camera : 0;
            // The picture of a seek arrives a moment after the seek.
            const bool same =
                Within(3000, [&] { return Frame(camera) == window->PositionSlider()->position(); });
            if (!same && c.PlayState() == engine::kPaused) {
                return QStringLiteral("paused on picture %1 while the slider shows %2")
                    .arg(Frame(camera))
                    .arg(window->PositionSlider()->position());
            }
        }
        return {};
    }
};

TEST_F(PlaybackWalk, RandomActionsOnTheRealViewerKeepThePromises) {
    const QString card =
        MakeCard(QStringLiteral("CARD"), {"--damaged", "--count", "4", "--seconds", "4"});
    ASSERT_FALSE(card.isEmpty());
    slot.roots = {card};
    ASSERT_NO_FATAL_FAILURE(StartViewer());
    ASSERT_TRUE(OpenAtStart());
    ASSERT_TRUE(WaitFor([&] { return C().Ready(); })) << "the first recording never opened";

    const int seeds = FromEnvironment("KOLVISTA_E2E_WALK_SEEDS", 2);
    const int steps = FromEnvironment("KOLVISTA_E2E_WALK_STEPS", 60);
    for (int seed = 1; seed <= seeds && !HasFailure(); ++seed) {
        std::mt19937 random(static_cast<std::uint32_t>(seed));
        QStringList done;
        for (int i = 0; i < steps; ++i) {
            done << Act(random);
            const QString problem = Check();
            if (!problem.isEmpty()) {
                Shot(QStringLiteral("walk-failure"));
                ADD_FAILURE() << "seed " << seed << ", step " << i << ": " << problem.toStdString()
                              << "\nactions: " << done.join(u' ').toStdString();
                break;
            }
        }
    }
    CloseViewer();
}

} // namespace
} // namespace kv::e2e
