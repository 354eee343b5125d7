#include "skin_progress_bar.h"

#include "ui_scale.h"
#include "ui_texts.h"

#include <QPainter>

#include <cmath>

namespace kv {

namespace {

constexpr int kBarHeight = 22;
constexpr int kTextHalfWidth = 50;

} // namespace

int ProgressFilledWidth(int width, int minimum, int maximum, int position) {
    const double range = static_cast<double>(maximum) - minimum;
    const double fraction = range < 1.0 ? 0.0 : position / range;
    return static_cast<int>(std::trunc(width * fraction));
}

CSkinProgressBarCtrl::CSkinProgressBarCtrl(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("progress bar"));
    resize(width(), barHeight());
}

void CSkinProgressBarCtrl::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    update();
}

void CSkinProgressBarCtrl::SetPosition(int position) {
    position_ = position;
    update();
}

void CSkinProgressBarCtrl::SetColours(const QColor& bar, const QColor& back) {
    bar_ = bar;
    back_ = back;
    update();
}

void CSkinProgressBarCtrl::SetUiScale(double scale) {
    scale_ = scale;
    update();
}

int CSkinProgressBarCtrl::barHeight() const {
    return Scaled(kBarHeight, scale_);
}

void CSkinProgressBarCtrl::DockBelow(QWidget* parent, const QWidget* reference) {
    if (parent == nullptr || reference == nullptr) {
        return;
    }
    const QPoint topLeft = reference->mapTo(parent->window(), QPoint(0, 0));
    const QPoint inParent = parent->mapFrom(parent->window(), topLeft);
    const int height = barHeight();
    const int bottom = inParent.y() + reference->height() - 1; // exclusive edge
    setGeometry(inParent.x(), bottom - height, reference->width(), height);
}

void CSkinProgressBarCtrl::paintEvent(QPaintEvent*) {
    const int w = width();
    if (w == 0) {
        return;
    }
    const int h = barHeight();
    const int filled = ProgressFilledWidth(w, minimum_, maximum_, position_);
    QPainter painter(this);
    const QRect barPart(0, 0, filled, h);
    const QRect rest(filled, 0, w - filled, h);
    painter.fillRect(barPart, bar_);
    painter.fillRect(rest, back_);

    const QString text =
        QString::asprintf(Text(UiText::ProgressFormat).toUtf8().constData(), position_);
    const int half = Scaled(kTextHalfWidth, scale_);
    const QRect box(w / 2 - half, 0, 2 * half, h);
    painter.setFont(font());
    painter.setClipRect(barPart);
    painter.setPen(back_);
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
    painter.setClipRect(rest);
    painter.setPen(bar_);
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
}

} // namespace kv
