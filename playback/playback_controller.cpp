#include "playback_controller.h"

#include "playback_rules.h"

namespace kv::playback {

using namespace kv::engine;

PlaybackController::PlaybackController(ControllerPorts ports)
    : ports_(std::move(ports)), engines_{&ports_.front, &ports_.rear} {}

PlaybackController::~PlaybackController() {
    WaitForWorkers();
}

void PlaybackController::WaitForWorkers() {
    if (loader_.joinable()) {
        loader_.join();
    }
    if (prefetcher_.joinable()) {
        prefetcher_.join();
    }
}

void PlaybackController::SetPlaylist(RecordingList recordings) {
    std::lock_guard list(listLock_);
    playlist_ = std::move(recordings);
}

RecordingEntry PlaybackController::CurrentEntry() {
    std::lock_guard list(listLock_);
    return EntryValid(currentRecording) ? playlist_[static_cast<std::size_t>(currentRecording)]
                                        : RecordingEntry{};
}

// ---------------------------------------------------------------------------
// The engines.

EngineContext* PlaybackController::TelemetryEngine() {
    EngineContext* engine = ports_.front.telemetryFlag ? &ports_.front : &ports_.rear;
    return engine->created ? engine : nullptr;
}

int PlaybackController::PlayState() {
    const EngineContext* engine = TelemetryEngine();
    return engine ? engine->playState : kClosed;
}

int PlaybackController::RateCode() {
    const EngineContext* engine = TelemetryEngine();
    return engine ? engine->rateCode : 0;
}

std::int64_t PlaybackController::FrameCount() {
    EngineContext* engine = TelemetryEngine();
    return engine ? ports_.ops.FrameCount(*engine) : 0;
}

bool PlaybackController::Opened(int camera) {
    const EngineContext& e = *engines_[camera];
    return e.created && e.openResult != kOpenFailed;
}

bool PlaybackController::BothOpened() {
    return Opened(0) && Opened(1);
}

const char* PhaseName(Phase phase) {
    switch (phase) {
    case Phase::kClosed:
        return "closed";
    case Phase::kOpening:
        return "opening";
    case Phase::kReady:
        return "ready";
    case Phase::kPlaying:
        return "playing";
    case Phase::kPaused:
        return "paused";
    case Phase::kEnding:
        return "ending";
    case Phase::kEnded:
        return "ended";
    }
    return "?";
}

Phase PlaybackController::CurrentPhase() {
    switch (stage_) {
    case Stage::kClosed:
        return Phase::kClosed;
    case Stage::kScheduled:
    case Stage::kOpening:
    case Stage::kLoading:
        return Phase::kOpening;
    case Stage::kEnding:
        return Phase::kEnding;
    case Stage::kEnded:
        return Phase::kEnded;
    case Stage::kShown:
        break;
    }
    switch (PlayState()) {
    case kPlaying:
        return Phase::kPlaying;
    case kPaused:
        return Phase::kPaused;
    default:
        return Phase::kReady;
    }
}

void PlaybackController::MoveTo(Stage stage) {
    stage_ = stage;
}

bool PlaybackController::Both(const EngineAction& action) {
    bool done = false;
    for (EngineContext* engine : engines_) {
        if (engine->created && action(*engine) != 0) {
            done = true;
        }
    }
    return done;
}

float PlaybackController::RearRatio() {
    if (!BothOpened() || ports_.rear.frameDuration == 0.0f) {
        return 1.0f;
    }
    return ports_.front.frameDuration / ports_.rear.frameDuration;
}

// Positions are frames of the telemetry camera. With the front holding the
// telemetry the rear gets trunc(f × front duration / rear duration); when the
// rear holds it, the front's frame is converted the other way, so both cameras
// still meet at the same instant.
std::array<std::int64_t, 2> PlaybackController::CameraFrames(std::int64_t frame) {
    const bool rearLeads = !ports_.front.telemetryFlag && ports_.rear.telemetryFlag;
    const float ratio = RearRatio();
    if (rearLeads) {
        return {ratio == 1.0f ? frame : MapFrame(frame, 1.0f / ratio), frame};
    }
    return {frame, MapFrame(frame, ratio)};
}

bool PlaybackController::BothAt(std::int64_t frame, const FrameAction& action) {
    const std::array<std::int64_t, 2> frames = CameraFrames(frame);
    bool done = false;
    if (ports_.front.created && action(ports_.front, frames[0]) != 0) {
        done = true;
    }
    if (ports_.rear.created && action(ports_.rear, frames[1]) != 0) {
        done = true;
    }
    return done;
}

// After a seek to frame: a camera that is to play again before its own end
// will report that end again; one moved past its end stays ended.
void PlaybackController::ForgetEndsBefore(std::int64_t frame) {
    const std::array<std::int64_t, 2> frames = CameraFrames(frame);
    for (int camera = 0; camera < 2; ++camera) {
        if (Opened(camera) && frames[camera] + 1 < ports_.ops.FrameCount(*engines_[camera])) {
            ended_[camera] = false;
        }
    }
}

// Only one camera is heard: the telemetry camera; the rear is silenced when
// the front holds the telemetry.
void PlaybackController::ApplyVolume(int value) {
    EngineContext* engine = TelemetryEngine();
    if (!engine) {
        return;
    }
    ports_.ops.SetVolume(*engine, value);
    if (engine == &ports_.front && ports_.rear.created) {
        ports_.ops.SetVolume(ports_.rear, 0);
    }
}

void PlaybackController::SetRateBoth(int code) {
    Both([&](EngineContext& e) { return ports_.ops.SetRate(e, code) ? 1 : 0; });
}

void PlaybackController::SetDefaultRate() {
    const RecordingEntry entry = CurrentEntry();
    const int code = EntryValid(currentRecording) ? DefaultRateCode(entry) : 1;
    if (TelemetryEngine() && RateCode() == code) {
        return;
    }
    SetRateBoth(code);
}

// The cameras changed places (the window paused playback meanwhile and
// resumes it): the sound, the play button and the tool bar follow.
void PlaybackController::SetViews(int main, int second) {
    mainView = main;
    secondView = second;
    ApplyVolume(volume);
    if (Ready()) {
        EngineContext* telemetry = TelemetryEngine();
        if (telemetry && PlayState() == kPaused) {
            ShowPosition(static_cast<int>(ports_.ops.CurrentFrame(*telemetry)));
        }
        ports_.view.SetPlayLook(PlayState() == kPlaying);
        ports_.view.RefreshToolbar();
    } else if (stage_ == Stage::kClosed && EntryValid(currentRecording)) {
        // Nothing is open for the selected recording: it is opened again.
        openReason = 0;
        playWhenReady_ = false;
        ScheduleOpen();
    }
}

void PlaybackController::SetVolume(int value) {
    volume = value;
    ports_.view.StoreVolume(value);
    ApplyVolume(value);
}

void PlaybackController::RefreshSpeedLabel() {
    ports_.view.SetSpeedLabel(TelemetryEngine() ? SpeedLabel(RateCode()) : QString());
}

void PlaybackController::RefreshIdlePanels() {
    const int state = PlayState();
    if (state == kPlaying && (RateCode() == -2 || RateCode() == -4)) {
        Both([&](EngineContext& e) { return ports_.ops.Pause(e); });
        Both([&](EngineContext& e) { return ports_.ops.Repaint(e); });
        Both([&](EngineContext& e) { return ports_.ops.Run(e); });
    } else if (state == kClosed) {
        ports_.view.FillPanelsBlack();
    }
}

// ---------------------------------------------------------------------------
// Timers.

void PlaybackController::OnTimer(int id) {
    switch (id) {
    case kTickTimer:
        Tick();
        break;
    case kOpenTimer:
        OnOpenTimer();
        break;
    case kWatchdogTimer:
        OnWatchdog();
        break;
    case kRateTimer:
        ports_.timers.Stop(kRateTimer);
        rateLockout = false;
        break;
    default:
        break;
    }
}

// The watchdog ends two waits. An open whose engines never all reported
// ready goes back to a usable idle state. A recording at its end (or with
// one camera ended) whose other camera no longer moves is taken as ended.
void PlaybackController::OnWatchdog() {
    ports_.timers.Stop(kWatchdogTimer);
    switch (stage_) {
    case Stage::kScheduled:
    case Stage::kOpening:
    case Stage::kLoading:
        openReason = 0;
        continueNextFolder = false;
        playWhenReady_ = false;
        readyReported_ = {false, false};
        CloseEngines();
        MoveTo(Stage::kClosed);
        ports_.view.SetWaitCursor(false);
        ports_.view.RepaintPanels();
        ports_.view.RefreshToolbar();
        break;
    case Stage::kShown:
    case Stage::kEnding:
        if (StillMoving()) {
            StartEndWatch();
        } else if (PlayState() == kPlaying) {
            OnPresentationEnded();
        }
        break;
    default:
        break;
    }
}

// Notes where the cameras that have not ended stand, and gives them the
// watchdog's time to move on.
void PlaybackController::StartEndWatch() {
    for (int camera = 0; camera < 2; ++camera) {
        watchFrames_[camera] = Opened(camera) ? ports_.ops.CurrentFrame(*engines_[camera]) : -1;
    }
    ports_.timers.Start(kWatchdogTimer, kWatchdogMs);
}

// A camera that has not reported its end plays on and has moved since the
// watch started.
bool PlaybackController::StillMoving() {
    for (int camera = 0; camera < 2; ++camera) {
        EngineContext& e = *engines_[camera];
        if (!Opened(camera) || ended_[camera] || e.playState != kPlaying) {
            continue;
        }
        const std::int64_t now = ports_.ops.CurrentFrame(e);
        if (now != watchFrames_[camera] && now + 1 < ports_.ops.FrameCount(e)) {
            return true;
        }
    }
    return false;
}

} // namespace kv::playback
