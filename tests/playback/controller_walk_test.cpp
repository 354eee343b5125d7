// Random command sequences over the playback controller (see controller_walk.h).
// KOLVISTA_WALK_SEEDS and KOLVISTA_WALK_STEPS make the walks longer by hand.

#include "controller_walk.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kv::playback::walk {

using namespace kv::engine;

namespace {

constexpr std::int64_t kQuantumMs = 10;
constexpr std::int64_t kStuckLimitMs = 20000;

std::string Fail(const QString& text) {
    return text.toStdString();
}

} // namespace

World::World(const Card& card, std::uint32_t seed) : random_(seed) {
    const EngineOps& ops = FakeEngine();
    ops.Create(engines_[0], 0, nullptr, nullptr);
    ops.Create(engines_[1], 1, nullptr, nullptr);
    controller_ = std::make_unique<PlaybackController>(ControllerPorts{
        ops, engines_[0], engines_[1], view_, map_, browser_, messages_, timers_, poster_,
        [this](const RecordingEntry& entry) { return damaged_[entry.frontPath]; }});
    timers_.onFire = [this](int id) { controller_->OnTimer(id); };
    browser_.controller = controller_.get();
    browser_.poster = &poster_;
    view_.inputs = [this] {
        PlaybackController& c = *controller_;
        ToolbarInputs in;
        in.listExists = true;
        in.listCount = static_cast<int>(c.Playlist().size());
        in.current = c.currentRecording;
        in.playState = c.PlayState();
        in.rateCode = c.RateCode();
        const EngineContext* t = c.TelemetryEngine();
        in.telemetryHeld = t != nullptr && t->telemetryFlag;
        in.rearOpened = E(1).playState != kClosed;
        in.source = SourceKind::Card;
        in.csvAllowed = true;
        in.held = c.OpenBusy() || c.CurrentStage() == Stage::kEnding;
        return in;
    };
    messages_.defaultAnswer = std::uniform_int_distribution<int>(1, 2)(random_);
    browser_.folders.clear();
    int number = 1;
    for (std::size_t f = 0; f < card.folders.size(); ++f) {
        for (int kind : card.folders[f]) {
            Add(static_cast<int>(f), number++, Kinds()[static_cast<std::size_t>(kind)]);
        }
    }
    if (browser_.folders.empty()) {
        browser_.folders.resize(1);
    }
    controller_->SetPlaylist(browser_.folders[0]);
    view_.RefreshToolbar();
}

World::~World() {
    controller_->WaitForWorkers();
}

void World::Add(int folder, int number, const RecordingKind& kind) {
    if (browser_.folders.size() <= static_cast<std::size_t>(folder)) {
        browser_.folders.resize(static_cast<std::size_t>(folder) + 1);
    }
    RecordingEntry entry;
    const QString name = test::FrontName(number, kind.mode);
    const QString dir = QStringLiteral("/card/%1/").arg(folder);
    const auto script = [this](int camera, const QString& path, const test::Camera& c) {
        FakeRecording r;
        r.openResult = c.openResult;
        r.frameCount = c.frames;
        r.frameDurationMs = c.durationMs;
        F(camera).recordings[path] = r;
    };
    if (kind.front) {
        entry.frontName = name;
        entry.frontPath = dir + name;
        script(0, entry.frontPath, *kind.front);
    }
    if (kind.rear) {
        entry.rearName = name.left(name.size() - 5) + QStringLiteral("R.AVI");
        entry.rearPath = dir + entry.rearName;
        script(1, entry.rearPath, *kind.rear);
        if (kind.rearStallAt >= 0) {
            stalls_[entry.rearPath] = kind.rearStallAt;
        }
    }
    damaged_[entry.frontPath] = kind.damaged;
    browser_.folders[static_cast<std::size_t>(folder)].push_back(entry);
}

