#include "gsensor_dlg.h"

#include "skin_bitmap.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kv::views {

namespace {

constexpr int kScaleImageWidth = 640;
constexpr int kScaleImageHeight = 120;
constexpr int kTileColumns = 512; // columns of one rendered curve strip
constexpr std::size_t kTilesKept = 16;
const QColor kBandColor(170, 0, 0, 127);

constexpr std::array<int, 4> kScaleIds = {skin::kGraphScale0, skin::kGraphScale1,
                                          skin::kGraphScale2, skin::kGraphScale3};

} // namespace

CGSensorDlg::CGSensorDlg(const UiScale& scale, const UiFonts& fonts, QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetScale(scale, fonts);
}

CGSensorDlg::~CGSensorDlg() = default;

void CGSensorDlg::SetScale(const UiScale& scale, const UiFonts& fonts) {
    scale_ = scale;
    fonts_ = fonts;
    const int margin = scale_(40);
    SetMargins(margin, scale_(kScaleImageWidth) - scale_(7) - margin);
    LoadPictures();
    backgroundLevel_ = -1;
    plotValid_ = false;
    update();
}

void CGSensorDlg::LoadPictures() {
    for (std::size_t i = 0; i < kScaleIds.size(); ++i) {
        scales_[i] = LoadSkinBitmap(kScaleIds[i], scale_.factor());
    }
    steeringIcon_ = LoadSkinBitmap(skin::kAssistSteering, scale_.factor());
}

void CGSensorDlg::SetTelemetrySource(const TelemetrySource& source) {
    source_ = source;
    ++generation_;
    plotValid_ = false;
}

void CGSensorDlg::LoadTelemetry() {
    if (source_.reader == nullptr) {
        CloseTelemetry();
        return;
    }
    {
        TelemetryLock lock(source_);
        const TelemetryReader& reader = *source_.reader;
        zoomLevel_ = ZoomLevelForPeak(reader.peak);
        const std::array<float, 3> header = {reader.header.thresholdX, reader.header.thresholdY,
                                             reader.header.thresholdZ};
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (header[i] > 0.0f) {
                thresholds_[i] = header[i];
            }
        }
    }
    dataPresent_ = true;
    ++generation_;
    plotValid_ = false;
    tiles_.clear();
    repaint();
}

void CGSensorDlg::CloseTelemetry() {
    dataPresent_ = false;
    zoomLevel_ = 0;
    ++generation_;
    plotValid_ = false;
    tiles_.clear();
    plot_ = {};
    repaint();
}

void CGSensorDlg::SetMargins(int leftMargin, int tileWidth) {
    if (leftMargin != leftMargin_ || tileWidth != tileWidth_) {
        leftMargin_ = leftMargin;
        tileWidth_ = tileWidth;
        backgroundLevel_ = -1;
    }
}

void CGSensorDlg::ShowFrame(std::int64_t frameTotal, std::int64_t framePosition) {
    frameTotal_ = frameTotal;
    framePosition_ = framePosition;
    repaint();
}

void CGSensorDlg::SetChannelShown(int channel, bool shown) {
    if (channel < 0 || channel >= kChannelCount) {
        return;
    }
    graphShown_[static_cast<std::size_t>(channel)] = shown;
    mapShown_[static_cast<std::size_t>(channel)] = shown;
    update();
}

bool CGSensorDlg::graphShown(int channel) const {
    return channel >= 0 && channel < kChannelCount &&
           graphShown_[static_cast<std::size_t>(channel)];
}

bool CGSensorDlg::mapShown(int channel) const {
    return channel >= 0 && channel < kChannelCount && mapShown_[static_cast<std::size_t>(channel)];
}

ChannelEvent CGSensorDlg::EventAt(std::int64_t frame, int channel) const {
    if (source_.reader == nullptr) {
        return {};
    }
    TelemetryLock lock(source_);
    return EventAtFrame(source_.reader->frameIndex, frame, channel);
}

const SensorSample* CGSensorDlg::RecordAt(std::int64_t frame) const {
    if (source_.reader == nullptr) {
        return nullptr;
    }
    TelemetryLock lock(source_);
    return SampleAtFrame(*source_.reader, frame);
}

EventList CGSensorDlg::BuildEventList() const {
    if (source_.reader == nullptr) {
        return {};
    }
    TelemetryLock lock(source_);
    return views::BuildEventList(source_.reader->frameIndex, mapShown_);
}

int CGSensorDlg::graphHeight() const {
    return scale_(kScaleImageHeight);
}

