#pragma once

#include "event_channels.h"
#include "graph_plot.h"
#include "telemetry_access.h"
#include "ui_fonts.h"
#include "ui_scale.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <array>
#include <cstdint>
#include <map>

namespace kv::views {

// The acceleration graph under the information panel: the X, Y and Z curves
// of the whole recording against time on the scale picture chosen by the
// recording's peak, the event markers with their letters, the speeding band
// and a white cursor at the playback position. A left click asks the main
// window for the previous event, a right click for the next.
//
// The curves, markers and band are worked out once per recording, size and
// switch state and the curves kept as rendered strips, so a repaint on a
// playback tick only composes the visible window and moves the cursor.
class CGSensorDlg : public QWidget {
    Q_OBJECT

public:
    CGSensorDlg(const UiScale& scale, const UiFonts& fonts, QWidget* parent = nullptr);
    ~CGSensorDlg() override;

    // A new scale S: the left margin becomes 40 × S and the tile width
    // 640 × S - 7 × S - margin; the pictures are loaded again.
    void SetScale(const UiScale& scale, const UiFonts& fonts);

    // -- Telemetry. The source stays set; the reader behind it may change
    // contents while a loader fills it, which the source's locks guard.
    void SetTelemetrySource(const TelemetrySource& source);
    const TelemetrySource& telemetrySource() const { return source_; }
    // A recording's telemetry was loaded into the source's reader (its frame
    // index built): takes the scale level from its peak and the thresholds
    // from its header, sets dataPresent and repaints.
    void LoadTelemetry();
    // The recording was closed: no data, scale level 0, repaint.
    void CloseTelemetry();
    bool dataPresent() const { return dataPresent_; }
    int zoomLevel() const { return zoomLevel_; }
    // The G thresholds per axis; a header value replaces one only when it is
    // greater than 0.
    const std::array<float, 3>& thresholds() const { return thresholds_; }

    // -- Display state, written by the main window.
    int leftMargin() const { return leftMargin_; }
    int tileWidth() const { return tileWidth_; }
    std::int64_t frameTotal() const { return frameTotal_; }
    std::int64_t framePosition() const { return framePosition_; }
    void SetMargins(int leftMargin, int tileWidth);
    // Writes the frame total (slider maximum - minimum) and the playback
    // position and repaints at once.
    void ShowFrame(std::int64_t frameTotal, std::int64_t framePosition);

    // -- Event channels. graphShown and mapShown are set together.
    void SetChannelShown(int channel, bool shown);
    bool graphShown(int channel) const;
    bool mapShown(int channel) const;
    const ChannelSwitches& graphSwitches() const { return graphShown_; }
    const ChannelSwitches& mapSwitches() const { return mapShown_; }

    // The channel's event at frame, taken under the telemetry locks.
    ChannelEvent EventAt(std::int64_t frame, int channel) const;
    // The record the frame index gives for frame; null outside the index or
    // without telemetry. Taken under the telemetry locks; the record stays
    // valid until the reader is loaded again.
    const SensorSample* RecordAt(std::int64_t frame) const;
    // The event list of the loaded recording with the mapShown switches.
    EventList BuildEventList() const;

    // Column x (client coordinates) where frame is drawn while the window
    // shows framePosition; -1 when it is outside the data area or nothing is loaded.
    int ColumnOfFrame(std::int64_t frame) const;
    // Column of the cursor for the display state.
    int CursorColumn() const;
    // Height of the graph picture: 120 × S.
    int graphHeight() const;

Q_SIGNALS:
    void previousEventRequested(); // left button released
    void nextEventRequested();     // right button released

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct PlotKey {
        const void* index = nullptr;
        std::size_t frames = 0;
        const void* sensors = nullptr;
        int clientWidth = 0;
        int leftMargin = 0;
        int amplitude = 0;
        int limit = 0;
        ChannelSwitches switches{};
        std::uint64_t generation = 0;
        bool operator==(const PlotKey&) const = default;
    };

    void LoadPictures();
    void ComposeBackground();
    // Brings the plot up to date with the reader; false when nothing is to be drawn.
    bool EnsurePlot(const TelemetryReader& reader);
    const QImage& CurveTile(std::int64_t tile);
    void DrawData(QPainter& painter, std::int64_t windowStart);
    void DrawMarkerLabel(QPainter& painter, int x, const MarkerLook& look);

    UiScale scale_;
    UiFonts fonts_;
    TelemetrySource source_;
    std::uint64_t generation_ = 0;

    ChannelSwitches graphShown_ = kAllChannelsOn;
    ChannelSwitches mapShown_ = kAllChannelsOn;
    int leftMargin_ = 0;
    int tileWidth_ = 0;
    std::int64_t frameTotal_ = 0;
    std::int64_t framePosition_ = 0;
    int zoomLevel_ = 0;
    bool dataPresent_ = false;
    std::array<float, 3> thresholds_{};

    std::array<QPixmap, 4> scales_;
    QPixmap steeringIcon_;

    QImage background_; // the tiled scale pictures at the client size
    QSize backgroundSize_;
    int backgroundLevel_ = -1;
    int backgroundTile_ = -1;

    QImage frame_; // the composed picture, copied to the window in one go

    PlotKey plotKey_;
    bool plotValid_ = false;
    PlotGeometry geometry_;
    PlotData plot_;
    std::map<std::int64_t, QImage> tiles_; // rendered curve strips by tile number
};

} // namespace kv::views