// What the engines were told since the last look: an open reports ready a
// little later; a play or seek lets the end be reported again.
void World::FollowCalls(int camera) {
    FakeEngineState& f = F(camera);
    SimEngine& s = sim_[static_cast<std::size_t>(camera)];
    for (; s.callsSeen < f.calls.size(); ++s.callsSeen) {
        const QString& call = f.calls[s.callsSeen];
        if (call.startsWith(QLatin1String("Open "))) {
            s.endReported = false;
            s.position = 0.0;
            const auto it = stalls_.find(call.mid(5));
            s.stallAt = it == stalls_.end() ? -1 : it->second;
            if (E(camera).openResult == kOpened) {
                // Each file takes its own time to show its first picture.
                const int delay = 20 + static_cast<int>(qHash(call) % 100u);
                pending_.push_back({timers_.now + delay, camera, false});
            }
        } else if (call.startsWith(QLatin1String("Run")) ||
                   call.startsWith(QLatin1String("PlayFrom")) ||
                   call.startsWith(QLatin1String("SeekPlaying")) ||
                   call.startsWith(QLatin1String("SeekFrame"))) {
            s.endReported = false;
        }
    }
    if (f.calls.size() > 4096) {
        f.calls.clear();
        s.callsSeen = 0;
    }
}

void World::Quantum() {
    timers_.Advance(kQuantumMs);
    for (int camera = 0; camera < 2; ++camera) {
        FollowCalls(camera);
        EngineContext& e = E(camera);
        FakeEngineState& f = F(camera);
        SimEngine& s = sim_[static_cast<std::size_t>(camera)];
        if (static_cast<std::int64_t>(s.position) != f.position) {
            s.position = static_cast<double>(f.position); // moved by a seek or a stop
        }
        if (e.openResult != kOpened || e.playState != kPlaying) {
            continue;
        }
        const std::int64_t last = f.open.frameCount - 1;
        if (s.stallAt >= 0 && s.position >= static_cast<double>(s.stallAt)) {
            continue; // a cut file: the clock stands and nothing is reported
        }
        s.position += static_cast<double>(kQuantumMs) * e.rate / f.open.frameDurationMs;
        if (s.position >= static_cast<double>(last)) {
            s.position = static_cast<double>(last);
            if (!s.endReported) {
                s.endReported = true;
                pending_.push_back({timers_.now + 5, camera, true});
            }
        }
        f.position = static_cast<std::int64_t>(s.position);
    }
    // Reports reach the window thread in the order they fall due.
    std::stable_sort(pending_.begin(), pending_.end(),
                     [](const Pending& a, const Pending& b) { return a.due < b.due; });
    while (!pending_.empty() && pending_.front().due <= timers_.now) {
        const Pending p = pending_.front();
        pending_.erase(pending_.begin());
        if (p.end) {
            controller_->OnEndOfStream(p.camera);
        } else {
            controller_->OnEnginesReady(p.camera);
        }
    }
    controller_->WaitForWorkers();
    poster_.RunAll();

    // The recording's front: how far it got while it was open.
    const RecordingList& list = controller_->Playlist();
    const int row = controller_->currentRecording;
    if (E(0).openResult == kOpened && row == lastRecording_ && browser_.selected == lastFolder_ &&
        row >= 0 && row < static_cast<int>(list.size()) &&
        F(0).openPath == list[static_cast<std::size_t>(row)].frontPath) {
        frontOpened_ = true;
        frontCount_ = F(0).open.frameCount;
        frontFurthest_ = std::max(frontFurthest_, F(0).position);
    }
}

std::string World::CheckPlayedToTheEnd() {
    const bool moved =
        controller_->currentRecording != lastRecording_ || browser_.selected != lastFolder_;
    if (!moved) {
        return {};
    }
    std::string problem;
    if (!userMoved_ && frontOpened_ && lastRecording_ >= 0 && frontFurthest_ + 1 < frontCount_) {
        problem = Fail(QStringLiteral("moved on from recording %1 with its front at %2 of %3")
                           .arg(lastRecording_)
                           .arg(frontFurthest_)
                           .arg(frontCount_));
    }
    lastRecording_ = controller_->currentRecording;
    lastFolder_ = browser_.selected;
    frontOpened_ = false;
    frontFurthest_ = 0;
    frontCount_ = 0;
    return problem;
}

void World::Advance(std::int64_t ms) {
    for (std::int64_t t = 0; t < ms; t += kQuantumMs) {
        Quantum();
        if (!userMoved_) {
            // Checked as it happens, so that a later move does not hide it.
            const std::string problem = CheckPlayedToTheEnd();
            if (!problem.empty()) {
                pendingProblem_ = problem;
            }
        }
    }
}

