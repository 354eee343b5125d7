#include "skin_slider.h"

#include "skin_bitmap.h"
#include "ui_scale.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kv {

namespace {

constexpr int kSurfaceWidth = 7680;
constexpr int kInitialHeight = 10;
constexpr int kReach = 10;       // presses and drags count this far beside the slider
constexpr int kThumbMargin = 10; // a press this close to the thumb grabs it

// Black pixels become transparent.
QPixmap KeyOutBlack(const QPixmap& picture) {
    if (picture.isNull()) {
        return picture;
    }
    QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0x00FFFFFFu) == 0) {
                line[x] = 0;
            }
        }
    }
    image.setDevicePixelRatio(picture.devicePixelRatio());
    return QPixmap::fromImage(std::move(image));
}

// Draws the left sourceWidth columns (device-independent) of picture
// stretched into target.
void DrawLeftPart(QPainter& painter, const QPixmap& picture, double sourceWidth,
                  const QRectF& target) {
    if (picture.isNull() || sourceWidth <= 0 || target.width() <= 0) {
        return;
    }
    const qreal ratio = picture.devicePixelRatio();
    const QRectF source(0, 0, std::trunc(sourceWidth) * ratio, picture.height());
    painter.drawPixmap(target, picture, source);
}

} // namespace

double SliderPlayedShare(int minimum, int maximum, int position) {
    const std::int64_t range = static_cast<std::int64_t>(maximum) - minimum;
    if (range < 0) {
        return 0.0;
    }
    return std::clamp(position / static_cast<double>(range + 1), 0.0, 1.0);
}

int SliderThumbLeft(int width, int thumbWidth, int minimum, int maximum, int position) {
    const std::int64_t range = static_cast<std::int64_t>(maximum) - minimum;
    if (range < 0) {
        return 0;
    }
    return static_cast<int>(static_cast<std::int64_t>(position) * (width - thumbWidth) /
                            (range + 1));
}

std::optional<int> SliderValueAt(int x, int width, int minimum, int maximum) {
    const std::int64_t range = static_cast<std::int64_t>(maximum) - minimum;
    if (range + 1 <= 0) {
        return std::nullopt;
    }
    const double step = static_cast<double>(width) / static_cast<double>(range + 1);
    if (!(step > 0.0)) {
        return std::nullopt;
    }
    const double value = std::trunc(x / step);
    return static_cast<int>(
        std::clamp(value, static_cast<double>(minimum), static_cast<double>(maximum)));
}

CSkinSliderCtrl::CSkinSliderCtrl(int controlId, QWidget* parent)
    : QWidget(parent), controlId_(controlId) {
    setWindowTitle(QStringLiteral("movie slider"));
    setCursor(Qt::ArrowCursor);
    resize(width(), Scaled(kInitialHeight, scale_));
}

bool CSkinSliderCtrl::SetPictures(int played, int remaining, int thumb, int thumbDragging,
                                  qreal devicePixelRatio) {
    ratio_ = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const QPixmap pictures[] = {
        LoadSkinBitmap(played, scale_, ratio_), LoadSkinBitmap(remaining, scale_, ratio_),
        LoadSkinBitmap(thumb, scale_, ratio_), LoadSkinBitmap(thumbDragging, scale_, ratio_)};
    bool all = true;
    QPixmap* targets[] = {&played_, &remaining_, &thumb_, &thumbDragging_};
    for (int i = 0; i < 4; ++i) {
        if (pictures[i].isNull()) {
            all = false;
        } else {
            *targets[i] = KeyOutBlack(pictures[i]);
        }
    }
    RecreateSurface();
    return all;
}

void CSkinSliderCtrl::SetPictureImages(const QPixmap& played, const QPixmap& remaining,
                                       const QPixmap& thumb, const QPixmap& thumbDragging) {
    played_ = KeyOutBlack(played);
    remaining_ = KeyOutBlack(remaining);
    thumb_ = KeyOutBlack(thumb);
    thumbDragging_ = KeyOutBlack(thumbDragging);
    ratio_ = thumb.isNull() ? 1.0 : thumb.devicePixelRatio();
    RecreateSurface();
}

QSize CSkinSliderCtrl::surfaceSize() const {
    return LogicalSize(surface_);
}

