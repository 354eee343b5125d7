#pragma once

#include "picture_layout.h"

#include <QPoint>
#include <QRect>
#include <QSize>

namespace kv {
class UiScale;
}

// The zoom state of one view (0 front, 1 rear) and the click-to-zoom
// arithmetic. The main window keeps one record per camera and hands the
// records to the engines' SetLayout.
namespace kv::playback {

struct ViewRecord {
    QRect panelRect;     // the panel's client rectangle at the last zoom click
    QPoint clickPoint;   // the last zoom click, panel client coordinates
    QPoint anchor;       // zoom centre for SetLayout
    QPoint offset;       // shift for SetLayout
    float factor = 1.0f; // the level in force when the last click was handled
    float level = 1.0f;  // the zoom factor for SetLayout (1 = none)
};

// No zoom: factor and level 1, no offset, the anchor at the centre of the
// view's pane. Record 0 (camera 0) uses half the main video pane's size; the
// others the second window's 16:9 picture: (b / 2, b × 9 / 32) with
// b = t(440) + 2 × t(6), (226, 127) at S = 1.
void ResetZoom(ViewRecord& record, int camera, QSize mainPane, const UiScale& scale);

// One zoom click at point in a panel whose client rectangle is panelClient and
// whose engine last placed its picture at pictureRect. The clicked spot of the
// picture becomes the anchor and stays under the cursor; the levels go 1, 2,
// 3 and back to 1 (ResetZoom with camera, mainPane and scale). Returns whether
// the layout changed and both engines must be laid out again; nothing changes
// beyond the stored point when the level is negative, nor beyond the stored
// point, factor and panel rectangle when the panel is empty.
bool ZoomClick(ViewRecord& record, QRect panelClient, QRect pictureRect, QPoint point, int camera,
               QSize mainPane, const UiScale& scale);

// After the views were switched: converts the record of the camera now in the
// main pane from second-pane into main-pane coordinates and the other the
// opposite way, for panels of the new sizes and a picture of nativePicture
// (the main view's engine's native size, else the second view's). The second
// pane is letterboxed by m = (its height - its width × picture height /
// picture width) / 2 above the picture. False, with nothing changed, without
// a picture size or a main panel width.
bool CarryZoom(ViewRecord& toMain, ViewRecord& toSecond, QSize newMainPanel, QSize newSecondPanel,
               QSize nativePicture);

// The record's zoom as SetLayout takes it.
engine::ViewZoom LayoutOf(const ViewRecord& record);

} // namespace kv::playback
