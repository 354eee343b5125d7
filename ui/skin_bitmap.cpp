#include "skin_bitmap.h"

#include "ui_scale.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace kv {

namespace {

bool IsSvg(const QString& path) {
    return path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
}

QPixmap RenderSvg(const QString& path, QSize target, qreal ratio) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return {};
    }
    QImage image(QSize(qRound(target.width() * ratio), qRound(target.height() * ratio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    }
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(std::move(image));
}

QPixmap ScaleRaster(const QString& path, QSize target, qreal ratio) {
    QImage image(path);
    if (image.isNull()) {
        return {};
    }
    const QSize device(qRound(target.width() * ratio), qRound(target.height() * ratio));
    if (image.size() != device) {
        image = image.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(std::move(image));
}

} // namespace

QString SkinResourcePath(int id) {
    for (const char* suffix : {".svg", ".png"}) {
        const QString path = QStringLiteral(":/skin/%1%2").arg(id).arg(QLatin1String(suffix));
        if (QFile::exists(path)) {
            return path;
        }
    }
    return {};
}

QSize SkinImageSize(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    if (IsSvg(path)) {
        QSvgRenderer renderer(path);
        return renderer.isValid() ? renderer.defaultSize() : QSize();
    }
    QImageReader reader(path);
    return reader.size();
}

QSize SkinTargetSize(QSize natural, double scale) {
    const int w = natural.width();
    const int h = natural.height();
    if (w <= 0 || h <= 0) {
        return {};
    }
    const int height = Scaled(h, scale);
    const int width = w % h == 0 ? (w / h) * height : Scaled(w, scale);
    return {width, height};
}

QPixmap LoadSkinImage(const QString& path, double scale, qreal devicePixelRatio) {
    const QSize target = SkinTargetSize(SkinImageSize(path), scale);
    if (target.isEmpty()) {
        return {};
    }
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    return IsSvg(path) ? RenderSvg(path, target, ratio) : ScaleRaster(path, target, ratio);
}

QPixmap LoadSkinBitmap(int id, double scale, qreal devicePixelRatio) {
    const QString path = SkinResourcePath(id);
    if (path.isEmpty()) {
        return {};
    }
    return LoadSkinImage(path, scale, devicePixelRatio);
}

QSize LogicalSize(const QPixmap& pixmap) {
    return pixmap.deviceIndependentSize().toSize();
}

std::vector<QPixmap> CutFrames(const QPixmap& strip, QSize frameSize) {
    std::vector<QPixmap> frames;
    if (strip.isNull() || frameSize.isEmpty()) {
        return frames;
    }
    const qreal ratio = strip.devicePixelRatio();
    const QSize logical = LogicalSize(strip);
    const int count = logical.width() / frameSize.width();
    for (int i = 0; i < count; ++i) {
        const QRect source(qRound(i * frameSize.width() * ratio), 0,
                           qRound(frameSize.width() * ratio), qRound(frameSize.height() * ratio));
        QPixmap frame = strip.copy(source);
        frame.setDevicePixelRatio(ratio);
        frames.push_back(std::move(frame));
    }
    return frames;
}

} // namespace kv
