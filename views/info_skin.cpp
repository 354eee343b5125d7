#include "info_skin.h"

#include "ui_scale.h"
#include "ui_texts.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kv::views {

namespace {

QPixmap Blank(double scale, int width, int height) {
    QPixmap pixmap(std::max(1, Scaled(width, scale)), std::max(1, Scaled(height, scale)));
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QFont IconFont(double scale, int pixels, bool bold = true) {
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(std::max(6, Scaled(pixels, scale)));
    font.setBold(bold);
    return font;
}

// Dim bars where digits would stand.
QPixmap DigitBars(double scale, int digits, int width, int height) {
    QPixmap pixmap = Blank(scale, width, height);
    QPainter p(&pixmap);
    const double w = pixmap.width() / static_cast<double>(digits);
    const double barHeight = std::max(2.0, 2.0 * scale);
    const double y = pixmap.height() / 2.0 - barHeight / 2.0;
    for (int i = 0; i < digits; ++i) {
        p.fillRect(QRectF(i * w + w * 0.18, y, w * 0.64, barHeight), QColor(110, 118, 128));
    }
    return pixmap;
}

QPixmap KindIcon(double scale, const QString& size, QChar quality) {
    QPixmap pixmap = Blank(scale, 60, 20);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(pixmap.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(170, 180, 190), std::max(1.0, scale)));
    p.setBrush(QColor(30, 36, 44));
    p.drawRoundedRect(box, 3 * scale, 3 * scale);
    const double split = quality.isNull() ? box.right() : box.left() + box.width() * 0.68;
    p.setPen(Qt::white);
    p.setFont(IconFont(scale, 13));
    p.drawText(QRectF(box.left(), box.top(), split - box.left(), box.height()), Qt::AlignCenter,
               size);
    if (!quality.isNull()) {
        const QRectF badge(split, box.top() + 2 * scale, box.right() - split - 2 * scale,
                           box.height() - 4 * scale);
        p.setPen(Qt::NoPen);
        p.setBrush(quality == QLatin1Char('H') ? QColor(59, 142, 234) : QColor(120, 128, 138));
        p.drawRoundedRect(badge, 2 * scale, 2 * scale);
        p.setPen(Qt::white);
        p.setFont(IconFont(scale, 11));
        p.drawText(badge, Qt::AlignCenter, QString(quality));
    }
    return pixmap;
}

QPixmap StatusMark(double scale, int which) {
    QPixmap pixmap = Blank(scale, 20, 20);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF circle =
        QRectF(pixmap.rect()).adjusted(2 * scale, 2 * scale, -2 * scale, -2 * scale);
    switch (which) {
    case 0: // recording
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 30, 30));
        p.drawEllipse(circle);
        break;
    case 1: // recording paused
        p.setPen(QPen(QColor(230, 30, 30), std::max(1.5, 2 * scale)));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(circle.adjusted(scale, scale, -scale, -scale));
        break;
    default:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(90, 98, 108));
        p.drawEllipse(circle);
        break;
    }
    return pixmap;
}

QPixmap GpsIcon(double scale) {
    QPixmap pixmap = Blank(scale, 40, 20);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(pixmap.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 170, 80));
    p.drawRoundedRect(box, 3 * scale, 3 * scale);
    p.setPen(Qt::white);
    p.setFont(IconFont(scale, 12));
    p.drawText(box, Qt::AlignCenter, QStringLiteral("GPS"));
    return pixmap;
}

} // namespace

InfoSkin MakeInfoSkin(double scale) {
    InfoSkin skin;

    skin.background = QPixmap(std::max(1, Scaled(800, scale)), std::max(1, Scaled(105, scale)));
    {
        QPainter p(&skin.background);
        QLinearGradient fill(0, 0, 0, skin.background.height());
        fill.setColorAt(0.0, QColor(34, 40, 48));
        fill.setColorAt(1.0, QColor(18, 22, 27));
        p.fillRect(skin.background.rect(), fill);
        p.setPen(QColor(58, 67, 78));
        p.drawLine(0, 0, skin.background.width() - 1, 0);
        p.drawLine(0, Scaled(35, scale), skin.background.width() - 1, Scaled(35, scale));
    }

    skin.speedPlaceholder = DigitBars(scale, 3, 36, 21);
    skin.voltagePlaceholder = DigitBars(scale, 2, 24, 21);

    const std::array<std::pair<UiText, char>, 12> kinds = {{
        {UiText::SizeSd, 'H'},
        {UiText::SizeSd, 'L'},
        {UiText::SizeHd, 'H'},
        {UiText::SizeHd, 'L'},
        {UiText::SizeFhd, 'H'},
        {UiText::SizeFhd, 'L'},
        {UiText::SizeWqhd, 'H'},
        {UiText::SizeWqhd, 'L'},
        {UiText::Size3m, 'H'},
        {UiText::Size3m, 'L'},
        {UiText::SizeHd, 0},
        {UiText::SizeFhd, 0},
    }};
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        skin.kindIcons[i] =
            KindIcon(scale, Text(kinds[i].first),
                     kinds[i].second ? QChar(QLatin1Char(kinds[i].second)) : QChar());
    }
    for (int i = 0; i < 3; ++i) {
        skin.statusMarks[static_cast<std::size_t>(i)] = StatusMark(scale, i);
    }
    skin.gpsIcon = GpsIcon(scale);

    skin.stripBackground = QPixmap(std::max(3, Scaled(30, scale)), std::max(3, Scaled(30, scale)));
    skin.stripBackground.fill(Qt::transparent);
    {
        QPainter p(&skin.stripBackground);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(120, 130, 140), 1));
        p.setBrush(QColor(10, 12, 15, 210));
        p.drawRoundedRect(QRectF(skin.stripBackground.rect()).adjusted(0.5, 0.5, -0.5, -0.5),
                          6 * scale, 6 * scale);
    }

    skin.cornerIndicator = Blank(scale, 30, 20);
    {
        QPainter p(&skin.cornerIndicator);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(200, 205, 210), std::max(1.0, 1.5 * scale)));
        const double w = skin.cornerIndicator.width();
        const double h = skin.cornerIndicator.height();
        // A screen with arrows to its corners: the full-screen switch.
        p.drawRect(QRectF(w * 0.2, h * 0.2, w * 0.6, h * 0.6));
        p.drawLine(QPointF(w * 0.05, h * 0.05), QPointF(w * 0.2, h * 0.2));
        p.drawLine(QPointF(w * 0.95, h * 0.95), QPointF(w * 0.8, h * 0.8));
    }
    return skin;
}

} // namespace kv::views