std::string World::Apply(const Step& step) {
    PlaybackController& c = *controller_;
    const bool refused = c.OpenBusy() || c.EndGuard();
    const Stage stage0 = c.CurrentStage();
    const int state0 = c.PlayState();
    const int rate0 = c.RateCode();
    const int current0 = c.currentRecording;
    bool clicked = false;
    userMoved_ = false;
    switch (step.command) {
    case Command::kPlayButton:
    case Command::kSpaceKey:
        if (Clickable(kPlayButton)) {
            clicked = true;
            c.TogglePlay();
        } else if (step.command == Command::kSpaceKey && refused) {
            c.TogglePlay(); // the window hands Space on while a recording opens or ends
        }
        break;
    case Command::kStopToStart:
        if (Clickable(kStopToStartButton)) {
            clicked = true;
            c.StopToStart();
        }
        break;
    case Command::kPrevious:
        if (Clickable(kPreviousButton)) {
            clicked = true;
            userMoved_ = true;
            c.Previous();
        }
        break;
    case Command::kNext:
        if (Clickable(kNextButton)) {
            clicked = true;
            userMoved_ = true;
            c.Next();
        }
        break;
    case Command::kPickRow:
        if (view_.toolbar.panesEnabled && !c.Playlist().empty()) {
            userMoved_ = true;
            c.SelectRecording(step.argument % static_cast<int>(c.Playlist().size()));
        }
        break;
    case Command::kSeek:
        if (view_.sliderEnabled && view_.toolbar.panesEnabled && c.Ready()) {
            const int frame = std::min(step.argument, std::max(0, c.SliderMaximum() - 1));
            const bool beside = step.argument % 2 == 0;
            c.OnPositionSliderDown(frame, beside);
            if (!beside) {
                c.OnPositionSliderMoved(frame, false);
            }
            c.OnPositionSliderUp(frame, beside);
        }
        break;
    case Command::kStepFrame:
        c.StepFrame(step.argument);
        break;
    case Command::kFaster:
    case Command::kSlower:
        if (Clickable(step.command == Command::kFaster ? kFasterButton : kSlowerButton)) {
            clicked = !c.rateLockout;
            if (step.command == Command::kFaster) {
                c.Faster();
            } else {
                c.Slower();
            }
        }
        break;
    case Command::kViewSwitch:
        if (Clickable(kViewSwitchButton) && !refused) {
            // As the window does: playback pauses while the cameras change
            // places and goes on afterwards.
            const bool wasPlaying = E(0).playState == kPlaying || E(1).playState == kPlaying;
            if (wasPlaying) {
                FakeEngine().Pause(E(0));
                FakeEngine().Pause(E(1));
            }
            std::swap(c.mainView, c.secondView);
            if (wasPlaying) {
                FakeEngine().Run(E(0));
                FakeEngine().Run(E(1));
            }
            c.SetViews(c.mainView, c.secondView);
        }
        break;
    case Command::kFullScreen:
        if (c.Ready() && !c.Playlist().empty()) {
            c.SetFullScreen(!c.fullScreen);
        }
        break;
    case Command::kStill:
        if (Clickable(kSnapshotButton) && !refused) {
            if (c.PlayState() == kPlaying) {
                c.PausePlayback();
            }
            view_.RefreshToolbar(); // the window's tool bar after the command
        }
        break;
    case Command::kEventJump:
        if (view_.toolbar.panesEnabled) {
            c.SetEvents({{4, 30, true}, {5, 120, true}, {6, 200, true}});
            if (step.argument == 0) {
                c.OnGraphLeftClick();
            } else {
                c.OnGraphRightClick();
            }
        }
        break;
    case Command::kWaitTicks:
        break;
    case Command::kWaitForEnd:
        for (std::int64_t t = 0; t < 15000; t += kQuantumMs) {
            Advance(kQuantumMs);
            if (c.currentRecording != current0 || c.CurrentStage() != Stage::kShown ||
                c.PlayState() != kPlaying || !pendingProblem_.empty()) {
                break;
            }
        }
        break;
    case Command::kCount:
        break;
    }

    // The command's own effect, when its button could be clicked.
    if (clicked && (stage0 == Stage::kShown || stage0 == Stage::kEnded)) {
        const int state = c.PlayState();
        switch (step.command) {
        case Command::kPlayButton:
        case Command::kSpaceKey:
            if (state0 == kPlaying ? state == kPlaying : state != kPlaying) {
                return Fail(QStringLiteral("Play was enabled but the state stayed %1").arg(state));
            }
            break;
        case Command::kStopToStart:
            if (state != kStopped || view_.shownFrame != 0) {
                return Fail(QStringLiteral("先頭 left state %1 at frame %2")
                                .arg(state)
                                .arg(view_.shownFrame));
            }
            break;
        case Command::kNext:
        case Command::kPrevious:
            if (c.currentRecording == current0 && !c.OpenBusy() &&
                !(step.command == Command::kPrevious && view_.shownFrame == 0)) {
                return Fail(QStringLiteral("%1 was enabled but nothing moved").arg(step.Text()));
            }
            break;
        case Command::kFaster:
        case Command::kSlower:
            if (c.RateCode() == rate0) {
                return Fail(QStringLiteral("%1 was enabled but the speed stayed %2")
                                .arg(step.Text())
                                .arg(rate0));
            }
            break;
        default:
            break;
        }
    }

    if (userMoved_) {
        // The user changed the recording: not a continuous-playback move.
        Advance(kQuantumMs);
        userMoved_ = false;
        lastRecording_ = c.currentRecording;
        lastFolder_ = browser_.selected;
        frontOpened_ = false;
        frontFurthest_ = 0;
    }
    if (step.command == Command::kWaitTicks) {
        Advance(static_cast<std::int64_t>(step.argument) * kTickPeriodMs);
    } else {
        Advance(kQuantumMs);
    }
    return Check(step);
}

