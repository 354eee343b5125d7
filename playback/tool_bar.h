#pragma once

#include "source_kind.h"
#include "ui_texts.h"

#include <array>

// The tool bar along the bottom of the main window and the caption buttons:
// which image and tooltip each button has, and which buttons are usable in
// which state of the viewer.
namespace kv::playback {

inline constexpr int kToolButtons = 16;
inline constexpr int kToolBarFirstId = 38000;

enum ToolButton : int {
    kStopToStartButton = 0,
    kPreviousButton = 1,
    kPlayButton = 2,
    kSlowerButton = 3,
    kFasterButton = 4,
    kNextButton = 5,
    kSnapshotButton = 6,
    kJoinButton = 7,
    kZoomButton = 8,
    kMirrorButton = 9,
    kMapSwitchButton = 10,
    kBrowseButton = 11,
    kDeleteButton = 12,
    kSettingsButton = 13,
    kCsvButton = 14,
    kViewSwitchButton = 15,
};

// Command ids beyond the tool bar's 38000 + index.
inline constexpr int kPictureModeCommand = 38200;
inline constexpr int kCaptionCloseId = 16;
inline constexpr int kCaptionMaximiseId = 17;
inline constexpr int kCaptionMinimiseId = 18;

struct ToolButtonSpec {
    int id;
    int image; // skin image
    UiText tooltip;
};

// Button i of the tool bar (the play button's play look; see kPauseLook).
const std::array<ToolButtonSpec, kToolButtons>& ToolBarButtons();
inline constexpr int kPauseImage = 147;

// What the tool bar's state depends on.
struct ToolbarInputs {
    bool listExists = false; // the browser's list was created
    int listCount = 0;       // recordings in the list
    int current = -1;        // index of the current recording
    int playState = 0;       // the telemetry engine's (engine::PlayState)
    int rateCode = 1;
    bool telemetryHeld = false; // an engine holds the telemetry of the recording
    bool rearOpened = false;    // the rear engine opened the recording
    SourceKind source = SourceKind::None;
    bool csvAllowed = false; // the source allows a list export
    bool held = false;       // a recording is being opened or is in its last moments
};

struct ToolbarState {
    std::array<bool, kToolButtons> enabled{}; // the CSV button follows the source in every state
    bool captionsEnabled = true;
    bool panesEnabled = true; // information panel, browser list and tree, filter buttons
};

// What RefreshToolbar makes of the state; nothing (a copy of previous) while
// the browser's list does not exist yet, everything off while held.
ToolbarState RefreshToolbar(const ToolbarInputs& in, const ToolbarState& previous);
// Everything off while an open is scheduled and near the end of a recording.
ToolbarState DisableAll();
// After an open attempt: only Browse, and Delete when the open failed with a message.
ToolbarState EnableAfterOpen(bool failedWithMessage);

} // namespace kv::playback