void CSkinSliderCtrl::RecreateSurface() {
    const int height = std::max(1, LogicalSize(thumb_).height());
    surface_ = QPixmap(qRound(Scaled(kSurfaceWidth, scale_) * ratio_), qRound(height * ratio_));
    surface_.setDevicePixelRatio(ratio_);
    surface_.fill(background_);
    update();
}

void CSkinSliderCtrl::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    update();
}

void CSkinSliderCtrl::SetPosition(int value) {
    position_ = value;
    repaint();
}

void CSkinSliderCtrl::SetInteractive(bool interactive) {
    interactive_ = interactive;
}

void CSkinSliderCtrl::SetBackground(const QColor& colour) {
    background_ = colour;
    update();
}

QRect CSkinSliderCtrl::thumbRect() const {
    const QSize thumb = LogicalSize(thumb_);
    const int left = SliderThumbLeft(width(), thumb.width(), minimum_, maximum_, position_);
    return {left, 0, thumb.width(), thumb.height()};
}

void CSkinSliderCtrl::DrawInto(QPainter& painter, int w) const {
    const double share = SliderPlayedShare(minimum_, maximum_, position_);
    const QSize played = LogicalSize(played_);
    const QSize remaining = LogicalSize(remaining_);
    const int playedWidth = static_cast<int>(std::trunc(w * share));
    DrawLeftPart(painter, played_, played.width() * share,
                 QRectF(0, 0, playedWidth, played.height()));
    DrawLeftPart(painter, remaining_, remaining.width() * (1.0 - share),
                 QRectF(playedWidth + 1, 0, std::trunc(w * (1.0 - share)) + 1, remaining.height()));
    const QPixmap& thumb = dragging_ ? thumbDragging_ : thumb_;
    if (!thumb.isNull()) {
        const QSize size = LogicalSize(thumb);
        const QRect target(thumbRect().left(), 0, size.width() + 1, size.height());
        painter.drawPixmap(target, thumb);
    }
}

void CSkinSliderCtrl::paintEvent(QPaintEvent*) {
    const int w = width();
    if (w == 0) {
        return;
    }
    const int h = height();
    if (surface_.isNull()) {
        QPainter painter(this);
        painter.fillRect(rect(), background_);
        DrawInto(painter, w);
        return;
    }
    const QSize surface = LogicalSize(surface_);
    {
        QPainter offscreen(&surface_);
        offscreen.fillRect(QRect(0, 0, std::min(w, surface.width()), surface.height()),
                           background_);
        offscreen.setRenderHint(QPainter::SmoothPixmapTransform);
        DrawInto(offscreen, w);
    }
    QPainter painter(this);
    if (h > surface.height()) {
        painter.fillRect(rect(), background_);
    }
    const QRect visible(0, 0, std::min(w, surface.width()), std::min(h, surface.height()));
    painter.drawPixmap(visible, surface_,
                       QRectF(0, 0, visible.width() * ratio_, visible.height() * ratio_));
}

bool CSkinSliderCtrl::InsideReach(int x) const {
    return x > -kReach && x < width() + kReach;
}

void CSkinSliderCtrl::TakeValueAt(int x) {
    if (const auto value = SliderValueAt(x, width(), minimum_, maximum_)) {
        dragPosition_ = *value;
    }
}

void CSkinSliderCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !interactive_) {
        return;
    }
    const int x = static_cast<int>(std::floor(event->position().x()));
    if (!InsideReach(x)) {
        return;
    }
    TakeValueAt(x);
    const QRect thumb = thumbRect();
    grabbedBeside_ =
        x < thumb.left() - kThumbMargin || x >= thumb.left() + thumb.width() + kThumbMargin;
    dragging_ = true;
    update();
    Q_EMIT buttonDown(controlId_, dragPosition_);
}

void CSkinSliderCtrl::mouseMoveEvent(QMouseEvent* event) {
    if (!interactive_) {
        dragging_ = false;
        return;
    }
    const int x = static_cast<int>(std::floor(event->position().x()));
    if (!dragging_ || !InsideReach(x) || maximum_ <= minimum_) {
        return;
    }
    TakeValueAt(x);
    Q_EMIT thumbMoved(controlId_, dragPosition_);
}

void CSkinSliderCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (!interactive_) {
        dragging_ = false;
        return;
    }
    if (dragging_) {
        dragging_ = false;
        update();
        Q_EMIT buttonUp(controlId_, dragPosition_);
    }
}

} // namespace kv
