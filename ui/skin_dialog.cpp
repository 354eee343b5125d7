#include "skin_dialog.h"

#include "skin_bitmap.h"
#include "skin_button.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>

namespace kv {

void ScaleChildControls(QWidget* dialog, const UiScale& scale) {
    const double s = scale.factor();
    const QList<QWidget*> children = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (child->isWindow()) {
            continue;
        }
        const QRect g = child->geometry();
        child->setGeometry(Scaled(g.x(), s), Scaled(g.y(), s), Scaled(g.width(), s),
                           Scaled(g.height(), s));
        child->update();
    }
}

CSkinDialog::CSkinDialog(const UiScale& scale, const QFont& titleFont, QWidget* parent)
    : CResizeDialog(scale, parent), titleFont_(titleFont) {
    setFont(titleFont_);
    // Key presses for this dialog and its controls are dropped before any
    // widget or shortcut sees them.
    qApp->installEventFilter(this);
}

CSkinDialog::~CSkinDialog() {
    qApp->removeEventFilter(this);
}

QAbstractButton* CSkinDialog::CreateCloseButton(int commandId) {
    const UiScale& t = Scale();
    delete closeButton_;
    const QRect place(width() - t(20), t(4), t(13), t(12));
    auto* button = new CSkinButton(commandId, this);
    button->setGeometry(place);
    button->SetSkin(skin::kCloseButton, place, t.factor(), devicePixelRatioF());
    connect(button, &QAbstractButton::clicked, this,
            [this, commandId] { Q_EMIT CommandIssued(commandId); });
    button->show();
    closeButton_ = button;
    return closeButton_;
}

void CSkinDialog::PaintTitleBand(QPainter& painter) {
    const UiScale& t = Scale();
    painter.save();
    painter.fillRect(QRect(0, 0, width(), t(20)), QColor(kTitleBandColor));
    int textLeft = t(5);
    // Only an icon set on this window counts, not the application's.
    if (testAttribute(Qt::WA_SetWindowIcon) && !windowIcon().isNull()) {
        DrawCaptionIcon(painter, windowIcon());
        textLeft = t(21);
    }
    painter.setFont(titleFont_);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::TransparentMode);
    const QString title = windowTitle().left(259);
    const int top = t(1);
    painter.drawText(QRect(textLeft, top, width() - textLeft, t(100)),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title);
    painter.restore();
}

void CSkinDialog::SetTitleFont(const QFont& font) {
    titleFont_ = font;
    update();
}

void CSkinDialog::DrawCaptionIcon(QPainter& painter, const QIcon& icon) {
    const UiScale& t = Scale();
    icon.paint(&painter, QRect(0, 0, t(20), t(20)));
}

void CSkinDialog::ApplyTrackedRect() {
    edge = DragEdge::None;
    if (zone != kZoneTitle) {
        setGeometry(trackRect.ToQRect());
        update();
    }
}

bool CSkinDialog::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::ShortcutOverride) && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget == this || isAncestorOf(widget)) {
            // An accepted override keeps shortcuts from firing; the key
            // press itself then reaches no one.
            event->accept();
            return true;
        }
    }
    return CResizeDialog::eventFilter(watched, event);
}

void CSkinDialog::mouseReleaseEvent(QMouseEvent* event) {
    CResizeDialog::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        FinishTrackingAt(event->globalPosition().toPoint());
    }
}

void CSkinDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintTitleBand(painter);
}

} // namespace kv
