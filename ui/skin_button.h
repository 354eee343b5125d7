#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <QRect>
#include <QSize>

#include <vector>

namespace kv {

// What the system would report about a button as it is drawn.
struct SkinItemState {
    bool grayed = false;
    bool disabled = false;
    bool selected = false; // the mouse button is down on it
    bool checked = false;  // the item carries the check flag
};

// Frames of a button skin strip.
enum SkinFrame : int {
    kFrameNormal = 0,
    kFrameHover = 1,
    kFramePressedOrOn = 2,
    kFrameDisabled = 3,
};

// The frame a skinned button draws for state, tested in this order: grayed
// 1, disabled 3, selected 2 (pressed becomes 1), checked or switchedOn 2,
// otherwise 0 (pressed becomes 0). pressed is left alone in the other cases.
int SkinButtonFrame(const SkinItemState& state, bool switchedOn, bool& pressed);

// The same choice for a check button, which keeps no pressed flag.
int SkinCheckButtonFrame(const SkinItemState& state, bool switchedOn);

// A push button drawn from a skin strip of four frames (normal, hover,
// pressed or on, disabled). It never takes the keyboard focus and swallows
// key presses, so only the mouse presses it. A click is reported with the
// control id the owner gave it.
class CSkinButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CSkinButton(int controlId, QWidget* parent = nullptr);

    int controlId() const { return controlId_; }

    // The frames become rect's size and are cut from bitmap bitmapId loaded at
    // scale (LoadSkinBitmap). A missing bitmap keeps the previous frames.
    // The button is not moved: the owner places it at rect. Returns whether
    // the bitmap was found.
    bool SetSkin(int bitmapId, const QRect& rect, double scale, qreal devicePixelRatio = 1.0);
    // The same with a strip the caller loaded (a null strip changes nothing).
    bool SetSkinStrip(const QPixmap& strip, QSize frameSize);

    int frameWidth() const { return frameSize_.width(); }
    int frameHeight() const { return frameSize_.height(); }
    int frameCount() const { return static_cast<int>(frames_.size()); }

    // Sticky on state set by the owner: frame 2 until cleared.
    bool switchedOn() const { return switchedOn_; }
    void SetSwitchedOn(bool on);
    // While suspended nothing is drawn.
    bool suspended() const { return suspended_; }
    void SetSuspended(bool suspended);
    // Set while the button is drawn pressed.
    bool pressed() const { return pressed_; }
    bool hovered() const { return hovered_; }

    // The frame the next paint draws (-1: nothing).
    int currentFrame() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void commandClicked(int controlId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    SkinItemState itemState() const;
    int ChooseFrame(bool& pressed) const;

    int controlId_;
    std::vector<QPixmap> frames_;
    QSize frameSize_;
    bool suspended_ = false;
    bool switchedOn_ = false;
    bool pressed_ = false;
    bool hovered_ = false;
};

// A check box or radio mark drawn from a strip of 12 × 12 frames, with its
// text to the right. The owner switches it on and off (SetSwitchedOn) or
// makes it checkable; both show frame 2.
class CSkinCheckButton : public QAbstractButton {
    Q_OBJECT
public:
    CSkinCheckButton(int controlId, const QString& text, QWidget* parent = nullptr);

    int controlId() const { return controlId_; }

    // Frames of 12 × 12 (× scale) cut from bitmap bitmapId (217 check box,
    // 327 radio mark). A missing bitmap keeps the previous frames.
    bool SetSkin(int bitmapId, double scale, qreal devicePixelRatio = 1.0);
    bool SetSkinStrip(const QPixmap& strip, double scale);

    double scale() const { return scale_; }
    int frameCount() const { return static_cast<int>(frames_.size()); }

    bool switchedOn() const { return switchedOn_; }
    void SetSwitchedOn(bool on);
    bool suspended() const { return suspended_; }
    void SetSuspended(bool suspended);

    // Where the frame is drawn: (0, 4), 12 × 12, scaled.
    QRect frameBox() const;
    // Where the text starts: the button's rectangle moved right by 16.
    QRect textBox() const;
    bool hoverInBox() const { return hoverInBox_; }

    int currentFrame() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void commandClicked(int controlId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    int controlId_;
    std::vector<QPixmap> frames_;
    double scale_ = 1.0;
    bool suspended_ = false;
    bool switchedOn_ = false;
    bool hoverInBox_ = false;
};

} // namespace kv
