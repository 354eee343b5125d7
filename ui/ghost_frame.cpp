#include "ghost_frame.h"

#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

namespace kv {

namespace {

// The outline itself: transparent inside, a one-pixel frame at the edges.
class GhostOutline final : public QWidget {
public:
    GhostOutline()
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                               Qt::NoDropShadowWindowHint) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setWindowTitle(QString());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        painter.setPen(QPen(QColor(kGhostFrameColor), 1));
        painter.setBrush(Qt::NoBrush);
        // QRect's right and bottom are the last pixels inside.
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

} // namespace

CResizeFrameWindow::CResizeFrameWindow() : window_(std::make_unique<GhostOutline>()) {
    window_->hide();
}

CResizeFrameWindow::~CResizeFrameWindow() = default;

void CResizeFrameWindow::MoveTo(const QRect& rect) {
    window_->setGeometry(rect);
    window_->update();
}

void CResizeFrameWindow::ShowTopmost() {
    if (!IsTopmost()) {
        // Changing the flags hides the window; it is shown again below.
        window_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    window_->show();
    window_->raise();
}

void CResizeFrameWindow::HideAndLower() {
    if (window_->isVisible()) {
        window_->hide();
    }
    if (IsTopmost()) {
        window_->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    }
}

bool CResizeFrameWindow::IsVisible() const {
    return window_->isVisible();
}

bool CResizeFrameWindow::IsTopmost() const {
    return window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

QRect CResizeFrameWindow::Rect() const {
    return window_->geometry();
}

} // namespace kv
