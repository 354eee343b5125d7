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

bool PlaybackController::BothOpened() {
    return ports_.front.created && ports_.rear.created && ports_.front.openResult != kOpenFailed &&
           ports_.rear.openResult != kOpenFailed;
}

int PlaybackController::ExpectedNotifications() {
    return BothOpened() ? 2 : 1;
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
bool PlaybackController::BothAt(std::int64_t frame, const FrameAction& action) {
    const bool rearLeads = !ports_.front.telemetryFlag && ports_.rear.telemetryFlag;
    const float ratio = RearRatio();
    std::int64_t frontFrame = frame;
    std::int64_t rearFrame = MapFrame(frame, ratio);
    if (rearLeads) {
        rearFrame = frame;
        frontFrame = ratio == 1.0f ? frame : MapFrame(frame, 1.0f / ratio);
    }
    bool done = false;
    if (ports_.front.created && action(ports_.front, frontFrame) != 0) {
        done = true;
    }
    if (ports_.rear.created && action(ports_.rear, rearFrame) != 0) {
        done = true;
    }
    return done;
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

void PlaybackController::SetViews(int main, int second) {
    mainView = main;
    secondView = second;
    ApplyVolume(volume);
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

// An open whose engines never all reported ready, or an end of presentation
// that only one engine reported: back to a usable idle state.
void PlaybackController::OnWatchdog() {
    ports_.timers.Stop(kWatchdogTimer);
    openReason = 0;
    openBusy = false;
    continueNextFolder = false;
    endMark_ = false;
    readyCount = 0;
    endCount = 0;
    ports_.view.SetWaitCursor(false);
    ports_.view.RepaintPanels();
    ports_.view.RefreshToolbar();
    openIdle = true;
}

} // namespace kv::playback
