#pragma once

#include "settings_store.h"
#include "ui_scale.h"

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <memory>

class QMouseEvent;

namespace kv {

class CResizeFrameWindow;

// A rectangle as the window geometry below counts it: left and top inside,
// right and bottom just outside (width = right - left).
struct WinRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(QPoint p) const {
        return p.x() >= left && p.x() < right && p.y() >= top && p.y() < bottom;
    }
    QRect ToQRect() const { return {left, top, right - left, bottom - top}; }
    static WinRect FromQRect(const QRect& r) {
        return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    bool operator==(const WinRect&) const = default;
};

// Where the cursor is on a resizable window (HitZoneOf).
enum ResizeZone : int {
    kZoneNone = 0,
    kZoneInert = 1, // full screen, or the bottom band: the window does nothing itself
    kZoneTitle = 2, // drags move the window
    kZoneLeft = 10,
    kZoneRight = 11,
    kZoneTop = 12,
    kZoneTopLeft = 13,
    kZoneTopRight = 14,
    kZoneBottom = 15,
    kZoneBottomLeft = 16,
    kZoneBottomRight = 17,
};

inline bool IsEdgeZone(int zone) {
    return zone >= kZoneLeft && zone <= kZoneBottomRight;
}

// The edge or corner an edge drag moves.
enum class DragEdge { None, Left, Top, Right, Bottom, TopLeft, BottomRight, BottomLeft, TopRight };

struct ZoneHit {
    int zone = kZoneNone;
    DragEdge edge = DragEdge::None;
    Qt::CursorShape cursor = Qt::ArrowCursor;
};

// Classifies cursor (screen coordinates) against the window rectangle: the
// first of these wins: full screen; the title band of a maximised window; the
// four corners (t(4) squares); the top edge; the bottom corners; the left,
// right and bottom edges (t(4) wide); the title band (t(27) high, inside the
// side edges); the bottom band (t(2) + t(38) high); anything else.
ZoneHit HitZoneOf(QPoint cursor, const WinRect& window, const UiScale& scale, bool fullScreen,
                  bool maximised);

// The edge a zone drags (none for zones that are not edges).
DragEdge EdgeOfZone(int zone);

// track with the edges of zone moved to cursor (x for the left and right
// edges, y for the top and bottom ones, both for corners); other zones give
// track unchanged.
WinRect ProposeRect(const WinRect& track, int zone, QPoint cursor);

// What ClampToLimits remembers between calls of one kind (live tracking, or
// the final apply).
struct ClampMemory {
    bool latched = false;
    QPoint lastCursor;
};

struct ClampLimits {
    DragEdge edge = DragEdge::None;
    int baseWidth = 0;
    int baseHeight = 0;
    WinRect monitor; // the full monitor, not its work area
};

// Keeps an edge drag of rect between the base size and the monitor size, with
// the edges opposite the dragged ones in place. False (rect unchanged, no
// factors written) when the cursor has not moved since the last call through
// memory, or when it is still inside a rect of at most the base size that was
// seen there before. Otherwise true; scaleX and scaleY (when given) receive
// the size factors of the drag before clamping, kept within 1 and the
// monitor's factor.
bool ClampToLimits(WinRect& rect, ClampMemory& memory, QPoint cursor, const ClampLimits& limits,
                   float* scaleX = nullptr, float* scaleY = nullptr);

// The size factor an edge drag ends with for factor (size / base size) on a
// monitor of monitorFactor (monitor size / base size): 1 below 1 (and for
// what is no number), monitorFactor above it, else factor itself.
float ClampScaleFactor(double factor, double monitorFactor);

// The main window's three picture-area sizes (width, height pairs) for S.
std::array<int, 6> InitialLayoutBlock(const UiScale& scale);

// The full geometry of the monitor nearest to point (screen coordinates).
WinRect NearestMonitorRect(QPoint point);

// Edge drags throttle the outline to one update per this many seconds.
inline constexpr double kTrackInterval = 0.08888;

// A borderless window that the user resizes by dragging its edges and
// corners and moves by dragging its title band.
//
// While an edge is dragged only the outline window (CreateGhostFrame) moves;
// the window takes the clamped size once, when the button is released (the
// release step belongs to derived windows: CSkinDialog, the main window), and
// the size is kept as two factors of the base size in the settings file under
// the window's placement name. Windows without an outline can only be moved.
//
// The members below are the window's state; owners and derived windows set
// the flags (openBusy, fullScreen, maximised, ...) and the base size directly.
class CResizeDialog : public QDialog {
    Q_OBJECT

public:
    explicit CResizeDialog(const UiScale& scale, QWidget* parent = nullptr);
    ~CResizeDialog() override;

