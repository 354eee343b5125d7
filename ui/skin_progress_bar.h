#pragma once

#include <QColor>
#include <QWidget>

namespace kv {

// Width of the filled part of a progress bar W wide: int(W × position /
// (maximum − minimum)), 0 when the range is below 1. The position is not
// offset by the minimum.
int ProgressFilledWidth(int width, int minimum, int maximum, int position);

// The progress bar of the long file operations: a bar 22 high whose filled
// part grows from the left, with "N %" centred over it in two colours (the
// back colour on the bar, the bar colour on the rest). The owner writes the
// range and position and repaints; the owner also gives it the 10-point font.
class CSkinProgressBarCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CSkinProgressBarCtrl(QWidget* parent = nullptr);

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int position() const { return position_; }
    void SetRange(int minimum, int maximum);
    void SetPosition(int position);

    // Bar colour (default blue) and back colour (default white).
    void SetColours(const QColor& bar, const QColor& back);
    QColor barColour() const { return bar_; }
    QColor backColour() const { return back_; }

    void SetUiScale(double scale);
    double uiScale() const { return scale_; }
    int barHeight() const;

    // Places the bar along the bottom edge of reference, in parent's
    // coordinates: reference's width, 22 high, its bottom one pixel above
    // reference's bottom.
    void DockBelow(QWidget* parent, const QWidget* reference);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
    QColor bar_{0, 0, 255};
    QColor back_{255, 255, 255};
    double scale_ = 1.0;
};

} // namespace kv
