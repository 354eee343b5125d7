#pragma once

#include "recording_entry.h"
#include "telemetry_types.h"

#include <QString>

// What the playback controller tells the map side: the map window, the logo
// placeholder and the map page bridge. Its own marks (hold, shown, position
// invalid, event points sent) live behind this interface.
namespace kv::playback {

class MapPane {
public:
    virtual ~MapPane() = default;

    // The recording's track can or cannot be shown (trackAvailable).
    virtual void SetTrackAvailable(bool available) = 0;
    // While held, the availability is not taken from the recording's GPS-display flag.
    virtual void SetHold(bool hold) = 0;
    // Forget that the map replaced the logo for this recording.
    virtual void ClearShown() = 0;
    // Decide between the map, the logo and nothing.
    virtual void UpdatePane() = 0;
    // A tick while stopped or paused: refresh the pane when the logo is shown
    // or the connection is gone.
    virtual void IdleTick() = 0;
    // Every tick: send the event points and the play status once per page load.
    virtual void UpdateStatus() = 0;
    // Takes the availability from the current frame's fix and the GPS-display flag.
    virtual bool UpdateAvailability() = 0;
    // The page's play status: "" playing, "pause", "stop" (which also moves the marker).
    virtual void SetPlayStatus(const QString& status) = 0;
    // Runs "orbitgrplist.MoveMarker()".
    virtual void MoveMarker() = 0;
    // The bridge's current frame.
    virtual void SetCurrentFrame(int frame) = 0;
    // The map follows the position of a shown frame.
    virtual void FollowPosition(const GpsSample& gps, bool parking) = 0;
    // The recording's GPS-display flag: the map is allowed.
    virtual void SetMapAllowed(bool allowed) = 0;
    // Sends the event points of the current recording, with or without the
    // track of the whole folder.
    virtual void SendEventPoints(bool withGroupTrack) = 0;
    // The track of every recording of the folder, for the map.
    virtual void LoadTrack(const RecordingList& recordings) = 0;
};

} // namespace kv::playback