std::string World::Check(const Step& step) {
    PlaybackController& c = *controller_;
    if (!pendingProblem_.empty()) {
        return std::exchange(pendingProblem_, std::string());
    }
    const Stage stage = c.CurrentStage();

    // Nothing waits for ever: an open or an end is over within the watchdog's time.
    const bool waiting = c.OpenBusy() || stage == Stage::kEnding;
    if (!waiting) {
        stuckSince_ = -1;
    } else if (stuckSince_ < 0) {
        stuckSince_ = timers_.now;
    } else if (timers_.now - stuckSince_ > kStuckLimitMs) {
        return Fail(QStringLiteral("%1 for %2 ms")
                        .arg(QLatin1String(PhaseName(c.CurrentPhase())))
                        .arg(timers_.now - stuckSince_));
    }

    const bool settled = stage == Stage::kShown || stage == Stage::kEnded;
    if (settled) {
        // The tool bar is what its rules say for the state.
        const ToolbarState expected = playback::RefreshToolbar(view_.inputs(), view_.toolbar);
        if (expected.enabled != view_.toolbar.enabled ||
            expected.panesEnabled != view_.toolbar.panesEnabled) {
            QStringList differing;
            for (int i = 0; i < kToolButtons; ++i) {
                if (expected.enabled[static_cast<std::size_t>(i)] !=
                    view_.toolbar.enabled[static_cast<std::size_t>(i)]) {
                    differing << QString::number(i);
                }
            }
            return Fail(
                QStringLiteral("tool bar differs from its rules in buttons %1 (%2, state %3)")
                    .arg(differing.join(u','))
                    .arg(QLatin1String(PhaseName(c.CurrentPhase())))
                    .arg(c.PlayState()));
        }
        // Paused, the picture, the slider, the panel and the graph show one frame.
        if (EngineContext* t = c.TelemetryEngine(); t && c.PlayState() == kPaused) {
            const std::int64_t picture = std::min<std::int64_t>(FakeEngine().CurrentFrame(*t),
                                                                std::max(0, c.SliderMaximum() - 1));
            if (picture != view_.shownFrame) {
                return Fail(QStringLiteral("paused on picture %1 while %2 is shown")
                                .arg(picture)
                                .arg(view_.shownFrame));
            }
        }
    }

    // Both cameras playing stay within a frame of each other.
    if (E(0).openResult == kOpened && E(1).openResult == kOpened && E(0).playState == kPlaying &&
        E(1).playState == kPlaying && E(0).telemetryFlag) {
        const std::int64_t front = F(0).position;
        const std::int64_t rear = F(1).position;
        const bool rearFree = rear + 1 < F(1).open.frameCount && front + 1 < F(0).open.frameCount &&
                              (sim_[1].stallAt < 0 || rear < sim_[1].stallAt);
        const float ratio = E(0).frameDuration / E(1).frameDuration;
        const std::int64_t expected = MapFrame(front, ratio);
        if (rearFree && std::llabs(expected - rear) > 1) {
            return Fail(QStringLiteral("front at %1 but rear at %2 (expected %3)")
                            .arg(front)
                            .arg(rear)
                            .arg(expected));
        }
    }
    (void)step;
    return {};
}