    // Remembers the settings section of the window's scale factors
    // ("DISPLAY", "MAPDISPLAY", "MOVIEDISPLAY"), loads them, and resizes the
    // window to base size × factors keeping its top-left corner.
    virtual void SetPlacement(const SettingsStore& store, const QString& name);
    // SCALEX and SCALEY of the placement; each value greater than 0 replaces
    // its factor, anything else leaves it. The factors are kept within what an
    // edge drag allows (ClampScaleFactor): from 1 (the base size) up to the
    // monitor nearest to the window's top-left corner; a value out of that
    // range in the file is written back as the factor taken.
    void LoadScale();
    void LoadScaleWithin(const WinRect& monitor);
    // Writes both factors ("%f"). False without a placement or when the
    // write fails.
    bool SaveScale();

    // Creates the outline window; from then on the window can be resized.
    bool CreateGhostFrame();
    CResizeFrameWindow* GhostFrame() const { return ghostFrame_.get(); }
    // With an outline: trackRect = the window rectangle; the outline moves
    // onto it, leaves the topmost band and hides.
    void SyncGhostFrame();

    // The zone of the cursor's current position.
    int HitZone() const;
    int HitZoneAt(QPoint cursor) const;
    // trackRect with the edges of zone moved to the cursor.
    WinRect ProposedRect(int zone) const;
    WinRect ProposedRectAt(int zone, QPoint cursor) const;
    // ClampToLimits for the dragged edge, the base size and the monitor
    // nearest to the window's top-left corner.
    bool ClampTrackedRect(WinRect& rect, ClampMemory& memory, float* x = nullptr,
                          float* y = nullptr) const;
    bool ClampTrackedRectAt(QPoint cursor, WinRect& rect, ClampMemory& memory, float* x = nullptr,
                            float* y = nullptr) const;
    // The release step of an edge drag: the clamped rectangle becomes
    // trackRect and gives the factors, the window is resized (ApplyTrackedRect)
    // and the factors are saved. Nothing without an outline, when maximised or
    // full screen, without a dragged edge or after a title press.
    void FinishTracking();
    void FinishTrackingAt(QPoint cursor);
    // Nothing here; derived windows take trackRect.
    virtual void ApplyTrackedRect();

    // The window's rectangle on screen.
    WinRect WindowRect() const;
    const UiScale& Scale() const { return scale_; }
    // A new UI scale (the monitor's work area changed): the layout block
    // follows it; the base size and the window are left to the caller.
    void SetUiScale(const UiScale& scale);
    const QString& PlacementName() const { return placementName_; }

    int baseWidth = 0; // smallest size, and the size the factors refer to
    int baseHeight = 0;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    float savedUiScale = -1.0f; // the main window's
    WinRect lastWorkArea;       // the main window's
    WinRect normalRect;         // last rectangle seen neither maximised nor minimised
    WinRect trackRect;          // being tracked during an edge drag
    std::array<int, 6> layoutBlock{};
    bool buttonDown = false;
    bool openBusy = false;   // a recording is being opened: no title drag
    bool fullScreen = false; // every zone inert
    bool maximised = false;
    bool minimised = false;
    bool fitGuard = false;       // the main window's
    bool keepNormalRect = false; // skip the next capture of normalRect
    int zone = kZoneNone;
    DragEdge edge = DragEdge::None;
    QPoint downPoint;          // client point of the last left press
    bool titleDragged = false; // set by a press in the title band; never cleared here
    qint64 lastTrackTime = 0;  // milliseconds, at the last outline update
    ClampMemory applyMemory;
    ClampMemory trackMemory;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // Milliseconds of a steady clock.
    static qint64 ClockMs();

private:
    void NoteGeometry();

    UiScale scale_;
    SettingsStore store_;
    QString placementName_;
    std::unique_ptr<CResizeFrameWindow> ghostFrame_;
};

} // namespace kv
