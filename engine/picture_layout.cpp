#include "picture_layout.h"

#include <cmath>

namespace kv::engine {

namespace {

// Edges as the panel's rectangle has them: right and bottom exclusive.
struct Edges {
    int left, top, right, bottom;
};

int Trunc(float v) {
    return static_cast<int>(std::trunc(v));
}

} // namespace

std::optional<QRect> PlacePicture(const QRect& client, QSize native, bool keepAspect,
                                  const ViewZoom& zoom) {
    if (zoom.factor == 0.0f) {
        return std::nullopt;
    }
    Edges r{client.left(), client.top(), client.left() + client.width(),
            client.top() + client.height()};
    if (zoom.factor != 1.0f) {
        const float k = zoom.factor - 1.0f;
        const float w = static_cast<float>(client.width());
        const float h = static_cast<float>(client.height());
        if (w <= 0.0f || h <= 0.0f) {
            return std::nullopt;
        }
        const float ax = static_cast<float>(zoom.anchorX);
        const float ay = static_cast<float>(zoom.anchorY);
        r.right += Trunc((1.0f - ax / w) * w * k);
        r.left -= Trunc(ax / w * w * k);
        if (r.right < r.left) {
            return std::nullopt;
        }
        r.top -= Trunc(ay / h * h * k);
        r.bottom += Trunc((1.0f - ay / h) * h * k);
    }
    r.left += zoom.offsetX;
    r.right += zoom.offsetX;
    r.top += zoom.offsetY;
    r.bottom += zoom.offsetY;

    if (keepAspect && native.width() > 0 && native.height() > 0 && client.height() > 0) {
        const double a = static_cast<double>(native.width()) / native.height();
        const double panel = static_cast<double>(client.width()) / client.height();
        int w = r.right - r.left;
        int h = r.bottom - r.top;
        if (panel > a) {
            w = static_cast<int>(std::trunc(h * a));
        } else {
            h = static_cast<int>(std::trunc(w / a));
        }
        r = Edges{(r.left + r.right - w) / 2, (r.top + r.bottom - h) / 2,
                  (r.left + r.right + w) / 2, (r.top + r.bottom + h) / 2 + 1};
    }
    return QRect(QPoint(r.left, r.top), QSize(r.right - r.left, r.bottom - r.top));
}

} // namespace kv::engine
