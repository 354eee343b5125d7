#pragma once

#include "map_pane.h"
#include "map_protocol.h"
#include "telemetry_types.h"

#include <functional>
#include <vector>

namespace kv::map {
class CGoogleMapDlgWrap;
}

namespace kv::playback {
class CLogoDlg;
}

namespace kv::app {

// What the map pane needs to know of the window and the player, asked when
// a rule needs it.
struct MapPaneWorld {
    std::function<bool()> fullScreen;
    std::function<bool()> mapSwitchOn; // the tool bar's map display switch
    // A recording is current, and it is a parking recording.
    std::function<bool()> recordingCurrent;
    std::function<bool()> parking;
    // The telemetry engine exists and its display reader holds GPS samples.
    std::function<bool()> hasGpsSamples;
    // The GPS sample of the telemetry engine's current frame, or null.
    std::function<const GpsSample*()> currentFix;
    // The telemetry engine's play state; kClosed without one.
    std::function<int()> playState;
    // The recording's events that are switched on for the map (the event
    // list built again from the telemetry) and the recording's list row.
    std::function<std::vector<map::MapEvent>()> events;
    std::function<int()> recordingRow;
    // The keyboard focus to the map; the window's background repainted.
    std::function<void()> focusMap;
    std::function<void()> repaintWindow;
};

// Decides, at every position and state change, whether the map window shows
// the map or the logo (and which logo), when the page gets the event points
// and the play status, and how the map follows the position. UI thread only.
class MapPaneControl final : public playback::MapPane {
public:
    MapPaneControl(map::CGoogleMapDlgWrap& bridge, playback::CLogoDlg& logo, MapPaneWorld world);

    // -- Marks (all clear at start).
    bool eventPointsSent = false;
    bool hold = false;
    bool shown = false; // the map may replace the logo
    bool positionInvalid = false;
    bool started = false;
    bool logoShown = false;
    // Qt WebEngine can run (cleared when it is missing or failed to start).
    bool runtimePresent = true;

    void UpdateMapPane();
    void UpdateMapStatus();
    void OnMapReady();
    bool UpdateMapAvailability();
    void ParkingRule();
    void ChooseLogoPicture();
    // The bridge's connection test (clears the page's ready mark when it fails).
    bool ConnectionTest();
    // The window is up: the started mark and the logo's picture.
    void OnDeferredStart();
    // The map display switch changed.
    void OnMapSwitch(bool on);
    bool mapAllowed() const { return gpsDisplay_; }

    // -- MapPane
    void SetTrackAvailable(bool available) override;
    void SetHold(bool on) override { hold = on; }
    void ClearShown() override { shown = false; }
    void UpdatePane() override { UpdateMapPane(); }
    void IdleTick() override;
    void UpdateStatus() override { UpdateMapStatus(); }
    bool UpdateAvailability() override { return UpdateMapAvailability(); }
    void SetPlayStatus(const QString& status) override;
    void MoveMarker() override;
    void SetCurrentFrame(int frame) override;
    void FollowPosition(const GpsSample& gps, bool parking) override;
    void SetMapAllowed(bool allowed) override { gpsDisplay_ = allowed; }
    void SendEventPoints(bool withGroupTrack) override;
    // The folder's track is loaded by the map side; nothing to do here.
    void LoadTrack(const RecordingList&) override {}

private:
    bool SendPoints(bool withGroupTrack);
    void SetLogo(bool show);

    map::CGoogleMapDlgWrap& bridge_;
    playback::CLogoDlg& logo_;
    MapPaneWorld world_;
    bool gpsDisplay_ = false; // the recording's GPS-display flag
};

} // namespace kv::app
