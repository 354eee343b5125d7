#include "skin_button.h"

#include "skin_bitmap.h"
#include "ui_scale.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace kv {

int SkinButtonFrame(const SkinItemState& state, bool switchedOn, bool& pressed) {
    if (state.grayed) {
        return kFrameHover;
    }
    if (state.disabled) {
        return kFrameDisabled;
    }
    if (state.selected) {
        pressed = true;
        return kFramePressedOrOn;
    }
    if (state.checked || switchedOn) {
        return kFramePressedOrOn;
    }
    pressed = false;
    return kFrameNormal;
}

int SkinCheckButtonFrame(const SkinItemState& state, bool switchedOn) {
    bool unused = false;
    return SkinButtonFrame(state, switchedOn, unused);
}

// ---------------------------------------------------------------------------

CSkinButton::CSkinButton(int controlId, QWidget* parent)
    : QAbstractButton(parent), controlId_(controlId) {
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    connect(this, &QAbstractButton::clicked, this, [this] { Q_EMIT commandClicked(controlId_); });
}

bool CSkinButton::SetSkin(int bitmapId, const QRect& rect, double scale, qreal devicePixelRatio) {
    return SetSkinStrip(LoadSkinBitmap(bitmapId, scale, devicePixelRatio), rect.size());
}

bool CSkinButton::SetSkinStrip(const QPixmap& strip, QSize frameSize) {
    frameSize_ = frameSize;
    if (strip.isNull()) {
        return false;
    }
    suspended_ = true;
    frames_ = CutFrames(strip, frameSize);
    suspended_ = false;
    updateGeometry();
    update();
    return true;
}

void CSkinButton::SetSwitchedOn(bool on) {
    if (switchedOn_ != on) {
        switchedOn_ = on;
        update();
    }
}

void CSkinButton::SetSuspended(bool suspended) {
    if (suspended_ != suspended) {
        suspended_ = suspended;
        update();
    }
}

SkinItemState CSkinButton::itemState() const {
    SkinItemState state;
    state.disabled = !isEnabled();
    state.selected = isDown();
    state.checked = isCheckable() && isChecked();
    return state;
}

int CSkinButton::ChooseFrame(bool& pressed) const {
    int frame = SkinButtonFrame(itemState(), switchedOn_, pressed);
    // The hover frame is drawn over whatever the button shows, except while
    // it is pressed or switched on.
    if (hovered_ && isEnabled() && !pressed && !switchedOn_ && !itemState().checked) {
        frame = kFrameHover;
    }
    return frame;
}

int CSkinButton::currentFrame() const {
    if (suspended_) {
        return -1;
    }
    bool pressed = pressed_;
    return ChooseFrame(pressed);
}

QSize CSkinButton::sizeHint() const {
    return frameSize_.isValid() ? frameSize_ : QSize(16, 16);
}

void CSkinButton::paintEvent(QPaintEvent*) {
    if (suspended_) {
        return;
    }
    const int frame = ChooseFrame(pressed_);
    if (frame < 0 || frame >= frameCount()) {
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(QRect(QPoint(0, 0), frameSize_), frames_[frame]);
}

void CSkinButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CSkinButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CSkinButton::mouseMoveEvent(QMouseEvent* event) {
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != hovered_) {
        hovered_ = inside;
        update();
    }
    QAbstractButton::mouseMoveEvent(event);
}

void CSkinButton::keyPressEvent(QKeyEvent* event) {
    event->accept();
}

void CSkinButton::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
}

// ---------------------------------------------------------------------------

namespace {

constexpr int kCheckFrameSide = 12;
constexpr int kCheckFrameTop = 4;
constexpr int kCheckTextLeft = 16;

} // namespace

CSkinCheckButton::CSkinCheckButton(int controlId, const QString& text, QWidget* parent)
    : QAbstractButton(parent), controlId_(controlId) {
    setText(text);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    connect(this, &QAbstractButton::clicked, this, [this] { Q_EMIT commandClicked(controlId_); });
}

bool CSkinCheckButton::SetSkin(int bitmapId, double scale, qreal devicePixelRatio) {
    return SetSkinStrip(LoadSkinBitmap(bitmapId, scale, devicePixelRatio), scale);
}

bool CSkinCheckButton::SetSkinStrip(const QPixmap& strip, double scale) {
    scale_ = scale;
    if (strip.isNull()) {
        return false;
    }
    suspended_ = true;
    const int side = Scaled(kCheckFrameSide, scale);
    frames_ = CutFrames(strip, QSize(side, side));
    suspended_ = false;
    updateGeometry();
    update();
    return true;
}

void CSkinCheckButton::SetSwitchedOn(bool on) {
    if (switchedOn_ != on) {
        switchedOn_ = on;
        update();
    }
}

void CSkinCheckButton::SetSuspended(bool suspended) {
    if (suspended_ != suspended) {
        suspended_ = suspended;
        update();
    }
}

QRect CSkinCheckButton::frameBox() const {
    const int side = Scaled(kCheckFrameSide, scale_);
    return {0, Scaled(kCheckFrameTop, scale_), side, side};
}

QRect CSkinCheckButton::textBox() const {
    return rect().translated(Scaled(kCheckTextLeft, scale_), 0);
}

int CSkinCheckButton::currentFrame() const {
    if (suspended_) {
        return -1;
    }
    SkinItemState state;
    state.disabled = !isEnabled();
    state.selected = isDown();
    state.checked = isCheckable() && isChecked();
    int frame = SkinCheckButtonFrame(state, switchedOn_);
    if (hoverInBox_ && isEnabled() && !switchedOn_ && !state.selected && !state.checked) {
        frame = kFrameHover;
    }
    return frame;
}

QSize CSkinCheckButton::sizeHint() const {
    const QSize text = fontMetrics().size(Qt::TextSingleLine, this->text());
    return {Scaled(kCheckTextLeft, scale_) + text.width(),
            std::max(frameBox().bottom() + 1, text.height())};
}

void CSkinCheckButton::paintEvent(QPaintEvent*) {
    const int frame = currentFrame();
    if (frame < 0) {
        return;
    }
    QPainter painter(this);
    if (frame < frameCount()) {
        painter.drawPixmap(frameBox(), frames_[frame]);
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(textBox(), Qt::AlignLeft | Qt::AlignTop, text());
}

void CSkinCheckButton::leaveEvent(QEvent* event) {
    hoverInBox_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CSkinCheckButton::mouseMoveEvent(QMouseEvent* event) {
    const bool inBox = frameBox().contains(event->position().toPoint());
    if (inBox != hoverInBox_ || inBox) {
        hoverInBox_ = inBox;
        update();
    }
    QAbstractButton::mouseMoveEvent(event);
}

void CSkinCheckButton::keyPressEvent(QKeyEvent* event) {
    event->accept();
}

void CSkinCheckButton::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
}

} // namespace kv
