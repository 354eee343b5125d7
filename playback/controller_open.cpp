// Opening a recording: selection, the debounced open, the engines' ready
// notifications, the telemetry loader and the step that makes it shown.
#include "playback_controller.h"

#include "message_box.h"
#include "playback_rules.h"
#include "recording_name.h"
#include "repair.h"
#include "ui_texts.h"

#include <QDir>
#include <QFile>

#include <utility>

namespace kv::playback {

using namespace kv::engine;

namespace {

constexpr int kStyleOk = 0;
constexpr int kStyleYesNo = 4;
constexpr int kAnswerYes = 1;

// Front and rear recording files: only these can have a repaired copy.
bool IsCameraFile(const QString& path) {
    return path.endsWith(QLatin1String("F.AVI")) || path.endsWith(QLatin1String("F.avi")) ||
           path.endsWith(QLatin1String("R.AVI")) || path.endsWith(QLatin1String("R.avi"));
}

} // namespace

void PlaybackController::SelectRecording(int index) {
    std::lock_guard list(listLock_);
    // The list reports back the selection the controller made itself; only a
    // changed kind filter makes the same row a new selection.
    if (index == currentRecording && !ports_.browser.TakeFilterChanged()) {
        return;
    }
    currentRecording = index;
    ports_.map.SetTrackAvailable(false);
    ApplyVolume(0);
    // Chosen by the user it opens stopped; reached by continuous playback it
    // plays (unless Play was pressed in the last moments of the one before).
    playWhenReady_ = continueNextFolder && !std::exchange(toggleQueued_, false);
    if (!continueNextFolder) {
        playsOn_ = false;
    }
    CloseForReopen();
    if (!continueNextFolder && EntryValid(currentRecording)) {
        SetDefaultRate();
    }
}

void PlaybackController::CloseForReopen() {
    if (!EntryValid(currentRecording)) {
        return;
    }
    ports_.map.SetTrackAvailable(false);
    StopPlayback();
    ++openSerial_;
    ports_.map.SetHold(true);
    ports_.view.ResetPosition();
    ports_.view.ClearGraphEvents();
    ports_.view.ResetInfoPanel();
    ScheduleOpen();
    if (!inEndHandling) {
        ports_.view.RefreshToolbar();
    }
}

// Debounced: each call restarts the 500 ms wait, so a quick run of selections
// opens only the last one. An open already under way is given up: its
// engines' late ready reports are not counted, and the files are opened anew.
void PlaybackController::ScheduleOpen() {
    ports_.timers.Stop(kOpenTimer);
    ports_.timers.Stop(kWatchdogTimer);
    const bool busy = OpenBusy();
    ++openSerial_;
    readyReported_ = {false, false};
    ForgetEnds();
    MoveTo(Stage::kScheduled);
    if (!busy) {
        ports_.view.SetWaitCursor(true);
    }
    ports_.view.DisableAll();
    ports_.timers.Start(kWatchdogTimer, kWatchdogMs);
    ports_.timers.Start(kOpenTimer, kOpenDelayMs);
}

void PlaybackController::OnOpenTimer() {
    ports_.timers.Stop(kOpenTimer);
    if (stage_ != Stage::kScheduled) {
        return;
    }
    bool failedWithMessage = false;
    const int result = OpenCurrent(failedWithMessage);
    if (result == 1) {
        // Waiting for the engines; OnEnginesReady ends the open.
        ports_.view.SetWaitCursor(false);
        return;
    }
    if (result == 3) {
        // Passed over to the next recording, whose open is scheduled.
        return;
    }
    ports_.timers.Stop(kWatchdogTimer);
    const bool isLast = currentRecording + 1 >= Size();
    if (failedWithMessage) {
        if (!isLast) {
            continueNextFolder = false;
        }
    } else {
        continueNextFolder = isLast;
    }
    ports_.view.EnableAfterOpen(errorShown);
    if (result == 0 && !isLast) {
        ports_.view.ZoomOff();
    }
    ports_.view.SetWaitCursor(false);
}

void PlaybackController::CloseEngines() {
    ports_.timers.Stop(kTickTimer);
    ports_.view.EnableSlider(true);
    tickMark_ = false;
    ++openSerial_;
    displayedFrame = -1;
    ports_.view.ReleaseSliderCapture();
    Both([&](EngineContext& e) { return ports_.ops.ResetTelemetry(e); });
    Both([&](EngineContext& e) { return ports_.ops.Close(e); });
    readyReported_ = {false, false};
    ForgetEnds();
}

// 1: both engines asked to open, waiting for them; 0: nothing opened; 2: too
// short; 3: skipped to the next recording.
int PlaybackController::OpenCurrent(bool& failedWithMessage) {
    CloseEngines();
    MoveTo(Stage::kClosed);
    ports_.view.DisableAll();
    if (!EntryValid(currentRecording)) {
        return 0;
    }
    const RecordingEntry entry = CurrentEntry();
    const int reason0 = openReason;
    errorShown = false;
    ports_.timers.Stop(kWatchdogTimer);

    if (ports_.needsRepair(entry)) {
        ports_.view.RepaintPanels();
        const int answer = ports_.messages.ShowMessage(Text(UiText::RepairQuestion),
                                                       Text(UiText::ConfirmCaption), kStyleYesNo);
        if (answer != kAnswerYes) {
            openReason = 0;
            return 0;
        }
    }
    int combined = kOpenFailed;
    // Opening: a ready report that arrives while Open runs is counted.
    MoveTo(Stage::kOpening);
    openingNow_ = true;
    for (EngineContext* engine : engines_) {
        if (!engine->created) {
            continue;
        }
        const QString& path = engine == &ports_.front ? entry.frontPath : entry.rearPath;
        // A camera whose file is missing is not opened; the other plays alone.
        engine->openResult = path.isEmpty() ? kOpenFailed : ports_.ops.Open(*engine, path);
        combined |= engine->openResult;
    }
    openingNow_ = false;

    if (combined != kOpenFailed && (combined & kTooShort) == 0) {
        ports_.timers.Start(kWatchdogTimer, kWatchdogMs);
        ports_.view.RepaintPanels();
        ports_.view.SetSecondWindowTitle(mainView == 0 ? Text(UiText::RearCameraTitle)
                                                       : Text(UiText::FrontCameraTitle));
        ports_.view.CloseMenu();
        const bool voltageTrace =
            QFile::exists(QDir(ports_.browser.SourceFolder()).filePath("pvtrace.txt"));
        ports_.view.SetVoltageShown(voltageTrace &&
                                    (entry.parkingGroup != 0 || DefaultRateCode(entry) == -2));
        if (stage_ == Stage::kOpening && AllReported()) {
            EnginesReady(); // both reported while they opened
        }
        return 1;
    }
    MoveTo(Stage::kClosed);

    openReason = 0;
    ports_.map.SetTrackAvailable(false);
    ports_.map.UpdatePane();
    if (continueNextFolder) {
        // On the way to the next folder: nothing to show here.
    } else if (reason0 == 0) {
        ports_.view.RepaintPanels();
        const UiText text = (combined & kTooShort) ? UiText::TooShortToPlay : UiText::OpenFailed;
        ports_.messages.ShowMessage(Text(text), Text(UiText::ErrorCaption), kStyleOk);
        errorShown = true;
        failedWithMessage = true;
        ports_.view.RefreshToolbar();
        return 0;
    } else {
        // Reached automatically: a broken recording is passed over silently.
        const bool isLast = currentRecording + 1 >= Size();
        continueNextFolder = isLast;
        if (!isLast) {
            Advance();
            return 3;
        }
    }
    NextFolderStep();
    return (combined & kTooShort) ? 2 : 0;
}

bool PlaybackController::AllReported() {
    for (int camera = 0; camera < 2; ++camera) {
        if (Opened(camera) && !readyReported_[static_cast<std::size_t>(camera)]) {
            return false;
        }
    }
    return true;
}

void PlaybackController::OnEnginesReady(int camera) {
    // A report from an engine that is not open, or for an open that was given
    // up (the engines are opened anew after the debounce), is not counted.
    if (camera < 0 || camera > 1 || stage_ != Stage::kOpening || !Opened(camera)) {
        return;
    }
    readyReported_[static_cast<std::size_t>(camera)] = true;
    // While the engines are still being opened, OpenCurrent finishes the open.
    if (!openingNow_ && AllReported()) {
        EnginesReady();
    }
}

// Every opened engine is ready: the recording is shown (after the telemetry
// loader for a recording the user chose, at once when playback goes on).
void PlaybackController::EnginesReady() {
    readyReported_ = {false, false};
    ports_.timers.Stop(kWatchdogTimer);
    ports_.timers.Stop(kOpenTimer);
    tickMark_ = true;
    if (currentRecording < 0) {
        MoveTo(Stage::kClosed);
        return;
    }
    RefreshSpeedLabel();
    ports_.view.PlacePictures();
    ports_.ops.SetAspectMode(*engines_[mainView == 1 ? 1 : 0], keepAspect);
    ports_.ops.SetAspectMode(*engines_[secondView == 1 ? 1 : 0], 1);
    BothAt(0, [&](EngineContext& e, std::int64_t f) { return ports_.ops.SeekFrame(e, f); });
    const int reason = openReason;
    openReason = 0;
    continueNextFolder = false;
    if (reason == 0) {
        MoveTo(Stage::kLoading);
        ports_.map.ClearShown();
        StartLoader();
    } else {
        StartAtOnce();
    }
    ports_.view.RaiseSecondWindow();
}

void PlaybackController::StartLoader() {
    if (loader_.joinable()) {
        loader_.join();
    }
    const RecordingEntry entry = CurrentEntry();
    const std::uint64_t serial = openSerial_;
    loader_ = std::thread([this, front = entry.frontPath, rear = entry.rearPath, serial] {
        engine::Prefetch(ports_.front, ports_.rear, front, rear);
        ports_.poster.Post([this, serial] {
            // A result for a recording that was closed meanwhile is dropped.
            if (serial == openSerial_) {
                OnTelemetryLoaded();
            }
        });
    });
}

void PlaybackController::StartPrefetch() {
    if (prefetcher_.joinable()) {
        prefetcher_.join();
    }
    RecordingEntry next;
    {
        std::lock_guard list(listLock_);
        if (!EntryValid(currentRecording + 1)) {
            return;
        }
        next = playlist_[static_cast<std::size_t>(currentRecording + 1)];
    }
    prefetcher_ = std::thread([this, front = next.frontPath, rear = next.rearPath] {
        engine::Prefetch(ports_.front, ports_.rear, front, rear);
    });
}

// Playing on from the previous recording: the telemetry is taken over from
// the prefetch and playback starts as soon as the engines are ready (unless
// Play was pressed meanwhile to stop that).
void PlaybackController::StartAtOnce() {
    MoveTo(Stage::kShown);
    bool resumed = false;
    if (LoadTelemetry()) {
        ports_.map.SetHold(false);
        ApplyVolume(volume);
        SetRateBoth(RateCode());
        if (std::exchange(playWhenReady_, false)) {
            resumed = StartPlaying();
        }
        FinishOpen();
        ports_.map.UpdateAvailability();
    }
    ports_.view.SetWaitCursor(false);
    ports_.view.SetPlayLook(resumed);
    ports_.view.RefreshToolbar();
}

bool PlaybackController::LoadTelemetry() {
    const RecordingEntry entry = CurrentEntry();
    ports_.front.telemetryFlag = false;
    ports_.rear.telemetryFlag = false;
    for (EngineContext* engine : engines_) {
        if (!engine->created || engine->openResult == kOpenFailed) {
            continue;
        }
        QString path = engine == &ports_.front ? entry.frontPath : entry.rearPath;
        if (path.isEmpty()) {
            continue;
        }
        if (IsCameraFile(path) && HasRepairedCopy(path)) {
            path = RepairedPath(path);
        }
        if (ports_.ops.LoadTelemetry(*engine, path)) {
            engine->telemetryFlag = true;
            return true;
        }
    }
    return false;
}

void PlaybackController::OnTelemetryLoaded() {
    if (stage_ != Stage::kLoading) {
        return;
    }
    MoveTo(Stage::kShown);
    ports_.view.SetWaitCursor(false);
    ports_.view.RefreshToolbar();
    if (!EntryValid(currentRecording) || !LoadTelemetry()) {
        return;
    }
    ApplyVolume(volume);
    SetRateBoth(RateCode());
    // Play pressed while the recording opened, or the first recording of the
    // next folder reached by continuous playback.
    if (std::exchange(playWhenReady_, false)) {
        const bool resumed = StartPlaying();
        if (resumed || !fullScreen) {
            ports_.view.SetPlayLook(resumed);
        }
    } else if (!fullScreen) {
        ports_.view.SetPlayLook(false);
    }
    ports_.view.RefreshToolbar();
    ports_.map.SetHold(false);
    FinishOpen();
    if (resumePending) {
        resumePending = false;
        BothAt(resumeFrame,
               [&](EngineContext& e, std::int64_t f) { return ports_.ops.SeekFrame(e, f); });
        ShowPosition(resumeFrame);
        if (resumeFrame != 0) {
            Both([&](EngineContext& e) { return ports_.ops.Pause(e); });
            ports_.view.RefreshToolbar();
        }
    }
    ports_.map.UpdateAvailability();
}

void PlaybackController::FinishOpen() {
    EngineContext* telemetry = TelemetryEngine();
    RecordingView info;

    // The recording size code: picture height and the front camera's quality letter.
    QSize size;
    bool fromRear = false;
    if (ports_.front.created) {
        size = ports_.ops.NativeSize(ports_.front);
    }
    if (!ports_.front.created || size.height() <= 0) {
        size = ports_.rear.created ? ports_.ops.NativeSize(ports_.rear) : QSize();
        fromRear = true;
    }
    char quality = 0;
    {
        EngineLock load(ports_.front.loadLock);
        quality = ports_.front.working.header.quality;
    }
    info.sizeCode = RecordingSizeCode(size.height(), quality, fromRear);
    {
        std::lock_guard list(listLock_);
        if (EntryValid(currentRecording)) {
            playlist_[static_cast<std::size_t>(currentRecording)].sizeCode = info.sizeCode;
            info.startTime = playlist_[static_cast<std::size_t>(currentRecording)].startTime;
        }
    }

    PrepareRecording(info);
    info.frameIntervalMs = telemetry ? ports_.ops.FrameDuration(*telemetry) : 0.0f;
    ports_.view.ShowRecording(info);
    sliderMin_ = 0;
    sliderMax_ = static_cast<int>(FrameCount());
    ports_.view.SetSliderRange(sliderMin_, sliderMax_);

    ports_.map.SendEventPoints(false);
    RefreshSpeedLabel();
    SetVolume(volume);
    ShowPosition(0);
    ports_.map.MoveMarker();

    displayedFrame = -1;
    ports_.timers.Start(kTickTimer, kTickPeriodMs);
    ports_.view.SetSliderAcceptsMouse(true);
    StartPrefetch();
}

// Start time and frame rate into the entry, the telemetry into the display
// reader, the recording's own settings into the views.
bool PlaybackController::PrepareRecording(RecordingView& info) {
    // The list lock before the engines' main locks, in the order the folder
    // change takes them.
    std::lock_guard list(listLock_);
    EngineLock frontLock(ports_.front.mainLock);
    EngineLock rearLock(ports_.rear.mainLock);
    EngineContext* telemetry = TelemetryEngine();
    ports_.view.ResetPosition();
    {
        if (EntryValid(currentRecording)) {
            RecordingEntry& entry = playlist_[static_cast<std::size_t>(currentRecording)];
            const QString& name = entry.rowName();
            if (IsRecordingName(name)) {
                entry.startTime = StartTimeFromName(name);
                const float duration = telemetry ? ports_.ops.FrameDuration(*telemetry) : 0.0f;
                entry.framesPerSecond = duration > 0.0f ? 1000.0f / duration : 0.0f;
                info.startTime = entry.startTime;
            }
            info.timeLapse = IsTimeLapse(name);
        }
    }
    bool moved = false;
    if (telemetry) {
        EngineLock load(telemetry->loadLock);
        moved = MoveFrom(telemetry->display, telemetry->working);
        if (moved) {
            const TelemetryHeader& header = telemetry->display.header;
            const float thresholds[3] = {header.thresholdX, header.thresholdY, header.thresholdZ};
            for (int axis = 0; axis < 3; ++axis) {
                if (thresholds[axis] > 0.0f) {
                    info.thresholds[static_cast<std::size_t>(axis)] = thresholds[axis];
                }
            }
            info.telemetry = true;
            info.scaleLevel = ScaleLevel(telemetry->display.peak);
            info.vehicleDataKind = header.vehicleDataKind;
            info.speedDisplay = header.speedDisplay != 0;
            info.gpsDisplay = header.gpsDisplay != 0;
        }
    }
    if (moved) {
        ports_.map.SetMapAllowed(info.gpsDisplay);
    } else {
        ports_.map.SetTrackAvailable(false);
        ports_.map.UpdatePane();
    }
    return moved;
}

void PlaybackController::CloseRecording() {
    ports_.view.ClearStartTime();
    ports_.view.ResetPosition();
    sliderMin_ = 0;
    sliderMax_ = 0;
    ports_.view.SetSliderRange(0, 0);
    ports_.timers.Stop(kTickTimer);
    RefreshSpeedLabel();
    Both([&](EngineContext& e) { return ports_.ops.ResetTelemetry(e); });
    Both([&](EngineContext& e) { return ports_.ops.Close(e); });
    WaitForWorkers();
    ++openSerial_;
    ports_.timers.Stop(kOpenTimer);
    ports_.timers.Stop(kWatchdogTimer);
    readyReported_ = {false, false};
    ForgetEnds();
    playWhenReady_ = false;
    MoveTo(Stage::kClosed);
    ports_.map.SetTrackAvailable(false);
    ports_.map.SetHold(true);
    errorShown = false;
    RefreshIdlePanels();
    ports_.map.ClearShown();
    ports_.map.UpdatePane();
    SetEvents({});
    ports_.view.ClearGraphEvents();
    ports_.view.ResetInfoPanel();
    engine::Prefetch(ports_.front, ports_.rear, QString(), QString());
    {
        std::lock_guard list(listLock_);
        currentRecording = -1;
    }
    ports_.view.LayOutBrowser();
}

} // namespace kv::playback
