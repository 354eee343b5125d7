#include "movie_dialog.h"

#include <QAbstractButton>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>

namespace kv::playback {

CMovieDialog::CMovieDialog(const UiScale& scale, const QFont& titleFont, QWidget* parent)
    : CSkinDialog(scale, titleFont, parent) {
    CreateCloseButton(kMovieCloseCommand);
    connect(this, &CSkinDialog::CommandIssued, this, [this](int command) {
        if (command != kMovieCloseCommand) {
            return;
        }
        hide();
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT closedByButton(); }, Qt::QueuedConnection);
    });
}

CMovieDialog::~CMovieDialog() = default;

void CMovieDialog::SetTitle(UiText text) {
    setWindowTitle(Text(text));
    update();
}

void CMovieDialog::SetContent(QWidget* content) {
    content_ = content;
    if (content_ != nullptr) {
        if (content_->parentWidget() != this) {
            content_->setParent(this);
        }
        PlaceContent();
        content_->show();
    }
}

QRect CMovieDialog::ContentRect() const {
    const UiScale& t = Scale();
    return QRect(QPoint(t(4), t(20)), QPoint(width() - t(4) - 1, height() - t(4) - 1));
}

void CMovieDialog::PlaceContent() {
    if (content_ != nullptr) {
        content_->setGeometry(ContentRect());
    }
}

void CMovieDialog::PlaceCloseButton() {
    const UiScale& t = Scale();
    if (QAbstractButton* button = CloseButton()) {
        button->setGeometry(width() - t(20), t(4), t(13), t(12));
    }
}

void CMovieDialog::paintEvent(QPaintEvent*) {
    const UiScale& t = Scale();
    {
        QPainter painter(this);
        // A pen 2 × t(4) wide centred on the window's edges: t(4) of it shows.
        QPen pen{QColor(kMovieFrameColor)};
        pen.setWidth(2 * t(4));
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(0, 0, width(), height()));
        PaintTitleBand(painter);
    }
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT painted(); }, Qt::QueuedConnection);
}

void CMovieDialog::resizeEvent(QResizeEvent* event) {
    CSkinDialog::resizeEvent(event);
    PlaceCloseButton();
    PlaceContent();
    if (isVisible()) {
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT resizedWhileVisible(); }, Qt::QueuedConnection);
    }
}

void CMovieDialog::mousePressEvent(QMouseEvent* event) {
    CSkinDialog::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) {
        pressZone_ = zone;
    }
}

void CMovieDialog::mouseReleaseEvent(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    const int dragZone = pressZone_;
    CSkinDialog::mouseReleaseEvent(event);
    if (left) {
        pressZone_ = kZoneNone;
        if (dragZone == kZoneTitle || IsEdgeZone(dragZone)) {
            QMetaObject::invokeMethod(
                this, [this] { Q_EMIT dragEnded(); }, Qt::QueuedConnection);
        }
    }
}

void CMovieDialog::mouseDoubleClickEvent(QMouseEvent* event) {
    CSkinDialog::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton &&
        HitZoneAt(event->globalPosition().toPoint()) == kZoneTitle) {
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT captionDoubleClicked(); }, Qt::QueuedConnection);
    }
}

} // namespace kv::playback
