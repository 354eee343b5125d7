#pragma once

// Random walks of user commands over the playback controller. The world is
// the controller on two fake engines whose clocks move with a simulated
// clock: playing engines advance at their rate, report their end when they
// reach their last frame (again after every play or seek past it), and
// report ready some milliseconds after they were opened. A walk checks the
// controller's promises after every command; a failing walk is shrunk to the
// shortest command list that still fails.

#include "controller_test_support.h"
#include "playback_rules.h"
#include "tool_bar.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace kv::playback::walk {

// One recording of a generated card.
struct RecordingKind {
    const char* name;
    std::optional<test::Camera> front;
    std::optional<test::Camera> rear;
    char mode = 'A';
    bool damaged = false;
    std::int64_t rearStallAt = -1; // the rear's clock stops there without an end report
};

// The awkward recordings a card can hold.
inline const std::vector<RecordingKind>& Kinds() {
    using test::Camera;
    static const std::vector<RecordingKind> kinds = {
        {"normal", Camera{240}, Camera{240}},
        {"short_rear", Camera{240}, Camera{90}},
        {"rear_15fps", Camera{240}, Camera{120, 1000.0f / 15.0f}},
        {"cut_rear", Camera{240}, Camera{240}, 'A', false, 100},
        {"no_rear", Camera{180}, std::nullopt},
        {"rear_only", std::nullopt, Camera{180}},
        {"time_lapse", Camera{150}, Camera{150}, 'T'},
        {"damaged", Camera{150}, Camera{150}, 'A', true},
        {"unopenable", Camera{240, 33.3333f, engine::kOpenFailed},
         Camera{240, 33.3333f, engine::kOpenFailed}},
        {"too_short", Camera{40, 33.3333f, engine::kTooShort}, Camera{40}},
    };
    return kinds;
}

enum class Command : int {
    kPlayButton,
    kSpaceKey, // reaches the controller also while a recording opens
    kStopToStart,
    kPrevious,
    kNext,
    kPickRow,
    kSeek,
    kStepFrame,
    kFaster,
    kSlower,
    kViewSwitch,
    kFullScreen,
    kStill,
    kEventJump,
    kWaitTicks,
    kWaitForEnd,
    kCount
};

struct Step {
    Command command = Command::kWaitTicks;
    int argument = 0; // row, frame, delta, ticks, direction: what the command needs

    QString Text() const;
};

inline QString Step::Text() const {
    static const char* const names[] = {"play",   "space",      "stop_to_start", "previous",
                                        "next",   "pick_row",   "seek",          "step_frame",
                                        "faster", "slower",     "view_switch",   "full_screen",
                                        "still",  "event_jump", "wait_ticks",    "wait_for_end"};
    return QStringLiteral("%1(%2)")
        .arg(QLatin1String(names[static_cast<int>(command)]))
        .arg(argument);
}

inline QString Describe(const std::vector<Step>& steps) {
    QStringList parts;
    for (const Step& s : steps) {
        parts << s.Text();
    }
    return parts.join(QStringLiteral(" "));
}

// The card of a seed: 1 to 3 folders of 1 to 4 recordings.
struct Card {
    std::vector<std::vector<int>> folders; // kinds by folder
};

inline Card MakeCard(std::mt19937& random) {
    Card card;
    const int folders = std::uniform_int_distribution<int>(1, 3)(random);
    std::uniform_int_distribution<int> kind(0, static_cast<int>(Kinds().size()) - 1);
    for (int f = 0; f < folders; ++f) {
        std::vector<int> kinds;
        const int count = std::uniform_int_distribution<int>(1, 4)(random);
        for (int i = 0; i < count; ++i) {
            // Mostly sound recordings, so that walks play through drives.
            kinds.push_back(std::uniform_int_distribution<int>(0, 2)(random) == 0 ? kind(random)
                                                                                  : 0);
        }
        card.folders.push_back(kinds);
    }
    return card;
}

inline std::vector<Step> MakeSteps(std::mt19937& random, int count) {
    std::vector<Step> steps;
    std::uniform_int_distribution<int> command(0, static_cast<int>(Command::kCount) - 1);
    std::uniform_int_distribution<int> any(0, 1 << 20);
    for (int i = 0; i < count; ++i) {
        Step s;
        s.command = static_cast<Command>(command(random));
        switch (s.command) {
        case Command::kPickRow:
            s.argument = any(random) % 5;
            break;
        case Command::kSeek:
            s.argument = any(random) % 260;
            break;
        case Command::kStepFrame:
            s.argument = any(random) % 2 == 0 ? -1 : 1;
            break;
        case Command::kWaitTicks:
            s.argument = 1 + any(random) % 60;
            break;
        case Command::kEventJump:
            s.argument = any(random) % 2;
            break;
        default:
            break;
        }
        steps.push_back(s);
    }
    return steps;
}

