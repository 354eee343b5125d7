#pragma once

#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace kv {

// Logical density of a screen: its horizontal logical DPI / 96 (D). Qt already
// maps device pixels to logical ones, so on a scaled desktop this stays 1 and
// only a desktop that reports a larger logical DPI makes it grow.
double DensityFromDpi(double horizontalLogicalDpi);
double DensityOf(const QScreen* screen);

// A design length in pixels on screen: length × scale, truncated toward zero.
// Products that miss an integer only by floating-point representation error
// (1.1 × 100) count as that integer.
int Scaled(double length, double scale);

// The UI scale S = layout scale × D. Every length the windows use is a design
// length multiplied by S and truncated toward zero; where a rectangle or a sum
// is made of several lengths, each term is scaled on its own.
class UiScale {
public:
    UiScale() = default;
    UiScale(double layoutScale, double density);

    // S for the screen the widget is on (the primary screen when it has none).
    static UiScale ForWidget(const QWidget* widget, double layoutScale = 1.0);
    static UiScale ForScreen(const QScreen* screen, double layoutScale = 1.0);

    double factor() const { return layoutScale_ * density_; } // S
    double density() const { return density_; }               // D
    double layoutScale() const { return layoutScale_; }

    // The same density with another layout scale (a monitor whose work area is
    // too low shrinks the layout, not the density).
    UiScale withLayoutScale(double layoutScale) const { return {layoutScale, density_}; }

    int operator()(double length) const { return Scaled(length, factor()); }
    QSize size(double width, double height) const;
    QRect rect(double left, double top, double width, double height) const;

    bool operator==(const UiScale&) const = default;

private:
    double layoutScale_ = 1.0;
    double density_ = 1.0;
};

} // namespace kv
