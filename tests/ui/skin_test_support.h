#pragma once

// Helpers of the skinned-control tests: synthetic skin strips with one flat
// colour per frame, and pixel reads of a rendered widget.

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <initializer_list>

namespace kv::test {

inline QPixmap FlatStrip(QSize frame, std::initializer_list<QColor> colours) {
    QImage image(frame.width() * static_cast<int>(colours.size()), frame.height(),
                 QImage::Format_ARGB32);
    int i = 0;
    for (const QColor& colour : colours) {
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width(); ++x) {
                image.setPixelColor(i * frame.width() + x, y, colour);
            }
        }
        ++i;
    }
    return QPixmap::fromImage(image);
}

inline QPixmap Flat(QSize size, const QColor& colour) {
    return FlatStrip(size, {colour});
}

// The widget drawn on an opaque background of the given colour.
inline QImage Render(QWidget& widget, const QColor& background = Qt::magenta) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(background);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

inline QColor At(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

} // namespace kv::test
