#include "resize_dialog.h"

#include "display_settings.h"
#include "ghost_frame.h"
#include "settings_keys.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>
#include <chrono>
#include <limits>

namespace kv {

namespace {

bool Inside(QPoint p, int left, int top, int right, int bottom) {
    return WinRect{left, top, right, bottom}.Contains(p);
}

bool MovesLeft(DragEdge e) {
    return e == DragEdge::Left || e == DragEdge::TopLeft || e == DragEdge::BottomLeft;
}
bool MovesRight(DragEdge e) {
    return e == DragEdge::Right || e == DragEdge::TopRight || e == DragEdge::BottomRight;
}
bool MovesTop(DragEdge e) {
    return e == DragEdge::Top || e == DragEdge::TopLeft || e == DragEdge::TopRight;
}
bool MovesBottom(DragEdge e) {
    return e == DragEdge::Bottom || e == DragEdge::BottomLeft || e == DragEdge::BottomRight;
}
bool IsCorner(DragEdge e) {
    return e == DragEdge::TopLeft || e == DragEdge::TopRight || e == DragEdge::BottomLeft ||
           e == DragEdge::BottomRight;
}

void MoveEdges(WinRect& rect, DragEdge e, QPoint to) {
    if (MovesLeft(e)) {
        rect.left = to.x();
    }
    if (MovesRight(e)) {
        rect.right = to.x();
    }
    if (MovesTop(e)) {
        rect.top = to.y();
    }
    if (MovesBottom(e)) {
        rect.bottom = to.y();
    }
}

// Which of the three sizes a clamped dimension takes.
enum class Pick { Proposed, Base, Monitor };

int Choose(Pick pick, int proposed, int base, int monitor) {
    switch (pick) {
    case Pick::Base:
        return base;
    case Pick::Monitor:
        return monitor;
    case Pick::Proposed:
        break;
    }
    return proposed;
}

} // namespace

ZoneHit HitZoneOf(QPoint c, const WinRect& w, const UiScale& scale, bool fullScreen,
                  bool maximised) {
    const int e = scale(4);
    const int title = scale(27);
    const int L = w.left;
    const int T = w.top;
    const int R = w.right;
    const int B = w.bottom;
    if (fullScreen) {
        return {kZoneInert, DragEdge::None, Qt::ArrowCursor};
    }
    if (maximised && Inside(c, L, T, R, T + title)) {
        return {kZoneTitle, DragEdge::None, Qt::ArrowCursor};
    }
    if (Inside(c, L, T, L + e, T + e)) {
        return {kZoneTopLeft, DragEdge::TopLeft, Qt::SizeFDiagCursor};
    }
    if (Inside(c, R - e, T, R, T + e)) {
        return {kZoneTopRight, DragEdge::TopRight, Qt::SizeBDiagCursor};
    }
    if (Inside(c, L, T, R, T + e)) {
        return {kZoneTop, DragEdge::Top, Qt::SizeVerCursor};
    }
    if (Inside(c, L, B - e, L + e, B)) {
        return {kZoneBottomLeft, DragEdge::BottomLeft, Qt::SizeBDiagCursor};
    }
    if (Inside(c, R - e, B - e, R, B)) {
        return {kZoneBottomRight, DragEdge::BottomRight, Qt::SizeFDiagCursor};
    }
    if (Inside(c, L, T, L + e, B)) {
        return {kZoneLeft, DragEdge::Left, Qt::SizeHorCursor};
    }
    if (Inside(c, R - e, T, R, B)) {
        return {kZoneRight, DragEdge::Right, Qt::SizeHorCursor};
    }
    if (Inside(c, L, B - e, R, B)) {
        return {kZoneBottom, DragEdge::Bottom, Qt::SizeVerCursor};
    }
    if (Inside(c, L + e, T, R - e, T + title)) {
        return {kZoneTitle, DragEdge::None, Qt::ArrowCursor};
    }
    if (Inside(c, L, B - scale(2) - scale(38), R, B)) {
        return {kZoneInert, DragEdge::None, Qt::ArrowCursor};
    }
    return {kZoneNone, DragEdge::None, Qt::ArrowCursor};
}

DragEdge EdgeOfZone(int zone) {
    switch (zone) {
    case kZoneLeft:
        return DragEdge::Left;
    case kZoneRight:
        return DragEdge::Right;
    case kZoneTop:
        return DragEdge::Top;
    case kZoneBottom:
        return DragEdge::Bottom;
    case kZoneTopLeft:
        return DragEdge::TopLeft;
    case kZoneTopRight:
        return DragEdge::TopRight;
    case kZoneBottomLeft:
        return DragEdge::BottomLeft;
    case kZoneBottomRight:
        return DragEdge::BottomRight;
    default:
        return DragEdge::None;
    }
}

WinRect ProposeRect(const WinRect& track, int zone, QPoint cursor) {
    WinRect rect = track;
    MoveEdges(rect, EdgeOfZone(zone), cursor);
    return rect;
}

bool ClampToLimits(WinRect& rect, ClampMemory& memory, QPoint c, const ClampLimits& limits,
                   float* scaleX, float* scaleY) {
    const bool cursorInside =
        rect.left < c.x() && c.x() < rect.right && rect.top < c.y() && c.y() < rect.bottom;
    if (cursorInside && rect.Width() <= limits.baseWidth && rect.Height() <= limits.baseHeight) {
        if (memory.latched) {
            return false;
        }
        memory.latched = true;
    } else {
        if (c == memory.lastCursor) {
            return false;
        }
        memory.lastCursor = c;
        memory.latched = false;
    }

    const WinRect anchor = rect;
    const DragEdge edge = limits.edge;
    MoveEdges(rect, edge, c);

    const float sx = static_cast<float>(rect.Width()) / static_cast<float>(limits.baseWidth);
    const float sy = static_cast<float>(rect.Height()) / static_cast<float>(limits.baseHeight);
    const float mx =
        static_cast<float>(limits.monitor.Width()) / static_cast<float>(limits.baseWidth);
    const float my =
        static_cast<float>(limits.monitor.Height()) / static_cast<float>(limits.baseHeight);
    const bool wLow = sx < 1.0f;
    const bool wHigh = sx > mx;
    const bool hLow = sy < 1.0f;
    const bool hHigh = sy > my;

    if (scaleX != nullptr) {
        *scaleX = ClampScaleFactor(sx, mx);
    }
    if (scaleY != nullptr) {
        *scaleY = ClampScaleFactor(sy, my);
    }

    if (edge == DragEdge::None) {
        return true;
    }
    Pick pickW = Pick::Proposed;
    Pick pickH = Pick::Proposed;
    bool chosen = false;
    if (IsCorner(edge)) {
        chosen = true;
        if (wLow && hHigh) {
            pickW = Pick::Base;
            pickH = Pick::Monitor;
        } else if (wHigh && hLow) {
            pickW = Pick::Monitor;
            pickH = Pick::Base;
        } else if (wLow && hLow) {
            pickW = Pick::Base;
            pickH = Pick::Base;
        } else if (wHigh && hHigh) {
            pickW = Pick::Monitor;
            pickH = Pick::Monitor;
        } else {
            chosen = false;
        }
    }
    if (!chosen) {
        if (hHigh) {
            pickH = Pick::Monitor;
        } else if (hLow) {
            pickH = Pick::Base;
        } else if (wLow) {
            pickW = Pick::Base;
        } else if (wHigh) {
            pickW = Pick::Monitor;
        } else {
            return true;
        }
    }
    const int w = Choose(pickW, rect.Width(), limits.baseWidth, limits.monitor.Width());
    const int h = Choose(pickH, rect.Height(), limits.baseHeight, limits.monitor.Height());

    if (MovesLeft(edge)) {
        rect.right = anchor.right;
        rect.left = rect.right - w;
    }
    if (MovesRight(edge)) {
        rect.left = anchor.left;
        rect.right = rect.left + w;
    }
    if (MovesTop(edge)) {
        rect.bottom = anchor.bottom;
        rect.top = rect.bottom - h;
    }
    if (MovesBottom(edge)) {
        rect.top = anchor.top;
        rect.bottom = rect.top + h;
    }
    return true;
}

float ClampScaleFactor(double factor, double monitorFactor) {
    if (!(factor >= 1.0)) { // also not a number
        return 1.0f;
    }
    return static_cast<float>(factor > monitorFactor ? monitorFactor : factor);
}

std::array<int, 6> InitialLayoutBlock(const UiScale& t) {
    const int w1 = t(1120) - t(440) - 4 * t(6);
    const int h1 = t(4) + (t(1120) - t(440) - 4 * t(6) - 2 * t(2)) * 9 / 16;
    const int w2 = t(1120) - 2 * t(6) - t(240);
    const int h2 = t(3) + (t(1120) - t(240) - 2 * t(2) - 2 * t(6)) * 9 / 16;
    const int w3 = t(1120) - 2 * t(6);
    const int h3 = t(3) + (t(1120) - 2 * t(2) - 2 * t(6)) * 9 / 16;
    return {w1, h1, w2, h2, w3, h3};
}

WinRect NearestMonitorRect(QPoint point) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QRect best;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (const QScreen* screen : screens) {
        const QRect g = screen->geometry();
        const qint64 dx = point.x() < g.left()    ? g.left() - point.x()
                          : point.x() > g.right() ? point.x() - g.right()
                                                  : 0;
        const qint64 dy = point.y() < g.top()      ? g.top() - point.y()
                          : point.y() > g.bottom() ? point.y() - g.bottom()
                                                   : 0;
        const qint64 distance = dx * dx + dy * dy;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = g;
        }
    }
    return WinRect::FromQRect(best);
}

