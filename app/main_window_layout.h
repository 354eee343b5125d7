#pragma once

#include "ui_scale.h"

#include <QRect>
#include <QSize>

#include <array>

// Where everything of the main window goes, for a window of a given size and
// UI scale S. Every design length is scaled on its own and truncated toward
// zero before it is added, so the sums match the window at any S.
namespace kv::app {

inline constexpr int kDesignWidth = 1120;
inline constexpr int kDesignHeight = 697;
inline constexpr int kToolButtonCount = 16;

struct MainWindowLayout {
    QRect mainVideo;      // the main video panel (656 × 371 at S = 1, design size)
    QRect positionSlider; // under the panel, 10 high
    QRect infoPanel;      // 105 high, 10 below the slider
    QRect graph;          // the rest down to the bottom strip
    QRect browserPane;    // the right-hand column
    QRect progressBar;    // over the bottom of the main video panel, 22 high
    std::array<QRect, kToolButtonCount> toolButtons;
    QRect volumeSlider;
    QRect closeButton; // caption buttons, top right
    QRect maximiseButton;
    QRect minimiseButton;
    QRect title;   // the window text
    QRect caption; // the strip the window is moved by
    // Satellites at their factors of 1, relative to the main window's top-left
    // corner: the second-camera window at the bottom of the right-hand column,
    // the map window at its top, ending where the second-camera window begins
    // (at most 452 x 393).
    QRect mapWindow;
    QRect secondWindow;
};

MainWindowLayout LayOutMainWindow(QSize window, const UiScale& s);

// Satellite windows and what fills them (inset 4 left, right and bottom, 20 at the top).
QSize MapWindowSize(const UiScale& s);    // 452 × 393
QSize SecondWindowSize(const UiScale& s); // 452 × 274
QRect SatelliteContent(QSize window, const UiScale& s);

// The UI scale after the window met a monitor whose work area is workAreaHeight
// high: when the work area is lower than the design height at scale, the scale
// shrinks by work area / window height; otherwise it returns to the saved one.
double FittedLayoutScale(double layoutScale, double savedLayoutScale, int workAreaHeight,
                         int windowHeight, double density);

} // namespace kv::app