std::optional<Failure> Run(const Card& card, std::uint32_t seed, const std::vector<Step>& steps) {
    World world(card, seed);
    const bool trace = std::getenv("KOLVISTA_WALK_TRACE") != nullptr;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        std::string problem = world.Apply(steps[i]);
        if (trace) {
            std::fprintf(stderr, "%zu %s -> %s state %d row %d shown %d %s\n", i,
                         steps[i].Text().toUtf8().constData(), PhaseName(world.C().CurrentPhase()),
                         world.C().PlayState(), world.C().currentRecording, world.ShownFrame(),
                         problem.c_str());
        }
        if (!problem.empty()) {
            return Failure{i, std::move(problem)};
        }
    }
    return std::nullopt;
}

namespace {

// The kind of a failure: its text up to the first number.
std::string KindOf(const std::string& message) {
    return message.substr(0, message.find_first_of("0123456789"));
}

} // namespace

std::vector<Step> Shrink(const Card& card, std::uint32_t seed, std::vector<Step> steps) {
    const auto first = Run(card, seed, steps);
    if (!first) {
        return steps;
    }
    steps.resize(first->step + 1);
    const std::string kind = KindOf(first->message);
    for (std::size_t chunk = std::max<std::size_t>(steps.size() / 2, 1); chunk >= 1; chunk /= 2) {
        bool removed = true;
        while (removed) {
            removed = false;
            for (std::size_t start = 0; start + chunk <= steps.size();) {
                std::vector<Step> candidate = steps;
                candidate.erase(candidate.begin() + static_cast<std::ptrdiff_t>(start),
                                candidate.begin() + static_cast<std::ptrdiff_t>(start + chunk));
                const auto failure = Run(card, seed, candidate);
                if (failure && KindOf(failure->message) == kind) {
                    candidate.resize(failure->step + 1);
                    steps = std::move(candidate);
                    removed = true;
                } else {
                    start += chunk;
                }
            }
        }
        if (chunk == 1) {
            break;
        }
    }
    return steps;
}

namespace {

int FromEnvironment(const char* name, int fallback) {
    const char* value = std::getenv(name);
    const int n = value ? std::atoi(value) : 0;
    return n > 0 ? n : fallback;
}

QString CardText(const Card& card) {
    QStringList folders;
    for (const auto& folder : card.folders) {
        QStringList kinds;
        for (int kind : folder) {
            kinds << QLatin1String(Kinds()[static_cast<std::size_t>(kind)].name);
        }
        folders << kinds.join(u',');
    }
    return folders.join(QStringLiteral(" | "));
}

void WalkSeed(std::uint32_t seed, int steps) {
    std::mt19937 random(seed);
    const Card card = MakeCard(random);
    const std::vector<Step> walk = MakeSteps(random, steps);
    const auto failure = Run(card, seed, walk);
    if (!failure) {
        return;
    }
    const std::vector<Step> shortest = Shrink(card, seed, walk);
    const auto again = Run(card, seed, shortest);
    if (std::getenv("KOLVISTA_WALK_TRACE") != nullptr) {
        Run(card, seed, shortest);
    }
    ADD_FAILURE() << "seed " << seed << ", card " << CardText(card).toStdString() << ": "
                  << failure->message << " at step " << failure->step << "\nshortest ("
                  << shortest.size() << " steps): " << Describe(shortest).toStdString()
                  << "\n  fails with: " << (again ? again->message : std::string("(passes)"));
}

TEST(ControllerWalk, RandomCommandSequencesKeepThePromises) {
    const int seeds = FromEnvironment("KOLVISTA_WALK_SEEDS", 40);
    const int steps = FromEnvironment("KOLVISTA_WALK_STEPS", 2000);
    for (int seed = 1; seed <= seeds; ++seed) {
        SCOPED_TRACE(seed);
        WalkSeed(static_cast<std::uint32_t>(seed), steps);
        if (HasFailure()) {
            break;
        }
    }
}

} // namespace

} // namespace kv::playback::walk
