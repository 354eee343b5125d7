#pragma once

#include <QColor>
#include <QRect>

#include <memory>

class QWidget;

namespace kv {

// Colour of the one-pixel outline that shows the target size of an edge drag.
inline constexpr QRgb kGhostFrameColor = qRgb(112, 93, 168);

// The outline window of a resizable window: a frameless, translucent top-level
// tool window without owner that never takes focus nor mouse input and draws
// only a one-pixel frame along its edges, so that on screen only the outline
// of the target rectangle shows. It is created hidden; destroying the object
// destroys the window.
class CResizeFrameWindow {
public:
    CResizeFrameWindow();
    ~CResizeFrameWindow();
    CResizeFrameWindow(const CResizeFrameWindow&) = delete;
    CResizeFrameWindow& operator=(const CResizeFrameWindow&) = delete;

    // Moves and sizes the outline onto rect (screen coordinates) and repaints it.
    void MoveTo(const QRect& rect);
    // Puts the outline above every window and shows it.
    void ShowTopmost();
    // Takes the outline out of the topmost band and hides it when visible.
    void HideAndLower();

    bool IsVisible() const;
    bool IsTopmost() const;
    QRect Rect() const;
    QWidget* Window() const { return window_.get(); }

private:
    std::unique_ptr<QWidget> window_;
};

} // namespace kv
