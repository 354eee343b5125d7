// Continuous playback: at the end of a recording the next one of the list
// plays, after the last one of a folder the first of the next folder with
// recordings; when nothing follows, the last recording is left stopped at
// its first frame.
#include "playback_controller.h"

#include <utility>

namespace kv::playback {

using namespace kv::engine;

// Each camera's end is counted once per recording: the engine repeats its
// report after every play or seek past its last frame. Only a recording that
// plays (or is in its last moments) can end.
void PlaybackController::OnEndOfStream(int camera) {
    if (camera < 0 || camera > 1 || !Opened(camera)) {
        return;
    }
    if (stage_ != Stage::kEnding && !(stage_ == Stage::kShown && PlayState() == kPlaying)) {
        return;
    }
    bool& ended = ended_[static_cast<std::size_t>(camera)];
    if (ended) {
        return;
    }
    ended = true;
    if ((!Opened(0) || ended_[0]) && (!Opened(1) || ended_[1])) {
        OnPresentationEnded();
        return;
    }
    // The other camera plays on to its own end (a shorter or cut file ends
    // first); the watchdog ends the wait when it stops moving without a report.
    StartEndWatch();
}

void PlaybackController::OnPresentationEnded() {
    ports_.timers.Stop(kWatchdogTimer);
    if (!playsOn_) {
        ParkAtEnd(); // only selected in the list, never started with Play
        return;
    }
    inEndHandling = true;
    Advance();
    NextFolderStep();
    inEndHandling = false;
    if (stage_ == Stage::kEnding || stage_ == Stage::kShown) {
        // On the way to the next folder, which is listed next.
        ParkAtEnd();
    }
}

// Nothing plays on: the engines hold the last picture, paused, and every
// control is usable again.
void PlaybackController::ParkAtEnd() {
    toggleQueued_ = false;
    Both([&](EngineContext& e) { return ports_.ops.Pause(e); });
    MoveTo(Stage::kEnded);
    tickMark_ = false;
    ports_.view.EnableSlider(true);
    if (EngineContext* telemetry = TelemetryEngine()) {
        ShowPosition(static_cast<int>(ports_.ops.CurrentFrame(*telemetry)));
    }
    ports_.view.SetPlayLook(false);
    ports_.view.RefreshToolbar();
}

void PlaybackController::Advance() {
    std::lock_guard list(listLock_);
    if (!EntryValid(currentRecording)) {
        return;
    }
    if (EntryValid(currentRecording + 1)) {
        ++currentRecording;
        ports_.view.ReleaseSliderCapture();
        ports_.view.SetSliderAcceptsMouse(false);
        openReason = 1;
        ports_.browser.SelectRow(currentRecording);
        playWhenReady_ = !std::exchange(toggleQueued_, false);
        OpenSelectedNeighbour();
        return;
    }
    if (ports_.browser.HasNextFolder()) {
        // The next folder follows (NextFolderStep).
        Both([&](EngineContext& e) { return ports_.ops.Pause(e); });
        ApplyVolume(volume);
        RefreshSpeedLabel();
        if (!inEndHandling) {
            StopPlayback();
        }
    } else {
        // Nothing follows: the last recording is opened again and stays
        // stopped at its first frame.
        const int before = RateCode();
        SetDefaultRate();
        if (RateCode() != before) {
            RefreshSpeedLabel();
        }
        playsOn_ = false;
        playWhenReady_ = false;
        StopPlayback();
        ++openSerial_;
        ports_.map.SetHold(true);
        ports_.view.ResetPosition();
        ScheduleOpen();
        if (!inEndHandling) {
            ports_.view.RefreshToolbar();
        }
        inEndHandling = false;
        StopPlayback();
    }
    continueNextFolder = true;
}

void PlaybackController::GoBack() {
    std::lock_guard list(listLock_);
    if (!EntryValid(currentRecording)) {
        return;
    }
    if (currentRecording > 0) {
        --currentRecording;
        ports_.view.ReleaseSliderCapture();
        ports_.view.SetSliderAcceptsMouse(false);
        openReason = 2;
        ports_.browser.SelectRow(currentRecording);
        playWhenReady_ = !std::exchange(toggleQueued_, false);
        ports_.view.ResetPosition();
        OpenSelectedNeighbour();
        return;
    }
    // The first recording is rewound, not reopened.
    SetDefaultRate();
    StopPlayback();
    ForgetEnds();
    if (Ready()) {
        MoveTo(Stage::kShown);
    }
    BothAt(0, [&](EngineContext& e, std::int64_t f) { return ports_.ops.SeekFrame(e, f); });
    RefreshIdlePanels();
    ShowPosition(0);
}

void PlaybackController::NextFolderStep() {
    if (!continueNextFolder) {
        return;
    }
    if (ports_.browser.HasNextFolder()) {
        ports_.browser.SelectNextFolder();
        return;
    }
    continueNextFolder = false;
    ports_.view.ZoomOff();
    if (fullScreen) {
        ports_.view.LeaveFullScreen();
    } else {
        ports_.view.LayOutBrowser();
    }
}

void PlaybackController::OnFolderLoaded(const FolderChange& change) {
    if (!((change.newFolder && !change.refresh) || continueNextFolder)) {
        return;
    }
    std::lock_guard list(listLock_);
    if (PlayState() != kClosed) {
        if (PlayState() != kPaused) {
            Both([&](EngineContext& e) { return ports_.ops.Pause(e); });
        }
        if (!inEndHandling) {
            StopPlayback();
        }
        if (!continueNextFolder) {
            SetDefaultRate();
        }
    }
    CloseRecording();
    RecordingList recordings;
    const bool rebuilt = ports_.browser.RebuildList(recordings);
    playlist_ = std::move(recordings);
    if (rebuilt) {
        ports_.map.SetHold(false);
    }
    if (!inEndHandling) {
        ports_.view.SetPlayLook(false);
        ports_.browser.UpdateDeletePermission(playlist_.empty());
        ports_.view.RefreshToolbar();
    }
    if (playlist_.empty()) {
        FolderSkip();
        return;
    }
    ports_.map.LoadTrack(playlist_);
    openReason = continueNextFolder ? 1 : 0;
    ports_.browser.SelectRow(0);
    ports_.map.SendEventPoints(true);
}

void PlaybackController::FolderSkip() {
    if (!continueNextFolder) {
        return;
    }
    std::lock_guard list(listLock_);
    int steps = 1;
    RecordingList recordings;
    for (; ports_.browser.ListFolderAfter(steps, recordings); ++steps) {
        if (recordings.empty()) {
            continue;
        }
        ports_.browser.MarkFolderAfter(steps);
        playlist_ = std::move(recordings);
        ports_.map.LoadTrack(playlist_);
        openReason = 1;
        ports_.browser.SelectRow(0);
        ports_.map.SendEventPoints(true);
        return;
    }
    const int tried = steps - 1;
    continueNextFolder = false;
    ports_.view.ZoomOff();
    if (fullScreen) {
        ports_.view.LeaveFullScreen();
    } else {
        ports_.view.LayOutBrowser();
    }
    ports_.view.RefreshToolbar();
    if (tried > 0) {
        ports_.browser.MarkFolderAfter(tried);
    } else {
        SetDefaultRate();
    }
}

void PlaybackController::OpenSelectedNeighbour() {
    StopPlayback();
    ++openSerial_;
    ports_.map.SetTrackAvailable(false);
    ports_.map.SetHold(true);
    ports_.view.ClearGraphEvents();
    ScheduleOpen();
    if (!inEndHandling) {
        ports_.view.RefreshToolbar();
    }
}

} // namespace kv::playback
