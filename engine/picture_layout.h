#pragma once

#include <QRect>
#include <QSize>

#include <optional>

// Where a video picture goes in its panel: zoomed about an anchor point,
// moved by an offset, and fitted to the picture's aspect ratio.
namespace kv::engine {

struct ViewZoom {
    float factor = 1.0f; // 1 = no zoom
    int anchorX = 0;     // relative to the panel's client origin
    int anchorY = 0;
    int offsetX = 0;
    int offsetY = 0;
};

// The picture rectangle for a panel client area; nothing when the zoom cannot
// be applied (factor 0, or a rectangle turned inside out).
// keepAspect: aspect mode 1 (fit the native size's ratio); otherwise stretch.
std::optional<QRect> PlacePicture(const QRect& client, QSize native, bool keepAspect,
                                  const ViewZoom& zoom);

} // namespace kv::engine
