#pragma once

#include "engine_context.h"
#include "folder_browser.h"
#include "map_pane.h"
#include "playback_timers.h"
#include "playback_view.h"
#include "recording_entry.h"
#include "ui_poster.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kv {
class MessageSink;
}

// The playback controller: the current recording and the current position.
// It opens the chosen recording in both engines, keeps them in step, follows
// the position with the 30 ms tick, runs the playback commands and plays the
// recordings of a drive one after the other. Everything runs on the window
// thread except the telemetry loader and the prefetch, which post back.
//
// The recording on show goes through one stage at a time (Stage below); each
// event handler moves between stages, and the flags other parts read (Ready,
// OpenBusy, ...) are derived from the stage. docs/ARCHITECTURE.md has the table.
namespace kv::playback {

// Where the current recording is in its life.
enum class Stage : int {
    kClosed,    // no recording is open (none chosen, or its open failed)
    kScheduled, // an open waits out the 500 ms debounce
    kOpening,   // the engines open the files; waiting for each one's ready report
    kLoading,   // the engines are ready; the telemetry loader runs
    kShown,     // ready: stopped, playing or paused, as the engines say
    kEnding,    // playing into its last moments, or one camera ended: commands held
    kEnded,     // played to its end and nothing follows: paused on the last picture
};

// The stage as the user sees it, with the engines' play state within kShown.
enum class Phase : int { kClosed, kOpening, kReady, kPlaying, kPaused, kEnding, kEnded };
const char* PhaseName(Phase phase);

// One event marker of the recording, as the graph lists them.
struct EventMarker {
    int item = 0;       // the graph's marker item
    int frame = 0;      // video frame of its sample
    bool shown = false; // the item is switched on for the graph
};

// Whether the entry has a damaged file without a repaired copy, so the user
// must be asked before it is played.
using RepairCheck = std::function<bool(const RecordingEntry&)>;
bool NeedsRepairQuestion(const RecordingEntry& entry);

struct ControllerPorts {
    const engine::EngineOps& ops;
    engine::EngineContext& front;
    engine::EngineContext& rear;
    PlaybackView& view;
    MapPane& map;
    FolderBrowser& browser;
    MessageSink& messages;
    PlaybackTimers& timers;
    UiPoster& poster;
    RepairCheck needsRepair = NeedsRepairQuestion;
};

class PlaybackController {
public:
    explicit PlaybackController(ControllerPorts ports);
    ~PlaybackController(); // waits for the loader and the prefetch
    PlaybackController(const PlaybackController&) = delete;
    PlaybackController& operator=(const PlaybackController&) = delete;

    // -- Opening.
    void SelectRecording(int index);
    void ScheduleOpen();
    void OnTimer(int id);
    void OnEnginesReady(int camera);
    void OnTelemetryLoaded();
    void CloseRecording();

    // -- Position.
    void Tick();
    void ShowPosition(int frame);
    void SeekTo(int frame);

    // -- Play control and commands.
    int Resume();
    void PausePlayback();
    void StopPlayback();
    void TogglePlay();
    void StopToStart();
    void Faster();
    void Slower();
    void Previous();
    void Next();
    void SetVolume(int volume);
    bool EndGuard();

    // -- Sliders: the position slider's button down, thumb moved and button up.
    void OnPositionSliderDown(int position, bool grabbedBeside);
    void OnPositionSliderMoved(int position, bool grabbedBeside);
    void OnPositionSliderUp(int position, bool grabbedBeside);
    void OnVolumeSlider(int position);

    // -- Events of the recording.
    void SetEvents(std::vector<EventMarker> events);
    bool PreviousEvent(int from);
    bool NextEvent(int from);
    void OnGraphLeftClick();
    void OnGraphRightClick();

    // -- Continuous playback.
    void OnEndOfStream(int camera);
    void Advance();
    void GoBack();
    void NextFolderStep();
    void OnFolderLoaded(const FolderChange& change);
    void FolderSkip();

    // -- What the window and the exports set.
    void SetPlaylist(RecordingList recordings);
    void SetFullScreen(bool on) { fullScreen = on; }
    // The cameras changed places; the sound stays with the telemetry camera.
    void SetViews(int main, int second);
    void SetKeepAspect(int keep) { keepAspect = keep; }
    void RequestResume(int frame) { resumePending = true, resumeFrame = frame; }

