#include "logo_dialog.h"

#include "skin_bitmap.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace kv::playback {

CLogoDlg::CLogoDlg(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CLogoDlg::~CLogoDlg() = default;

int CLogoDlg::bitmapId() const {
    return offline_ ? skin::kLogoNoConnection : skin::kLogo;
}

void CLogoDlg::SetPicture(bool offline) {
    if (offline == offline_) {
        return;
    }
    offline_ = offline;
    update();
}

void CLogoDlg::SetShownMark(bool shown) {
    shownMark_ = shown;
    setVisible(shown);
}

QRect CLogoDlg::FitPicture(QSize client, QSize natural) {
    if (client.isEmpty() || natural.isEmpty()) {
        return {};
    }
    const double scale = std::min(static_cast<double>(client.width()) / natural.width(),
                                  static_cast<double>(client.height()) / natural.height());
    const QSize size = SkinTargetSize(natural, scale).boundedTo(client);
    return QRect(QPoint((client.width() - size.width()) / 2, (client.height() - size.height()) / 2),
                 size);
}

void CLogoDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const int id = bitmapId();
    const QString path = SkinResourcePath(id);
    const QRect place = FitPicture(size(), SkinImageSize(path));
    if (!place.isEmpty()) {
        if (cache_.isNull() || cacheId_ != id || cacheSize_ != place.size()) {
            const double scale = static_cast<double>(place.width()) / SkinImageSize(path).width();
            cache_ = LoadSkinImage(path, scale, devicePixelRatioF());
            cacheId_ = id;
            cacheSize_ = place.size();
        }
        painter.drawPixmap(place, cache_);
    }
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace kv::playback
