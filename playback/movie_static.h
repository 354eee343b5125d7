#pragma once

#include "ui_scale.h"
#include "video_surface.h"

#include <QCursor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace kv::engine {
struct EngineContext;
struct EngineOps;
} // namespace kv::engine

namespace kv::playback {

class MovieOwner;

// The window one camera's engine draws into (0 front, 1 rear). It shows the
// pictures the engine presents, turns mouse clicks into the viewer's gestures
// (zoom clicks, the full-screen double click, the video menu), shows a notice
// when its camera has no video in a recording the other camera has, and
// hands the engine's notices to its owner on the window thread.
//
// The engines must be destroyed before the panel: Present and the listener
// calls may come from engine threads at any time while an engine lives.
class CMovieStatic : public QWidget, public engine::VideoSurface, public engine::EngineListener {
    Q_OBJECT

public:
    CMovieStatic(MovieOwner* owner, int camera, QWidget* parent = nullptr);
    ~CMovieStatic() override;

    // Both engine contexts (an array of two: front, rear) and their
    // operations. Without them the panel just shows what was presented.
    // Whoever changes an engine's state repaints the panels (update()).
    void SetEngines(engine::EngineContext* contexts, const engine::EngineOps* ops);

    // The UI scale (magnifier cursor size) and the shared 13-point font for
    // the no-video notice.
    void SetScale(const UiScale& scale);
    void SetTextFont(const QFont& font);

    int camera() const { return camera_; }

    // Clicks zoom the picture; the magnifier cursor is shown.
    void SetZoomMode(bool on);
    bool zoomMode() const { return zoomMode_; }

    // Whether the picture is mirrored; kept for the video menu.
    void SetMirror(bool on) { mirrored_ = on; }
    bool mirrored() const { return mirrored_; }

    // Forgets the last picture, so the panel is black until the next one.
    void FillBlack();

    // The last picture and its frame number (-1: none).
    QImage Picture() const;
    std::int64_t PictureFrame() const;

    // VideoSurface; every one of them may be called from any thread.
    QRect ClientRect() const override;
    void SetPictureRect(const QRect& rect) override;
    QRect PictureRect() const;
    void Present(const QImage& picture, std::int64_t frame) override;

    // EngineListener: queued to the window thread, then OnEnginesReady or
    // OnEndOfStream of the owner with the panel's camera.
    void OnReady(int camera) override;
    void OnEndOfPresentation(int camera) override;

    // The two click timers: the press timer recognises a single click when no
    // second press followed within the double-click time, the release timer
    // ends a recognised click. Their timeouts call these.
    void OnPressTimer();
    void OnReleaseTimer();
    const QTimer& PressTimer() const { return pressTimer_; }
    const QTimer& ReleaseTimer() const { return releaseTimer_; }

    bool clickPending() const { return clickPending_; }
    QPoint pressPoint() const { return pressPoint_; }
    QPoint releasePoint() const { return releasePoint_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // A repaint on the window thread, at most one queued at a time.
    void QueueUpdate();
    void AskRepaint();
    void PaintPicture(QPainter& painter);
    void PaintBackground(QPainter& painter);
    void UpdateCursor();

    MovieOwner* owner_ = nullptr;
    int camera_ = -1;
    engine::EngineContext* contexts_ = nullptr;
    const engine::EngineOps* ops_ = nullptr;

    UiScale scale_;
    QFont textFont_;
    QCursor zoomCursor_;

    bool zoomMode_ = false;
    bool mirrored_ = false;
    bool clickPending_ = false;   // a single click was recognised and is being handled
    bool doubleClicked_ = false;  // the last press was the second half of a double click
    bool buttonReleased_ = false; // the left button went up after the last press
    QPoint pressPoint_;
    QPoint releasePoint_;
    QTimer pressTimer_;
    QTimer releaseTimer_;

    // -- Shared with engine threads, guarded by mutex_.
    mutable std::mutex mutex_;
    mutable QRect clientRect_;
    QRect pictureRect_;
    QImage picture_;
    std::int64_t pictureFrame_ = -1;
    // --
    std::atomic<bool> updateQueued_{false};
    std::atomic<bool> pictureArrived_{false}; // the next paint shows a fresh picture
    bool repaintQueued_ = false;
};

} // namespace kv::playback