    // -- Queries.
    engine::EngineContext* TelemetryEngine();
    int PlayState();
    int RateCode();
    std::int64_t FrameCount();
    Stage CurrentStage() const { return stage_; }
    Phase CurrentPhase();
    // A recording is shown: its telemetry is loaded and commands reach it.
    bool Ready() const {
        return stage_ == Stage::kShown || stage_ == Stage::kEnding || stage_ == Stage::kEnded;
    }
    // An open is under way: scheduled, engines opening or telemetry loading.
    bool OpenBusy() const {
        return stage_ == Stage::kScheduled || stage_ == Stage::kOpening ||
               stage_ == Stage::kLoading;
    }
    // The engines are not waiting for files to open.
    bool OpenIdle() const { return stage_ != Stage::kOpening; }
    // The recording was chosen in the list and not started with Play, so its
    // end does not move on to the next one.
    bool UserSelected() const { return !playsOn_; }
    // Play is to start as soon as the recording being opened is ready.
    bool PlayWhenReady() const { return playWhenReady_; }
    // Moves the telemetry camera by delta frames while stopped or paused; the
    // picture, the slider and the panel all show the frame reached.
    void StepFrame(int delta);
    const RecordingList& Playlist() const { return playlist_; }
    std::recursive_mutex& ListLock() { return listLock_; }
    int SliderMaximum() const { return sliderMax_; }
    // Waits for the loader and the prefetch threads (tests, shutdown).
    void WaitForWorkers();

    // -- The controller's state besides the stage.
    int currentRecording = -1;
    int openReason = 0; // 0 picked by the user, 1 advancing, 2 going back
    bool continueNextFolder = false;
    int displayedFrame = -1;
    bool inEndHandling = false;
    bool rateLockout = false;
    bool errorShown = false;
    bool resumePending = false;
    int resumeFrame = -1;
    bool fullScreen = false;
    int mainView = 0;
    int secondView = 1;
    int keepAspect = 1;
    int volume = 65535;

private:
    using EngineAction = std::function<int(engine::EngineContext&)>;
    using FrameAction = std::function<int(engine::EngineContext&, std::int64_t)>;

    // Engines.
    bool Both(const EngineAction& action);
    bool BothAt(std::int64_t frame, const FrameAction& action);
    float RearRatio();
    void ApplyVolume(int value);
    void SetRateBoth(int code);
    void SetDefaultRate();
    void ChangeRate(bool faster);
    void CloseEngines();
    bool BothOpened();
    bool Opened(int camera);
    void MoveTo(Stage stage);
    // The end of presentation: every opened camera ended (or the watchdog
    // gave up waiting for the rest).
    void OnPresentationEnded();
    void ParkAtEnd();
    void ForgetEnds() { ended_ = {false, false}; }
    void ForgetEndsBefore(std::int64_t frame);
    std::array<std::int64_t, 2> CameraFrames(std::int64_t frame);
    void StartEndWatch();
    bool StillMoving();
    bool StartPlaying(); // Resume, and the recording plays on at its end

    // Opening.
    bool EntryValid(int index) const { return index >= 0 && index < Size(); }
    int Size() const { return static_cast<int>(playlist_.size()); }
    RecordingEntry CurrentEntry();
    void CloseForReopen();
    int OpenCurrent(bool& failedWithMessage);
    void OnOpenTimer();
    void OnWatchdog();
    void StartAtOnce();
    bool AllReported();
    void EnginesReady();
    bool LoadTelemetry();
    void FinishOpen();
    bool PrepareRecording(RecordingView& info);
    void StartLoader();
    void StartPrefetch();
    void RefreshSpeedLabel();
    void RefreshIdlePanels();
    // After Advance or GoBack selected the neighbouring row: stop, forget the
    // shown recording and open the selected one.
    void OpenSelectedNeighbour();
    void FinishSliderSeek(int position);
    void ResetDisplaysToStart();
    bool SeekEvent(const EventMarker* marker);

    ControllerPorts ports_;
    engine::EngineContext* engines_[2];

    // -- Guarded by listLock_: the playlist and currentRecording.
    std::recursive_mutex listLock_;
    RecordingList playlist_;
    // -- Guarded by eventLock_: the event markers.
    std::recursive_mutex eventLock_;
    std::vector<EventMarker> events_;

    Stage stage_ = Stage::kClosed;
    bool playsOn_ = false;       // playback was started: at the end the next recording follows
    bool playWhenReady_ = false; // the recording being opened starts playing when ready
    std::array<bool, 2> readyReported_{false, false}; // per camera, for the open under way
    std::array<bool, 2> ended_{false, false};         // per camera: its end was reported
    bool openingNow_ = false;                         // inside the engines' Open calls
    bool toggleQueued_ = false; // Play pressed while the recording ended: for the next one
    std::array<std::int64_t, 2> watchFrames_{
        -1, -1}; // where the cameras stood when the end watch began

    int sliderMin_ = 0;
    int sliderMax_ = 0;
    bool tickMark_ = false; // the tick disabled the controls near the end
    int resumeStateBeforeDrag_ = engine::kClosed;
    std::uint64_t openSerial_ = 0; // counts opens, so a late loader result is dropped
    std::thread loader_;
    std::thread prefetcher_;
};

} // namespace kv::playback