CResizeDialog::CResizeDialog(const UiScale& scale, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), scale_(scale) {
    baseWidth = scale_(1120);
    baseHeight = scale_(697);
    layoutBlock = InitialLayoutBlock(scale_);
    // Moves without a button keep the zone and the cursor shape current.
    setMouseTracking(true);
}

CResizeDialog::~CResizeDialog() = default;

void CResizeDialog::SetUiScale(const UiScale& scale) {
    scale_ = scale;
    layoutBlock = InitialLayoutBlock(scale_);
}

void CResizeDialog::SetPlacement(const SettingsStore& store, const QString& name) {
    store_ = store;
    placementName_ = name;
    LoadScale();
    resize(static_cast<int>(static_cast<float>(baseWidth) * scaleX),
           static_cast<int>(static_cast<float>(baseHeight) * scaleY));
}

void CResizeDialog::LoadScale() {
    const WinRect window = WindowRect();
    LoadScaleWithin(NearestMonitorRect(QPoint(window.left, window.top)));
}

void CResizeDialog::LoadScaleWithin(const WinRect& monitor) {
    if (placementName_.isEmpty() || baseWidth <= 0 || baseHeight <= 0) {
        return;
    }
    // Never below the base size either, even on a monitor smaller than it.
    const double mx = std::max(1.0, static_cast<double>(monitor.Width()) / baseWidth);
    const double my = std::max(1.0, static_cast<double>(monitor.Height()) / baseHeight);
    bool repaired = false;
    auto take = [&](QStringView key, double monitorFactor, float& factor) {
        if (const auto value = ReadScale(store_, placementName_, key)) {
            // As an edge drag keeps it: between the base size and the monitor.
            factor = ClampScaleFactor(*value, monitorFactor);
            repaired |= !(*value >= 1.0 && *value <= monitorFactor);
        }
    };
    take(settings::kScaleX, mx, scaleX);
    take(settings::kScaleY, my, scaleY);
    // A factor out of range in the file is replaced by the one the window took.
    if (repaired) {
        SaveScale();
    }
}

