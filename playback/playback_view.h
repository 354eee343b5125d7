#pragma once

#include "local_time.h"

#include <QString>

#include <array>
#include <optional>

// The window side of the playback controller: the position slider, the tool
// bar, the video panels and windows, the information panel and the graph.
namespace kv::playback {

// What one shown frame puts on the information panel, the vehicle panel,
// the graph cursor and the position slider.
struct FrameView {
    int frame = 0;
    int frameTotal = 0;                                 // slider maximum - minimum
    double accelX = -5.0, accelY = -5.0, accelZ = -5.0; // -5.0: no telemetry at this frame
    char statusMark = 0;
    std::optional<double> speedKmh; // unset: the panel keeps its speed
    bool gpsValid = false;
    std::optional<int> voltageTenths;
    // Vehicle panel values from the words w0, w1, w2, w7 and w3; unset ones
    // stay as they are. Unset as a whole without a GPS sample.
    std::optional<std::array<std::optional<int>, 5>> vehicle;
    bool drawPanelNow = true; // false in full screen
};

// What a recording that became shown gives the panels.
struct RecordingView {
    int sizeCode = 0;
    CalendarTime startTime;
    bool timeLapse = false;
    float frameIntervalMs = 0.0f;
    bool telemetry = false; // the values below were taken from the recording's header
    std::array<std::optional<float>, 3> thresholds; // only those above 0
    int scaleLevel = 0;                             // 0..3 from the peak acceleration
    char vehicleDataKind = 0;
    bool speedDisplay = false;
    bool gpsDisplay = false;
};

class PlaybackView {
public:
    virtual ~PlaybackView() = default;

    // Position slider.
    virtual void SetSliderRange(int minimum, int maximum) = 0;
    virtual void EnableSlider(bool enabled) = 0;
    virtual void SetSliderAcceptsMouse(bool accepts) = 0;
    virtual void ReleaseSliderCapture() = 0;
    // Volume slider position and the DISPLAY/VOLUME setting.
    virtual void StoreVolume(int volume) = 0;

    // Tool bar and the other buttons.
    virtual void SetPlayLook(bool pauseLook) = 0;
    virtual void RefreshToolbar() = 0;
    virtual void DisableAll() = 0;
    virtual void EnableAfterOpen(bool deleteUsable) = 0;
    virtual void SetWaitCursor(bool on) = 0;
    virtual void CloseMenu() = 0; // an open video menu is dismissed

    // Video panels and windows.
    virtual void RepaintPanels() = 0;
    virtual void FillPanelsBlack() = 0;
    virtual void PlacePictures() = 0; // SetLayout of both engines from the view records, repainted
    virtual void SetSecondWindowTitle(const QString& title) = 0;
    virtual void RaiseSecondWindow() = 0;
    virtual void ZoomOff() = 0;
    virtual void LeaveFullScreen() = 0;
    virtual void LayOutBrowser() = 0;

    // Telemetry views.
    virtual void SetSpeedLabel(const QString& label) = 0;
    // The position slider, the graph cursor and the information panel go to frame 0.
    virtual void ResetPosition() = 0;
    virtual void ShowFrame(const FrameView& view) = 0;
    virtual void ShowRecording(const RecordingView& view) = 0;
    virtual void ClearStartTime() = 0;
    virtual void SetVoltageShown(bool shown) = 0;
    virtual void ClearGraphEvents() = 0; // the graph's event list emptied, the graph repainted
    virtual void ResetInfoPanel() = 0;
};

} // namespace kv::playback
