// Following and moving the position: the tick, the frame display, seeks,
// the guard before the end, the position slider and the event jumps.
#include "playback_controller.h"

#include "playback_rules.h"

#include <algorithm>

namespace kv::playback {

using namespace kv::engine;

// True in the last moments of a playing recording, where commands could race
// with the end-of-presentation handling: the recording is then ending until
// its end is handled (or the watchdog finds the cameras no longer moving).
bool PlaybackController::EndGuard() {
    if (stage_ == Stage::kEnding) {
        return true;
    }
    EngineContext* telemetry = TelemetryEngine();
    if (stage_ != Stage::kShown || !telemetry) {
        return false;
    }
    const int state = telemetry->playState;
    if (state == kStopped || state == kPaused) {
        return false;
    }
    const std::int64_t count = ports_.ops.FrameCount(*telemetry);
    if (count == 0) {
        return false;
    }
    const std::int64_t current = ports_.ops.CurrentFrame(*telemetry);
    const int margin = EndGuardFrames(ports_.ops.FrameDuration(*telemetry), telemetry->rateCode);
    if (current + margin < count) {
        return false;
    }
    MoveTo(Stage::kEnding);
    ports_.view.CloseMenu();
    StartEndWatch();
    return true;
}

void PlaybackController::Tick() {
    if (EngineContext* telemetry = TelemetryEngine()) {
        const int state = telemetry->playState;
        if (state == kStopped || state == kPaused) {
            ports_.map.IdleTick();
            return;
        }
        if (state == kPlaying) {
            const bool guard = EndGuard();
            if (guard && !tickMark_) {
                ports_.view.EnableSlider(false);
                ports_.view.DisableAll();
                tickMark_ = true;
            } else if (!guard && tickMark_) {
                ports_.view.EnableSlider(true);
                ports_.view.RefreshToolbar();
                tickMark_ = false;
            }
            const std::int64_t reported = ports_.ops.CurrentFrame(*telemetry);
            if (reported > 0) {
                // After a seek the clock may still report the old position for
                // a while; those positions are not shown.
                const int tolerance = TickTolerance(ports_.ops.FrameCount(*telemetry));
                if (displayedFrame == -1 || (displayedFrame - tolerance < reported &&
                                             reported < displayedFrame + tolerance)) {
                    ShowPosition(static_cast<int>(reported));
                    displayedFrame = -1;
                }
            }
        }
    }
    ports_.map.UpdateStatus();
}

void PlaybackController::ShowPosition(int frame) {
    const bool parking = CurrentEntry().parkingGroup != 0;
    EngineLock frontLock(ports_.front.mainLock);
    EngineLock rearLock(ports_.rear.mainLock);
    int f = frame;
    if (f >= sliderMax_) {
        f = sliderMax_ - 1;
    }
    if (f < sliderMin_) {
        f = sliderMin_;
    }
    EngineContext* telemetry = TelemetryEngine();
    const SensorSample* sample = telemetry ? SampleAtFrame(telemetry->display, f) : nullptr;
    displayedFrame = f;
    ports_.map.SetCurrentFrame(f);

    FrameView view;
    view.frame = f;
    view.frameTotal = sliderMax_ - sliderMin_;
    view.drawPanelNow = !fullScreen;
    if (sample) {
        view.accelX = sample->accelX;
        view.accelY = sample->accelY;
        view.accelZ = sample->accelZ;
        view.statusMark = sample->statusMark;
        if (const GpsSample* gps = sample->gps) {
            ports_.map.FollowPosition(*gps, parking);
            if (parking) {
                view.speedKmh = -1.0;
            } else if (gps->valid) {
                view.speedKmh = gps->speedKmh;
            }
            view.gpsValid = gps->valid != 0;
            view.voltageTenths = sample->voltageTenths;
            if (sample->vehicle) {
                view.vehicle = VehicleValues(*sample->vehicle);
            }
        }
    }
    ports_.view.ShowFrame(view);
}

void PlaybackController::SeekTo(int frame) {
    const int maximum = sliderMax_;
    // Playing, the video stays a few frames before the end so that a seek
    // does not end the recording; what is shown is the frame asked for.
    const int video = std::max(0, std::min(frame, maximum - SeekMargin(RateCode())));
    const int shown = std::max(sliderMin_, std::min(frame, maximum - 1));
    if (!TelemetryEngine()) {
        return;
    }
    const auto seek = [&](EngineContext& e, std::int64_t f) { return ports_.ops.SeekFrame(e, f); };
    if (stage_ == Stage::kEnded) {
        MoveTo(Stage::kShown);
    }
    ForgetEndsBefore(video);
    switch (PlayState()) {
    case kStopped:
    case kPaused:
        // Not playing, nothing can end: the picture is the frame shown.
        ForgetEndsBefore(shown);
        BothAt(shown, seek);
        ShowPosition(shown);
        ports_.view.RefreshToolbar();
        ports_.map.MoveMarker();
        break;
    case kPlaying:
        Both([&](EngineContext& e) { return ports_.ops.Pause(e); });
        BothAt(video, seek);
        ShowPosition(shown);
        Both([&](EngineContext& e) { return ports_.ops.Run(e); });
        break;
    default:
        break;
    }
}

void PlaybackController::StepFrame(int delta) {
    EngineContext* telemetry = TelemetryEngine();
    const int state = PlayState();
    if (!Ready() || stage_ == Stage::kEnding || !telemetry ||
        (state != kPaused && state != kStopped)) {
        return;
    }
    const std::int64_t frame = ports_.ops.CurrentFrame(*telemetry) + delta;
    if (frame < 0 || frame >= ports_.ops.FrameCount(*telemetry)) {
        return;
    }
    // A step goes to the frame itself, up to the last one: paused, the
    // engines do not end the recording there.
    if (stage_ == Stage::kEnded) {
        MoveTo(Stage::kShown);
    }
    ForgetEndsBefore(frame);
    BothAt(frame, [&](EngineContext& e, std::int64_t f) { return ports_.ops.SeekFrame(e, f); });
    if (state == kStopped) {
        Both([&](EngineContext& e) { return ports_.ops.Pause(e); });
    }
    ShowPosition(static_cast<int>(frame));
    ports_.view.RefreshToolbar();
    ports_.map.MoveMarker();
}

// ---------------------------------------------------------------------------
// Position slider: pressing pauses; a press beside the thumb seeks at once,
// a drag shows the frames under the thumb and seeks on release.

void PlaybackController::OnPositionSliderDown(int position, bool grabbedBeside) {
    if (OpenBusy() || !Ready() || stage_ == Stage::kEnding) {
        return;
    }
    ApplyVolume(0);
    resumeStateBeforeDrag_ = PlayState();
    if (resumeStateBeforeDrag_ != kPaused) {
        Both([&](EngineContext& e) { return ports_.ops.Pause(e); });
    }
    if (grabbedBeside) {
        FinishSliderSeek(position);
    }
}

void PlaybackController::OnPositionSliderMoved(int position, bool grabbedBeside) {
    if (OpenBusy() || grabbedBeside) {
        return;
    }
    ShowPosition(position);
}

void PlaybackController::OnPositionSliderUp(int position, bool grabbedBeside) {
    if (OpenBusy() || grabbedBeside || resumeStateBeforeDrag_ == kClosed) {
        return; // no press was accepted
    }
    FinishSliderSeek(position);
}

// The end of a slider seek: the position taken, playback resumed when it ran
// before the press, the sound back.
void PlaybackController::FinishSliderSeek(int position) {
    SeekTo(position);
    if (resumeStateBeforeDrag_ == kPlaying) {
        Both([&](EngineContext& e) { return ports_.ops.Run(e); });
    }
    ports_.view.RefreshToolbar();
    RefreshIdlePanels();
    ApplyVolume(volume);
    resumeStateBeforeDrag_ = kClosed;
}

void PlaybackController::OnVolumeSlider(int position) {
    if (OpenBusy()) {
        return;
    }
    SetVolume(position);
}

// ---------------------------------------------------------------------------
// Event jumps.

void PlaybackController::SetEvents(std::vector<EventMarker> events) {
    std::lock_guard lock(eventLock_);
    events_ = std::move(events);
}

bool PlaybackController::SeekEvent(const EventMarker* marker) {
    if (!marker) {
        return false;
    }
    SeekTo(marker->frame);
    if (PlayState() == kStopped) {
        // Paused, so that Play continues from the event.
        Both([&](EngineContext& e) { return ports_.ops.Pause(e); });
        ports_.view.RefreshToolbar();
    }
    return true;
}

bool PlaybackController::NextEvent(int from) {
    if (EndGuard() || !Ready()) {
        return false;
    }
    std::lock_guard lock(eventLock_);
    const auto it = std::find_if(events_.begin(), events_.end(),
                                 [&](const EventMarker& e) { return e.shown && e.frame > from; });
    return SeekEvent(it == events_.end() ? nullptr : &*it);
}

bool PlaybackController::PreviousEvent(int from) {
    if (EndGuard() || !Ready()) {
        return false;
    }
    std::lock_guard lock(eventLock_);
    const auto it = std::find_if(events_.rbegin(), events_.rend(),
                                 [&](const EventMarker& e) { return e.shown && e.frame < from; });
    return SeekEvent(it == events_.rend() ? nullptr : &*it);
}

void PlaybackController::OnGraphLeftClick() {
    EngineContext* telemetry = TelemetryEngine();
    const int current = telemetry ? static_cast<int>(ports_.ops.CurrentFrame(*telemetry)) : 0;
    if (!PreviousEvent(current)) {
        PreviousEvent(static_cast<int>(FrameCount()) + 1);
    }
}

void PlaybackController::OnGraphRightClick() {
    EngineContext* telemetry = TelemetryEngine();
    const int current = telemetry ? static_cast<int>(ports_.ops.CurrentFrame(*telemetry)) : 0;
    if (!NextEvent(current)) {
        NextEvent(-1);
    }
}

} // namespace kv::playback