// The window as the controller sees it; the tool bar is kept as the window
// would show it, computed by the tool bar's rules.
class WalkView final : public PlaybackView {
public:
    std::function<ToolbarInputs()> inputs;

    void SetSliderRange(int minimum, int maximum) override { sliderRange = {minimum, maximum}; }
    void EnableSlider(bool enabled) override { sliderEnabled = enabled; }
    void SetSliderAcceptsMouse(bool) override {}
    void ReleaseSliderCapture() override {}
    void StoreVolume(int) override {}
    void SetPlayLook(bool pause) override { pauseLook = pause; }
    void RefreshToolbar() override { toolbar = playback::RefreshToolbar(inputs(), toolbar); }
    void DisableAll() override { toolbar = playback::DisableAll(); }
    void EnableAfterOpen(bool deleteUsable) override {
        toolbar = playback::EnableAfterOpen(deleteUsable);
    }
    void SetWaitCursor(bool) override {}
    void CloseMenu() override {}
    void RepaintPanels() override {}
    void FillPanelsBlack() override {}
    void PlacePictures() override {}
    void SetSecondWindowTitle(const QString&) override {}
    void RaiseSecondWindow() override {}
    void ZoomOff() override {}
    void LeaveFullScreen() override { leaveFullScreen = true; }
    void LayOutBrowser() override {}
    void SetSpeedLabel(const QString&) override {}
    void ResetPosition() override { shownFrame = 0; }
    void ShowFrame(const FrameView& view) override { shownFrame = view.frame; }
    void ShowRecording(const RecordingView&) override {}
    void ClearStartTime() override {}
    void SetVoltageShown(bool) override {}
    void ClearGraphEvents() override {}
    void ResetInfoPanel() override {}

    ToolbarState toolbar = playback::DisableAll();
    std::pair<int, int> sliderRange{0, 0};
    bool sliderEnabled = true;
    bool pauseLook = false;
    bool leaveFullScreen = false;
    int shownFrame = 0;
};

// A simulated engine's clock and reports, kept beside its fake state.
struct SimEngine {
    double position = 0.0;
    bool endReported = false;
    int callsSeen = 0;
    std::int64_t stallAt = -1;
};

struct Pending {
    std::int64_t due = 0;
    int camera = 0;
    bool end = false; // else ready
};

// The controller on simulated engines, with its window, map, browser and timers.
class World {
public:
    World(const Card& card, std::uint32_t seed);
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Runs one command; an empty text, or what went wrong.
    std::string Apply(const Step& step);

    PlaybackController& C() { return *controller_; }
    int ShownFrame() const { return view_.shownFrame; }

private:
    engine::EngineContext& E(int camera) { return engines_[static_cast<std::size_t>(camera)]; }
    engine::FakeEngineState& F(int camera) { return engine::FakeStateOf(E(camera)); }
    void Add(int folder, int number, const RecordingKind& kind);
    void Advance(std::int64_t ms);
    void Quantum();
    void FollowCalls(int camera);
    bool Clickable(int button) const {
        return view_.toolbar.enabled[static_cast<std::size_t>(button)];
    }
    std::string Check(const Step& step);
    std::string CheckPlayedToTheEnd();

    std::array<engine::EngineContext, 2> engines_;
    std::array<SimEngine, 2> sim_;
    WalkView view_;
    test::QuietMap map_;
    test::FolderList browser_;
    ScriptedMessageSink messages_;
    test::ManualTimers timers_;
    test::QueuePoster poster_;
    std::vector<Pending> pending_;
    std::map<QString, std::int64_t> stalls_; // rear path → frame where its clock stops
    std::map<QString, bool> damaged_;
    std::mt19937 random_;
    std::unique_ptr<PlaybackController> controller_;

    // What the checks follow between steps.
    bool userMoved_ = false; // the step was a command that may change the recording
    int lastRecording_ = -1;
    int lastFolder_ = 0;
    std::int64_t frontFurthest_ = 0; // furthest frame the front reached in this recording
    bool frontOpened_ = false;
    std::int64_t frontCount_ = 0;
    std::int64_t stuckSince_ = -1; // simulated time an open or an end began
    std::string pendingProblem_;   // found while time ran, reported after the step
};

// Runs steps on a fresh world for the card; the index of the failing step and
// its message, or nothing.
struct Failure {
    std::size_t step = 0;
    std::string message;
};
std::optional<Failure> Run(const Card& card, std::uint32_t seed, const std::vector<Step>& steps);

// The shortest sub-list of steps (by removing runs, then single steps) that
// still fails.
std::vector<Step> Shrink(const Card& card, std::uint32_t seed, std::vector<Step> steps);

} // namespace kv::playback::walk
