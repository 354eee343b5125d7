#include "map_pane_control.h"

#include "engine_context.h"
#include "google_map_dlg_wrap.h"
#include "logo_dialog.h"

namespace kv::app {

MapPaneControl::MapPaneControl(map::CGoogleMapDlgWrap& bridge, playback::CLogoDlg& logo,
                               MapPaneWorld world)
    : bridge_(bridge), logo_(logo), world_(std::move(world)) {}

bool MapPaneControl::ConnectionTest() {
    return bridge_.ConnectTest() != 0;
}

void MapPaneControl::SetLogo(bool show) {
    logoShown = show;
    logo_.SetShownMark(show);
    if (show) {
        logo_.raise();
    }
}

void MapPaneControl::ChooseLogoPicture() {
    const bool offline = world_.mapSwitchOn() && !ConnectionTest() && started && !positionInvalid;
    logo_.SetPicture(offline);
}

void MapPaneControl::UpdateMapPane() {
    const bool full = world_.fullScreen();
    const bool possible = bridge_.trackAvailable && ConnectionTest() && world_.hasGpsSamples() &&
                          world_.recordingCurrent() && !world_.parking() && !positionInvalid &&
                          runtimePresent;
    if (possible && shown) {
        const bool newlyShown = bridge_.ShowMap(!full);
        if (!full && newlyShown && world_.focusMap) {
            world_.focusMap();
        }
        SetLogo(false);
        return;
    }
    if (possible) {
        // The map stays when it is on screen already.
        QWidget* window = bridge_.mapWindow();
        const bool mapOnScreen = window && window->isVisible() && !logo_.shownMark();
        if (!mapOnScreen) {
            SetLogo(true);
            ChooseLogoPicture();
        }
        return;
    }
    if (!shown) {
        bridge_.ShowMap(false);
    }
    if (full) {
        SetLogo(false);
    } else {
        SetLogo(true);
        bridge_.ShowMap(false);
        ChooseLogoPicture();
    }
}

void MapPaneControl::ParkingRule() {
    if (world_.fullScreen()) {
        SetLogo(false);
        return;
    }
    bridge_.ShowMap(false);
    SetLogo(true);
    ChooseLogoPicture();
}

void MapPaneControl::FollowPosition(const GpsSample& gps, bool parking) {
    if (parking) {
        ParkingRule();
        return;
    }
    positionInvalid = gps.latitude > 360.0 || gps.longitude > 360.0;
    if (!hold) {
        bridge_.trackAvailable = gpsDisplay_;
        UpdateMapPane();
    }
    if (gps.valid != 0) {
        if (bridge_.mapDialog) {
            bridge_.mapDialog->mapLat = gps.latitude;
            bridge_.mapDialog->mapLng = gps.longitude;
        }
        if (!shown && ConnectionTest()) {
            shown = true;
        }
        UpdateMapPane();
    } else if (!shown) {
        bridge_.trackAvailable = false;
        UpdateMapPane();
    }
}

bool MapPaneControl::SendPoints(bool withGroupTrack) {
    const std::vector<map::MapEvent> events =
        world_.events ? world_.events() : std::vector<map::MapEvent>();
    return bridge_.SendEventPoints(events, world_.recordingRow ? world_.recordingRow() : 0,
                                   withGroupTrack);
}

void MapPaneControl::SendEventPoints(bool withGroupTrack) {
    SendPoints(withGroupTrack);
}

void MapPaneControl::UpdateMapStatus() {
    if (eventPointsSent || !bridge_.pageReady) {
        return;
    }
    if (world_.recordingCurrent() && !SendPoints(true)) {
        return; // an event without its GPS sample: the next tick tries again
    }
    eventPointsSent = true;
    const int state = world_.playState();
    if (state == engine::kPlaying) {
        return;
    }
    bridge_.SetPlayState(state == engine::kPaused ? 1 : 2);
}

void MapPaneControl::OnMapReady() {
    eventPointsSent = false;
    UpdateMapStatus();
    started = true;
    ChooseLogoPicture();
    if (world_.repaintWindow) {
        world_.repaintWindow();
    }
}

bool MapPaneControl::UpdateMapAvailability() {
    const GpsSample* fix = world_.hasGpsSamples() ? world_.currentFix() : nullptr;
    const bool available = fix != nullptr && fix->valid != 0 && gpsDisplay_;
    bridge_.trackAvailable = available;
    return available;
}

void MapPaneControl::OnDeferredStart() {
    started = true;
    ChooseLogoPicture();
}

void MapPaneControl::OnMapSwitch(bool on) {
    bridge_.connection.SetEnabled(on);
    bridge_.connection.CheckConnection();
    UpdateMapAvailability();
    UpdateMapPane();
}

void MapPaneControl::SetTrackAvailable(bool available) {
    bridge_.trackAvailable = available;
}

void MapPaneControl::IdleTick() {
    if (logoShown || !ConnectionTest()) {
        UpdateMapPane();
    }
}

void MapPaneControl::SetPlayStatus(const QString& status) {
    if (status.isEmpty()) {
        bridge_.SetPlayState(0);
    } else if (status == u"pause") {
        bridge_.SetPlayState(1);
    } else {
        bridge_.SetPlayState(2);
    }
}

void MapPaneControl::MoveMarker() {
    bridge_.RunScript(QStringLiteral("orbitgrplist.MoveMarker()"));
}

void MapPaneControl::SetCurrentFrame(int frame) {
    bridge_.pageFramePosition = frame;
}

} // namespace kv::app
