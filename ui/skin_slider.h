#pragma once

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <optional>

namespace kv {

// Share of the bar drawn as played: position / (range + 1) with range =
// maximum − minimum; 0 when the range is negative.
double SliderPlayedShare(int minimum, int maximum, int position);

// Left edge of the thumb in a slider W wide: position × (W − thumb width) /
// (range + 1), in integers; 0 when the range is negative.
int SliderThumbLeft(int width, int thumbWidth, int minimum, int maximum, int position);

// The value under x in a slider W wide: x / (W / (range + 1)), truncated and
// clamped to minimum .. maximum. Nothing when that step is not positive.
std::optional<int> SliderValueAt(int x, int width, int minimum, int maximum);

// The position and volume sliders: a bar drawn from two pictures (played part
// and remaining part, each stretched from its left part) and a thumb picture
// (another one while dragging). Black in the pictures is transparent.
//
// The slider never moves itself: it reports the value under the mouse when the
// button goes down on it, while it is dragged and when the button is
// released, each with its control id; the owner seeks and calls SetPosition.
class CSkinSliderCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CSkinSliderCtrl(int controlId, QWidget* parent = nullptr);

    int controlId() const { return controlId_; }

    void SetUiScale(double scale) { scale_ = scale; }
    double uiScale() const { return scale_; }

    // Four skin bitmaps (played, remaining, thumb, thumb while dragging)
    // loaded at the UI scale, and the drawing surface (7680 × S wide, as high
    // as the thumb). False when one of them is missing (the others are kept).
    bool SetPictures(int played, int remaining, int thumb, int thumbDragging,
                     qreal devicePixelRatio = 1.0);
    // The same with pictures the caller made.
    void SetPictureImages(const QPixmap& played, const QPixmap& remaining, const QPixmap& thumb,
                          const QPixmap& thumbDragging);
    // A new drawing surface of the size for the current scale (after S
    // changed).
    void RecreateSurface();
    QSize surfaceSize() const;

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int position() const { return position_; }
    void SetRange(int minimum, int maximum);
    // Stores the position and repaints at once.
    void SetPosition(int value);

    // The value under the mouse during the last press or drag.
    int dragPosition() const { return dragPosition_; }
    bool dragging() const { return dragging_; }
    // The last press started outside the thumb (widened by 10 on each side).
    bool grabbedBeside() const { return grabbedBeside_; }

    // While not interactive the mouse changes nothing and reports nothing.
    bool interactive() const { return interactive_; }
    void SetInteractive(bool interactive);

    // Colour under the transparent parts of the pictures.
    void SetBackground(const QColor& colour);

    // The thumb's rectangle for the current position.
    QRect thumbRect() const;

Q_SIGNALS:
    void thumbMoved(int controlId, int value); // while dragging
    void buttonDown(int controlId, int value); // the button went down on the slider
    void buttonUp(int controlId, int value);   // the button was released after a drag

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void DrawInto(QPainter& painter, int width) const;
    bool InsideReach(int x) const;
    void TakeValueAt(int x);

    int controlId_;
    double scale_ = 1.0;
    qreal ratio_ = 1.0;
    QPixmap played_;
    QPixmap remaining_;
    QPixmap thumb_;
    QPixmap thumbDragging_;
    QPixmap surface_;
    QColor background_{0, 0, 0};
    int minimum_ = 0;
    int maximum_ = 0;
    int position_ = 0;
    int dragPosition_ = 0;
    bool dragging_ = false;
    bool grabbedBeside_ = false;
    bool interactive_ = true;
};

} // namespace kv
