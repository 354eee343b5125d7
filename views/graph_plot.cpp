#include "graph_plot.h"

#include <algorithm>
#include <cmath>

namespace kv::views {

std::int64_t PlotGeometry::ColumnOf(std::int64_t frame) const {
    if (scrolling) {
        return frame;
    }
    return static_cast<std::int64_t>(std::floor(static_cast<double>(frame) * step));
}

std::int64_t PlotGeometry::WindowStart(std::int64_t framePosition) const {
    if (!scrolling || framePosition <= 0) {
        return 0;
    }
    const double s = (1.0 - pitch / step) * static_cast<double>(framePosition);
    return static_cast<std::int64_t>(std::floor(s));
}

PlotGeometry MakePlotGeometry(int clientWidth, int leftMargin, int onePixel, std::size_t frames) {
    PlotGeometry g;
    g.dataWidth = std::max(0, clientWidth - onePixel - leftMargin);
    g.frames = static_cast<std::int64_t>(frames);
    g.pitch = g.frames > 0 ? static_cast<double>(g.dataWidth) / static_cast<double>(g.frames) : 0.0;
    g.step = std::max(g.pitch, 1.0);
    g.scrolling = g.frames > 0 && g.pitch < 1.0;
    g.stripWidth = g.scrolling ? g.frames : g.dataWidth;
    return g;
}

namespace {

// One curve as the graph advances it column by column. Segments are drawn
// only where the value changes and on every seventh unchanged step, so the
// work follows the columns, not the frames.
class CurveTracer {
public:
    CurveTracer(std::vector<QPoint>& points, int amplitude, int limit)
        : points_(points), amplitude_(amplitude), limit_(limit) {}

    void Start(double value) {
        stored_ = QPoint(0, static_cast<int>(amplitude_ * value));
        prevX_ = 0;
        prevY_ = stored_.y();
        counter_ = 0;
        points_.clear();
        points_.push_back(QPoint(0, Limit(stored_.y())));
    }

    void Advance(int x, double value, bool end, int endX) {
        if (std::fabs(value) > 2.0) {
            value = value > 0 ? 2.0 : -2.0;
        }
        const int y = static_cast<int>(amplitude_ * value);
        ++counter_;
        int shownY = y;
        if (y != stored_.y()) {
            if (counter_ > 7) {
                Segment(prevX_, prevY_);
            }
            counter_ = 0;
            shownY = Segment(end ? endX : x, y);
        } else if (end) {
            shownY = Segment(endX, y);
        } else if (counter_ % 7 == 0) {
            shownY = Segment(x, y);
        }
        prevX_ = x;
        prevY_ = shownY;
    }

private:
    int Limit(int value) const { return std::clamp(value, -limit_, limit_); }

    // A segment from the stored point to (x, value); its end becomes the stored point.
    int Segment(int x, int value) {
        stored_ = QPoint(x, Limit(value));
        points_.push_back(stored_);
        return stored_.y();
    }

    std::vector<QPoint>& points_;
    int amplitude_;
    int limit_;
    QPoint stored_;
    int prevX_ = 0;
    int prevY_ = 0;
    int counter_ = 0;
};

double Accel(const SensorSample& s, int axis) {
    return axis == 0 ? s.accelX : axis == 1 ? s.accelY : s.accelZ;
}

void AddBand(std::vector<BandSpan>& band, std::int64_t from, std::int64_t to) {
    if (to <= from) {
        return;
    }
    if (!band.empty() && from <= band.back().to) {
        band.back().to = std::max(band.back().to, to);
        return;
    }
    band.push_back({from, to});
}

} // namespace

PlotData ComputePlot(const FrameIndex& index, const PlotGeometry& geometry, int amplitude,
                     int limit, const ChannelSwitches& graphShown) {
    PlotData data;
    const auto n = static_cast<std::int64_t>(index.size());
    if (n == 0 || geometry.dataWidth <= 0 || index.front() == nullptr) {
        return data;
    }
    limit = std::max(limit, 0);
    std::array<CurveTracer, 3> tracers = {CurveTracer(data.curves[0], amplitude, limit),
                                          CurveTracer(data.curves[1], amplitude, limit),
                                          CurveTracer(data.curves[2], amplitude, limit)};
    for (int axis = 0; axis < 3; ++axis) {
        tracers[static_cast<std::size_t>(axis)].Start(Accel(*index.front(), axis));
    }

    const SensorSample* previous = nullptr;
    std::int64_t xPrev = 0;
    bool anyStep = false;
    bool lastSpeeding = false;
    for (std::int64_t f = 0; f < n; ++f) {
        const SensorSample* sample = index[static_cast<std::size_t>(f)];
        if (sample == nullptr) {
            break; // a frame without a record ends the curves here
        }
        if (sample == previous) {
            continue;
        }
        previous = sample;
        const std::int64_t x = geometry.ColumnOf(f);
        const FrameClaim claim = ClaimFrame(index, f, graphShown);
        if (anyStep && x - xPrev >= 2 && claim.speedingHere && !claim.speedingRunStart) {
            AddBand(data.band, xPrev + 1, x);
        }
        for (int axis = 0; axis < 3; ++axis) {
            tracers[static_cast<std::size_t>(axis)].Advance(static_cast<int>(x),
                                                            Accel(*sample, axis), false, 0);
        }
        for (int i = 0; i < claim.count; ++i) {
            data.markers.push_back({x, claim.events[i].code, claim.events[i].channel});
        }
        if (claim.speedingHere) {
            AddBand(data.band, x, x + 2);
        }
        lastSpeeding = claim.speedingHere;
        xPrev = x;
        anyStep = true;
    }
    if (!anyStep) {
        return data;
    }
    // The last record runs on to the end of the strip.
    for (int axis = 0; axis < 3; ++axis) {
        tracers[static_cast<std::size_t>(axis)].Advance(static_cast<int>(xPrev),
                                                        Accel(*previous, axis), true,
                                                        static_cast<int>(geometry.stripWidth));
    }
    if (lastSpeeding) {
        AddBand(data.band, xPrev, geometry.stripWidth);
    }
    return data;
}

} // namespace kv::views
