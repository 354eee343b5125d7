#include "ui_scale.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

// Relative tolerance for products such as 1.1 × 100 = 110.00000000000001 or
// 0.29 × 100 = 28.999999999999996.
constexpr double kRepresentationSlack = 1e-9;

} // namespace

double DensityFromDpi(double horizontalLogicalDpi) {
    if (!(horizontalLogicalDpi > 0.0)) {
        return 1.0;
    }
    return horizontalLogicalDpi / 96.0;
}

double DensityOf(const QScreen* screen) {
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return 1.0;
    }
    return DensityFromDpi(screen->logicalDotsPerInchX());
}

int Scaled(double length, double scale) {
    const double product = length * scale;
    const double nearest = std::round(product);
    if (std::abs(product - nearest) <= kRepresentationSlack * std::max(1.0, std::abs(product))) {
        return static_cast<int>(nearest);
    }
    return static_cast<int>(std::trunc(product));
}

UiScale::UiScale(double layoutScale, double density)
    : layoutScale_(layoutScale), density_(density) {}

UiScale UiScale::ForWidget(const QWidget* widget, double layoutScale) {
    if (widget == nullptr) {
        return ForScreen(nullptr, layoutScale);
    }
    return {layoutScale, DensityFromDpi(widget->logicalDpiX())};
}

UiScale UiScale::ForScreen(const QScreen* screen, double layoutScale) {
    return {layoutScale, DensityOf(screen)};
}

QSize UiScale::size(double width, double height) const {
    return {(*this)(width), (*this)(height)};
}

QRect UiScale::rect(double left, double top, double width, double height) const {
    return {(*this)(left), (*this)(top), (*this)(width), (*this)(height)};
}

} // namespace kv
