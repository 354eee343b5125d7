#pragma once

#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTableView>

#include <vector>

namespace kv {

// Check state of a skinned list row, kept in its state-image index.
enum SkinRowState : int {
    kRowNone = 0,
    kRowOff = 1,    // empty box
    kRowOffHot = 2, // empty box under the mouse (light blue)
    kRowOn = 3,     // ticked box
};

// Model role that holds a row's SkinRowState, on the row's first column.
inline constexpr int kSkinRowStateRole = Qt::UserRole + 0x5301;

// The state a row takes when it is clicked: on becomes off, off (also under
// the mouse) becomes on, anything else off.
int ClickedRowState(int state);

// A list whose rows carry a three-value check state drawn from a state image
// strip (bitmap 217: empty, light blue, ticked). The row under the mouse shows
// the light blue box while it is off; a click on a row turns it on or off.
// Rows keep their state in the model (kSkinRowStateRole); lists over their own
// data override RowState and SetRowState.
class CSkinListCtrl : public QTableView {
    Q_OBJECT
public:
    explicit CSkinListCtrl(QWidget* parent = nullptr);

    // State images: frames of 12 × 12 (× scale) cut from bitmap bitmapId;
    // state index i shows frame i − 1. A missing bitmap keeps the old ones.
    bool SetStateImages(int bitmapId, double scale, qreal devicePixelRatio = 1.0);
    bool SetStateImageStrip(const QPixmap& strip, QSize frameSize);
    // The picture of a state index (null when there is none).
    QPixmap StateImage(int state) const;
    QSize stateImageSize() const { return stateImageSize_; }

    virtual int RowState(int row) const;
    virtual void SetRowState(int row, int state);

    // The row under the mouse (-1: none).
    int hotRow() const { return hotRow_; }

Q_SIGNALS:
    // Any change of a row's state index, also the hover ones.
    void rowStateChanged(int row, int oldState, int newState);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

    // The row at a viewport position (-1 outside every row).
    int RowAt(QPoint viewportPos) const;
    // Moves the hot row to the row at a viewport position.
    void TrackHotRow(QPoint viewportPos);
    // Applies a click at a viewport position.
    void ClickRowAt(QPoint viewportPos);

private:
    std::vector<QPixmap> stateImages_;
    QSize stateImageSize_;
    int hotRow_ = -1;
    int pressedRow_ = -1;
};

// Draws a row's state image at the left of the first column and the text
// after it. Installed by CSkinListCtrl; lists with their own row painting
// replace it.
class SkinStateDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit SkinStateDelegate(CSkinListCtrl* list);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    CSkinListCtrl* list_;
};

} // namespace kv
