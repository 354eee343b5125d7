#include "skin_list_ctrl.h"

#include "skin_bitmap.h"
#include "ui_scale.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace kv {

namespace {

constexpr int kStateImageSide = 12;
constexpr int kStateImageGap = 4;

} // namespace

int ClickedRowState(int state) {
    switch (state) {
    case kRowOn:
        return kRowOff;
    case kRowOff:
    case kRowOffHot:
        return kRowOn;
    default:
        return kRowOff;
    }
}

CSkinListCtrl::CSkinListCtrl(QWidget* parent) : QTableView(parent) {
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setItemDelegateForColumn(0, new SkinStateDelegate(this));
    verticalHeader()->hide();
}

bool CSkinListCtrl::SetStateImages(int bitmapId, double scale, qreal devicePixelRatio) {
    const int side = Scaled(kStateImageSide, scale);
    return SetStateImageStrip(LoadSkinBitmap(bitmapId, scale, devicePixelRatio), QSize(side, side));
}

bool CSkinListCtrl::SetStateImageStrip(const QPixmap& strip, QSize frameSize) {
    if (strip.isNull()) {
        return false;
    }
    stateImages_ = CutFrames(strip, frameSize);
    stateImageSize_ = frameSize;
    viewport()->update();
    return true;
}

QPixmap CSkinListCtrl::StateImage(int state) const {
    const int frame = state - 1;
    if (frame < 0 || frame >= static_cast<int>(stateImages_.size())) {
        return {};
    }
    return stateImages_[frame];
}

int CSkinListCtrl::RowState(int row) const {
    if (model() == nullptr || row < 0 || row >= model()->rowCount()) {
        return kRowNone;
    }
    return model()->index(row, 0).data(kSkinRowStateRole).toInt();
}

void CSkinListCtrl::SetRowState(int row, int state) {
    if (model() == nullptr || row < 0 || row >= model()->rowCount()) {
        return;
    }
    const int old = RowState(row);
    if (old == state) {
        return;
    }
    model()->setData(model()->index(row, 0), state, kSkinRowStateRole);
    Q_EMIT rowStateChanged(row, old, state);
}

int CSkinListCtrl::RowAt(QPoint viewportPos) const {
    if (!viewport()->rect().contains(viewportPos)) {
        return -1;
    }
    return rowAt(viewportPos.y());
}

void CSkinListCtrl::TrackHotRow(QPoint viewportPos) {
    if (hotRow_ >= 0 && RowState(hotRow_) == kRowOffHot) {
        SetRowState(hotRow_, kRowOff);
    }
    hotRow_ = RowAt(viewportPos);
    if (hotRow_ >= 0 && RowState(hotRow_) == kRowOff) {
        SetRowState(hotRow_, kRowOffHot);
    }
}

void CSkinListCtrl::ClickRowAt(QPoint viewportPos) {
    // A click comes where the mouse last moved; tracking it first settles the
    // previous hot row as that move would have.
    TrackHotRow(viewportPos);
    if (hotRow_ >= 0) {
        SetRowState(hotRow_, ClickedRowState(RowState(hotRow_)));
    }
}

void CSkinListCtrl::mouseMoveEvent(QMouseEvent* event) {
    TrackHotRow(event->position().toPoint());
    QTableView::mouseMoveEvent(event);
}

bool CSkinListCtrl::viewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::Leave:
        TrackHotRow(QPoint(-1, -1));
        break;
    case QEvent::MouseButtonPress:
        pressedRow_ = RowAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    default:
        break;
    }
    return QTableView::viewportEvent(event);
}

void CSkinListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const bool click =
        event->button() == Qt::LeftButton && pressedRow_ >= 0 && pressedRow_ == RowAt(pos);
    pressedRow_ = -1;
    QTableView::mouseReleaseEvent(event);
    if (click) {
        ClickRowAt(pos);
    }
}

// ---------------------------------------------------------------------------

SkinStateDelegate::SkinStateDelegate(CSkinListCtrl* list)
    : QStyledItemDelegate(list), list_(list) {}

void SkinStateDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const QPixmap image = list_->StateImage(list_->RowState(index.row()));
    const QSize side = list_->stateImageSize();
    if (image.isNull() || side.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem textOption = option;
    const int gap = side.width() / 3 > 0 ? side.width() / 3 : kStateImageGap;
    textOption.rect.setLeft(option.rect.left() + side.width() + 2 * gap);
    // The row's background spans the state image too.
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter, widget);
    const QPoint at(option.rect.left() + gap,
                    option.rect.top() + (option.rect.height() - side.height()) / 2);
    painter->drawPixmap(QRect(at, side), image);
    QStyledItemDelegate::paint(painter, textOption, index);
}

QSize SkinStateDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    QSize hint = QStyledItemDelegate::sizeHint(option, index);
    const QSize side = list_->stateImageSize();
    hint.rwidth() += side.width() + 2 * kStateImageGap;
    hint.setHeight(std::max(hint.height(), side.height() + 2));
    return hint;
}

} // namespace kv
