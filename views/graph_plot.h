#pragma once

#include "event_channels.h"
#include "telemetry_types.h"

#include <QPoint>

#include <array>
#include <cstdint>
#include <vector>

// What the acceleration graph draws of a recording, worked out once per
// recording, size and switch state: the three curves as polylines, the event
// markers and the columns of the speeding band. Positions are columns of a
// strip that holds the whole recording; the graph shows a window of it.
namespace kv::views {

// How the frames of a recording meet the columns of the data area.
struct PlotGeometry {
    int dataWidth = 0;           // W: client width - S - left margin
    std::int64_t frames = 0;     // N: entries of the frame index
    double pitch = 0.0;          // e = W / N, pixels per frame
    double step = 1.0;           // h = max(e, 1)
    bool scrolling = false;      // more frames than columns: the window slides
    std::int64_t stripWidth = 0; // columns of the whole strip

    // Strip column of frame f.
    std::int64_t ColumnOf(std::int64_t frame) const;
    // Strip column at the data area's left edge while framePosition is shown:
    // floor(s) with s = (1 - e/h) * framePosition.
    std::int64_t WindowStart(std::int64_t framePosition) const;
};

PlotGeometry MakePlotGeometry(int clientWidth, int leftMargin, int onePixel, std::size_t frames);

struct PlotMarker {
    std::int64_t column = 0;
    int code = -1;
    int channel = -1;
};

// A run of strip columns [from, to) under the speeding band.
struct BandSpan {
    std::int64_t from = 0;
    std::int64_t to = 0;
};

struct PlotData {
    // Per axis the points of its polyline: strip column and value in pixels
    // above the centre line, already limited to the band around it.
    std::array<std::vector<QPoint>, 3> curves;
    std::vector<PlotMarker> markers; // in column order
    std::vector<BandSpan> band;      // in column order, not overlapping
};

// The curve, marker and band rules applied to every frame of the index.
// amplitude: pixels per G; limit: largest distance from the centre line
// (c - 5 S); graphShown: the channel switches (markers and the band; every
// curve is computed, the caller draws those switched on).
PlotData ComputePlot(const FrameIndex& index, const PlotGeometry& geometry, int amplitude,
                     int limit, const ChannelSwitches& graphShown);

} // namespace kv::views
