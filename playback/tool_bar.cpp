#include "tool_bar.h"

#include "engine_context.h"
#include "skin_bitmap.h"

namespace kv::playback {

const std::array<ToolButtonSpec, kToolButtons>& ToolBarButtons() {
    static const std::array<ToolButtonSpec, kToolButtons> buttons = {{
        {38000, skin::kFirst, UiText::FirstTip},
        {38001, skin::kPrevious, UiText::PreviousTip},
        {38002, skin::kPlay, UiText::PlayTip},
        {38003, skin::kSlower, UiText::SlowerTip},
        {38004, skin::kFaster, UiText::FasterTip},
        {38005, skin::kNext, UiText::NextTip},
        {38006, skin::kSnapshot, UiText::SnapshotTip},
        {38007, skin::kJoin, UiText::JoinTip},
        {38008, skin::kZoom, UiText::ZoomTip},
        {38009, skin::kMirror, UiText::MirrorTip},
        {38010, skin::kMapSwitch, UiText::MapSwitchTip},
        {38011, skin::kBrowse, UiText::BrowseTip},
        {38012, skin::kDelete, UiText::DeleteTip},
        {38013, skin::kSettings, UiText::SettingsTip},
        {38014, skin::kCsv, UiText::CsvTip},
        {38015, skin::kViewSwitch, UiText::ViewSwitchTip},
    }};
    return buttons;
}

ToolbarState RefreshToolbar(const ToolbarInputs& in, const ToolbarState& previous) {
    if (!in.listExists) {
        return previous;
    }
    if (in.held) {
        return DisableAll();
    }
    ToolbarState s;
    s.captionsEnabled = true;
    s.panesEnabled = true;
    s.enabled[kCsvButton] = in.csvAllowed;
    if (in.listCount <= 0) {
        s.enabled.fill(false);
        s.enabled[kBrowseButton] = true;
        s.enabled[kCsvButton] = in.csvAllowed;
        return s;
    }
    const bool playing = in.playState == engine::kPlaying;
    const bool paused = in.playState == engine::kPaused;
    auto& e = s.enabled;
    e[kStopToStartButton] = playing || paused;
    e[kPreviousButton] = in.listCount > 1 && in.current > 0;
    e[kPlayButton] = in.telemetryHeld || playing;
    e[kSlowerButton] = playing && in.rateCode != -2 && in.rateCode != -4;
    e[kFasterButton] = playing && in.rateCode != 2 && in.rateCode != 4;
    e[kNextButton] = in.listCount > 1 && in.current < in.listCount - 1;
    e[kSnapshotButton] = in.telemetryHeld;
    e[kJoinButton] = in.source == SourceKind::Card;
    e[kZoomButton] = in.telemetryHeld;
    e[kMirrorButton] = in.rearOpened;
    e[kDeleteButton] = in.source != SourceKind::File;
    e[kMapSwitchButton] = e[kBrowseButton] = e[kSettingsButton] = e[kViewSwitchButton] = true;
    return s;
}

ToolbarState DisableAll() {
    ToolbarState s;
    s.enabled.fill(false);
    s.captionsEnabled = false;
    s.panesEnabled = false;
    return s;
}

ToolbarState EnableAfterOpen(bool failedWithMessage) {
    ToolbarState s;
    s.enabled.fill(false);
    s.enabled[kBrowseButton] = true;
    s.enabled[kDeleteButton] = failedWithMessage;
    s.captionsEnabled = true;
    s.panesEnabled = true;
    return s;
}

} // namespace kv::playback