int CGSensorDlg::CursorColumn() const {
    const float pitch = frameTotal_ > 0 ? static_cast<float>(width() - leftMargin_) /
                                              static_cast<float>(frameTotal_)
                                        : 0.0f;
    const int x =
        leftMargin_ + static_cast<int>(std::floor(static_cast<float>(framePosition_) * pitch));
    // At the last frame of a slider range the product reaches the client's
    // right edge; keep the cursor on the last column so it stays visible.
    return std::min(x, std::max(0, width() - 1));
}

int CGSensorDlg::ColumnOfFrame(std::int64_t frame) const {
    if (!dataPresent_ || source_.reader == nullptr) {
        return -1;
    }
    TelemetryLock lock(source_);
    const PlotGeometry g =
        MakePlotGeometry(width(), leftMargin_, scale_(1), source_.reader->frameIndex.size());
    if (frame < 0 || frame >= g.frames) {
        return -1;
    }
    const std::int64_t column = g.ColumnOf(frame) - g.WindowStart(framePosition_);
    if (column < 0 || column > g.dataWidth) {
        return -1;
    }
    return leftMargin_ + static_cast<int>(column);
}

void CGSensorDlg::ComposeBackground() {
    const QSize size = this->size();
    if (backgroundSize_ == size && backgroundLevel_ == zoomLevel_ &&
        backgroundTile_ == tileWidth_) {
        return;
    }
    backgroundSize_ = size;
    backgroundLevel_ = zoomLevel_;
    backgroundTile_ = tileWidth_;
    background_ = QImage(size, QImage::Format_RGB32);
    background_.fill(Qt::black);
    const QPixmap& picture = scales_[static_cast<std::size_t>(std::clamp(zoomLevel_, 0, 3))];
    if (picture.isNull() || tileWidth_ <= 0) {
        return;
    }
    QPainter painter(&background_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int snap = std::max(1, scale_(5));
    // Tiles from the right edge leftwards, each overlapping the previous by
    // its legend, then once more at the left so the legend always shows.
    for (int c = 0; static_cast<std::int64_t>(tileWidth_) * c < size.width(); ++c) {
        int x = size.width() - tileWidth_ * c;
        x = x / snap * snap;
        painter.drawPixmap(x, 0, picture);
    }
    painter.drawPixmap(0, 0, picture);
}

bool CGSensorDlg::EnsurePlot(const TelemetryReader& reader) {
    const int h = graphHeight();
    const int centre = h / 2;
    PlotKey key;
    key.index = reader.frameIndex.data();
    key.frames = reader.frameIndex.size();
    key.sensors = reader.sensors.data();
    key.clientWidth = width();
    key.leftMargin = leftMargin_;
    key.amplitude = CurveAmplitude(h, zoomLevel_);
    key.limit = centre - scale_(5);
    key.switches = graphShown_;
    key.generation = generation_;
    if (plotValid_ && key == plotKey_) {
        return true;
    }
    plotKey_ = key;
    geometry_ = MakePlotGeometry(width(), leftMargin_, scale_(1), reader.frameIndex.size());
    plot_ = ComputePlot(reader.frameIndex, geometry_, key.amplitude, key.limit, graphShown_);
    plotValid_ = true;
    tiles_.clear(); // the strips hold the curves switched on
    return true;
}

const QImage& CGSensorDlg::CurveTile(std::int64_t tile) {
    auto found = tiles_.find(tile);
    if (found != tiles_.end()) {
        return found->second;
    }
    if (tiles_.size() >= kTilesKept) {
        // Drop the strip farthest from the one asked for.
        auto farthest = tiles_.begin();
        if (std::llabs(tiles_.rbegin()->first - tile) > std::llabs(farthest->first - tile)) {
            farthest = std::prev(tiles_.end());
        }
        tiles_.erase(farthest);
    }
    const int h = graphHeight();
    const int centre = h / 2;
    QImage image(kTileColumns, h, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    const std::int64_t from = tile * kTileColumns;
    const std::int64_t to = from + kTileColumns;
    for (int axis = 0; axis < 3; ++axis) {
        if (!graphShown_[static_cast<std::size_t>(axis)]) {
            continue;
        }
        const std::vector<QPoint>& points = plot_.curves[static_cast<std::size_t>(axis)];
        if (points.size() < 2) {
            continue;
        }
        // The points run left to right: take those from the last one left of
        // the strip to the first one right of it.
        auto first = std::lower_bound(points.begin(), points.end(), from,
                                      [](const QPoint& p, std::int64_t x) { return p.x() < x; });
        if (first != points.begin()) {
            --first;
        }
        auto last = std::upper_bound(first, points.end(), to,
                                     [](std::int64_t x, const QPoint& p) { return x < p.x(); });
        if (last != points.end()) {
            ++last;
        }
        std::vector<QPoint> shown;
        shown.reserve(static_cast<std::size_t>(last - first));
        for (auto it = first; it != last; ++it) {
            shown.emplace_back(static_cast<int>(it->x() - from), centre - it->y());
        }
        painter.setPen(QPen(CurveColor(axis), 1));
        painter.drawPolyline(shown.data(), static_cast<int>(shown.size()));
    }
    painter.end();
    return tiles_.emplace(tile, std::move(image)).first->second;
}

void CGSensorDlg::DrawMarkerLabel(QPainter& painter, int x, const MarkerLook& look) {
    // Label rows are ⌊⌊10 × S⌋ / D⌋ / 6 apart; each label stands on its row
    // line, which starts 5 × S above the bottom of the graph picture.
    const int step = static_cast<int>(std::floor(scale_(10) / scale_.density())) / 6;
    const int y = graphHeight() - scale_(5) + look.row * step;
    if (look.label.isEmpty()) {
        if (!steeringIcon_.isNull()) {
            painter.drawPixmap(x + 1, y - LogicalSize(steeringIcon_).height(), steeringIcon_);
        }
        return;
    }
    painter.setPen(Qt::white);
    painter.drawText(QPoint(x + 1, y), look.label);
}

void CGSensorDlg::DrawData(QPainter& painter, std::int64_t windowStart) {
    const int h = graphHeight();
    const std::int64_t windowEnd = windowStart + geometry_.dataWidth; // inclusive
    const int clientHeight = height();

    // Speeding band at the bottom, only while its channel is on.
    if (graphShown_[kSpeedingChannel]) {
        const int bandHeight = scale_(29);
        for (const BandSpan& span : plot_.band) {
            const std::int64_t from = std::max(span.from, windowStart);
            const std::int64_t to = std::min(span.to, windowEnd + 1);
            if (from >= to) {
                continue;
            }
            painter.fillRect(QRect(leftMargin_ + static_cast<int>(from - windowStart),
                                   clientHeight - bandHeight, static_cast<int>(to - from),
                                   bandHeight),
                             kBandColor);
        }
    }

    // Curves: the rendered strips over the window, merged into the picture.
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    painter.setClipRect(QRect(leftMargin_, 0, geometry_.dataWidth + 1, h));
    for (std::int64_t tile = windowStart / kTileColumns; tile * kTileColumns <= windowEnd; ++tile) {
        const QImage& strip = CurveTile(tile);
        painter.drawImage(leftMargin_ + static_cast<int>(tile * kTileColumns - windowStart), 0,
                          strip);
    }
    painter.restore();

    // Markers: a line from bottom to top in the code's colour and its label.
    painter.setFont(fonts_.pt10());
    auto first = std::lower_bound(
        plot_.markers.begin(), plot_.markers.end(), windowStart,
        [](const PlotMarker& m, std::int64_t column) { return m.column < column; });
    for (auto it = first; it != plot_.markers.end() && it->column <= windowEnd; ++it) {
        const MarkerLook look = MarkerLookOf(it->code);
        if (!look.valid) {
            continue;
        }
        const int x = leftMargin_ + static_cast<int>(it->column - windowStart);
        painter.setPen(QPen(look.pen, 1));
        painter.drawLine(x, clientHeight - 1, x, 0);
        DrawMarkerLabel(painter, x, look);
    }
}

void CGSensorDlg::paintEvent(QPaintEvent*) {
    if (tileWidth_ <= 0 || width() <= 0 || height() <= 0) {
        return;
    }
    ComposeBackground();
    if (frame_.size() != size()) {
        frame_ = QImage(size(), QImage::Format_RGB32);
    }
    QPainter painter(&frame_);
    painter.drawImage(0, 0, background_);

    if (dataPresent_ && source_.reader != nullptr) {
        TelemetryLock lock(source_);
        const TelemetryReader& reader = *source_.reader;
        const auto n = static_cast<std::int64_t>(reader.frameIndex.size());
        if (n > framePosition_ && n >= 1 && !reader.sensors.empty() && EnsurePlot(reader)) {
            DrawData(painter, geometry_.WindowStart(framePosition_));
        }
    }

    const int x = CursorColumn();
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(x, 0, x, height() - 1);
    painter.end();

    QPainter window(this);
    window.drawImage(0, 0, frame_);
}

void CGSensorDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Q_EMIT previousEventRequested();
    } else if (event->button() == Qt::RightButton) {
        Q_EMIT nextEventRequested();
    }
    QWidget::mouseReleaseEvent(event);
}

void CGSensorDlg::resizeEvent(QResizeEvent* event) {
    plotValid_ = false;
    QWidget::resizeEvent(event);
}

} // namespace kv::views
