// Play control and the playback commands of the tool bar and the video menu.
#include "playback_controller.h"

#include "playback_rules.h"

#include <utility>

namespace kv::playback {

using namespace kv::engine;

int PlaybackController::Resume() {
    EngineContext* telemetry = TelemetryEngine();
    const int state = PlayState();
    if (!telemetry || state == kClosed || state == kPlaying) {
        return 0;
    }
    bool done = false;
    if (state == kStopped) {
        done = Both([&](EngineContext& e) { return ports_.ops.Run(e); });
    } else if (state == kPaused) {
        // Both cameras start from the same instant.
        const std::int64_t position = ports_.ops.CurrentFrame(*telemetry);
        done = BothAt(position,
                      [&](EngineContext& e, std::int64_t f) { return ports_.ops.PlayFrom(e, f); });
    }
    ports_.map.SetPlayStatus(QString());
    if (done) {
        // Started: at its end the next recording follows.
        playsOn_ = true;
    }
    return done ? 1 : 0;
}

bool PlaybackController::StartPlaying() {
    return Resume() != 0;
}

void PlaybackController::PausePlayback() {
    if (PlayState() != kPlaying) {
        return;
    }
    if (Both([&](EngineContext& e) { return ports_.ops.Pause(e); })) {
        ports_.view.SetPlayLook(false);
    }
    ports_.map.SetPlayStatus(QStringLiteral("pause"));
    // The last tick may be a few frames behind the picture the engines
    // stopped at: the panel, the graph and the slider show that picture's
    // frame, so that the values read while paused are the picture's own.
    if (EngineContext* telemetry = TelemetryEngine(); telemetry && PlayState() == kPaused) {
        ShowPosition(static_cast<int>(ports_.ops.CurrentFrame(*telemetry)));
    }
}

void PlaybackController::StopPlayback() {
    const int state = PlayState();
    if (state != kPlaying && state != kPaused) {
        return;
    }
    {
        std::lock_guard list(listLock_);
        Both([&](EngineContext& e) { return ports_.ops.Stop(e); });
    }
    if (!inEndHandling) {
        ports_.view.SetPlayLook(false);
    }
    ports_.map.SetPlayStatus(QStringLiteral("stop"));
}

void PlaybackController::TogglePlay() {
    if (OpenBusy()) {
        // Pressed while a recording opens (also while playback crosses into
        // the next one): it plays, or does not, once it is ready.
        playWhenReady_ = !playWhenReady_;
        return;
    }
    if (stage_ == Stage::kEnding) {
        // In the last moments: the press applies to the recording that follows.
        toggleQueued_ = !toggleQueued_;
        return;
    }
    if (!Ready()) {
        return;
    }
    if (stage_ == Stage::kEnded) {
        // Played to its end: Play starts it again from the beginning.
        BothAt(0, [&](EngineContext& e, std::int64_t f) { return ports_.ops.SeekFrame(e, f); });
        ForgetEnds();
        MoveTo(Stage::kShown);
        ShowPosition(0);
    }
    if (PlayState() != kPlaying) {
        ApplyVolume(volume);
        const int resumed = Resume();
        RefreshSpeedLabel();
        ports_.view.SetPlayLook(resumed != 0);
        ports_.view.RefreshToolbar();
        return;
    }
    if (EndGuard()) {
        return;
    }
    // Pausing returns to the recording's own speed and mutes.
    SetDefaultRate();
    PausePlayback();
    RefreshIdlePanels();
    RefreshSpeedLabel();
    ports_.view.SetPlayLook(PlayState() == kPlaying);
    ApplyVolume(0);
    Both([&](EngineContext& e) { return ports_.ops.Repaint(e); });
    ports_.view.RefreshToolbar();
}

void PlaybackController::StopToStart() {
    if (EndGuard() || !Ready()) {
        return;
    }
    ForgetEnds();
    MoveTo(Stage::kShown);
    SetDefaultRate();
    ApplyVolume(0);
    RefreshSpeedLabel();
    BothAt(0, [&](EngineContext& e, std::int64_t f) { return ports_.ops.SeekFrame(e, f); });
    ShowPosition(0);
    ports_.map.SetPlayStatus(QStringLiteral("stop"));
    StopPlayback();
    ports_.view.RefreshToolbar();
}

void PlaybackController::Faster() {
    ChangeRate(true);
}

void PlaybackController::Slower() {
    ChangeRate(false);
}

// At most one speed change a second; the cameras are realigned at the
// telemetry camera's position after each change.
void PlaybackController::ChangeRate(bool faster) {
    if (rateLockout) {
        return;
    }
    ports_.timers.Start(kRateTimer, kRateLockoutMs);
    rateLockout = true;
    if (EndGuard()) {
        return;
    }
    EngineContext* telemetry = TelemetryEngine();
    const int code = telemetry ? engine::RateStep(*telemetry, faster) : 1;
    if (code == RateCode()) {
        return;
    }
    SetRateBoth(code);
    if (telemetry) {
        const std::int64_t position = ports_.ops.CurrentFrame(*telemetry);
        BothAt(position,
               [&](EngineContext& e, std::int64_t f) { return ports_.ops.SeekPlaying(e, f); });
    }
    ports_.view.RefreshToolbar();
    RefreshSpeedLabel();
}

void PlaybackController::Previous() {
    if (EndGuard()) {
        return;
    }
    ApplyVolume(0);
    Both([&](EngineContext& e) { return ports_.ops.Pause(e); });
    StopPlayback();
    GoBack();
}

void PlaybackController::Next() {
    if (EndGuard()) {
        return;
    }
    ApplyVolume(0);
    Both([&](EngineContext& e) { return ports_.ops.Pause(e); });
    StopPlayback();
    Advance();
}

} // namespace kv::playback