bool CResizeDialog::SaveScale() {
    if (placementName_.isEmpty()) {
        return false;
    }
    return WriteScale(store_, placementName_, scaleX, scaleY);
}

bool CResizeDialog::CreateGhostFrame() {
    ghostFrame_ = std::make_unique<CResizeFrameWindow>();
    return true;
}

void CResizeDialog::SyncGhostFrame() {
    if (!ghostFrame_) {
        return;
    }
    trackRect = WindowRect();
    ghostFrame_->MoveTo(trackRect.ToQRect());
    ghostFrame_->HideAndLower();
}

int CResizeDialog::HitZone() const {
    return HitZoneAt(QCursor::pos());
}

int CResizeDialog::HitZoneAt(QPoint cursor) const {
    return HitZoneOf(cursor, WindowRect(), scale_, fullScreen, maximised).zone;
}

WinRect CResizeDialog::ProposedRect(int zoneOfDrag) const {
    return ProposedRectAt(zoneOfDrag, QCursor::pos());
}

WinRect CResizeDialog::ProposedRectAt(int zoneOfDrag, QPoint cursor) const {
    return ProposeRect(trackRect, zoneOfDrag, cursor);
}

bool CResizeDialog::ClampTrackedRect(WinRect& rect, ClampMemory& memory, float* x, float* y) const {
    return ClampTrackedRectAt(QCursor::pos(), rect, memory, x, y);
}

bool CResizeDialog::ClampTrackedRectAt(QPoint cursor, WinRect& rect, ClampMemory& memory, float* x,
                                       float* y) const {
    const WinRect window = WindowRect();
    const ClampLimits limits{edge, baseWidth, baseHeight,
                             NearestMonitorRect(QPoint(window.left, window.top))};
    return ClampToLimits(rect, memory, cursor, limits, x, y);
}

void CResizeDialog::FinishTracking() {
    FinishTrackingAt(QCursor::pos());
}

void CResizeDialog::FinishTrackingAt(QPoint cursor) {
    if (!ghostFrame_ || maximised || fullScreen || edge == DragEdge::None || zone == kZoneTitle) {
        return;
    }
    trackRect = ProposedRectAt(zone, cursor);
    ClampTrackedRectAt(cursor, trackRect, applyMemory, &scaleX, &scaleY);
    ApplyTrackedRect();
    SaveScale();
}

void CResizeDialog::ApplyTrackedRect() {}

WinRect CResizeDialog::WindowRect() const {
    return WinRect::FromQRect(frameGeometry());
}

qint64 CResizeDialog::ClockMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void CResizeDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    downPoint = event->position().toPoint();
    buttonDown = true;
    if (!maximised) {
        const ZoneHit hit = HitZoneOf(event->globalPosition().toPoint(), WindowRect(), scale_,
                                      fullScreen, maximised);
        zone = hit.zone;
        edge = hit.edge;
        if (zone == kZoneTitle) {
            titleDragged = true;
        }
        if (IsEdgeZone(zone)) {
            if (ghostFrame_) {
                trackRect = WindowRect();
                ghostFrame_->MoveTo(trackRect.ToQRect());
                ghostFrame_->ShowTopmost();
            }
            lastTrackTime = ClockMs();
        } else if (ghostFrame_) {
            ghostFrame_->HideAndLower();
        }
    }
    QDialog::mousePressEvent(event);
}

void CResizeDialog::mouseMoveEvent(QMouseEvent* event) {
    const QPoint cursor = event->globalPosition().toPoint();
    if (ghostFrame_ && !buttonDown) {
        const ZoneHit hit = HitZoneOf(cursor, WindowRect(), scale_, fullScreen, maximised);
        if (hit.cursor == Qt::ArrowCursor) {
            unsetCursor();
        } else {
            setCursor(hit.cursor);
        }
    }

    if (zone == kZoneInert) {
        QDialog::mouseMoveEvent(event);
        return;
    }
    if (zone == kZoneTitle) {
        if (buttonDown && !openBusy && !fullScreen && !maximised) {
            const QPoint offset = event->position().toPoint() - downPoint;
            const QRect moved = frameGeometry().translated(offset);
            if (ghostFrame_) {
                ghostFrame_->MoveTo(moved);
            }
            move(moved.topLeft());
        } else {
            zone = HitZoneAt(cursor);
        }
        return;
    }
    if (!ghostFrame_) {
        QDialog::mouseMoveEvent(event);
        return;
    }
    if (!buttonDown) {
        return;
    }
    const qint64 now = ClockMs();
    if (static_cast<double>(now - lastTrackTime) / 1000.0 > kTrackInterval) {
        WinRect rect = ProposedRectAt(zone, cursor);
        if (ClampTrackedRectAt(cursor, rect, trackMemory)) {
            ghostFrame_->MoveTo(rect.ToQRect());
        }
        lastTrackTime = now;
    }
}

void CResizeDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mouseReleaseEvent(event);
        return;
    }
    buttonDown = false;
    if (!maximised) {
        SyncGhostFrame();
    }
    QDialog::mouseReleaseEvent(event);
}

void CResizeDialog::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mouseDoubleClickEvent(event);
        return;
    }
    buttonDown = false;
    SyncGhostFrame();
    if (ghostFrame_) {
        zone = HitZoneAt(event->globalPosition().toPoint());
    }
    // The base class would treat the double click as a second press.
    event->accept();
}

void CResizeDialog::moveEvent(QMoveEvent* event) {
    NoteGeometry();
    QDialog::moveEvent(event);
}

void CResizeDialog::resizeEvent(QResizeEvent* event) {
    NoteGeometry();
    QDialog::resizeEvent(event);
}

// Every move or resize: a window with an outline never keeps a factor below
// 1, and the rectangle of the normal state is recorded unless the derived
// window asked to skip this once.
void CResizeDialog::NoteGeometry() {
    if (ghostFrame_) {
        if (scaleX <= 1.0f) {
            scaleX = 1.0f;
        }
        if (scaleY <= 1.0f) {
            scaleY = 1.0f;
        }
    }
    if (!maximised && !minimised && !keepNormalRect) {
        normalRect = WindowRect();
    }
    keepNormalRect = false;
}

} // namespace kv
