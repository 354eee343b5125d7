#pragma once

#include "info_skin.h"
#include "info_values.h"
#include "ui_fonts.h"
#include "ui_scale.h"

#include <QWidget>

#include <array>

class QPainter;

namespace kv {
class CSkinCheckButton;
struct SensorSample;
} // namespace kv

namespace kv::views {

// Command ids of the three axis buttons (X, Y, Z).
inline constexpr int kAxisButtonId = 38600;

// The strip under the video: date and time of the picture, the three
// accelerations, the speed, the recording's size and quality, a status mark,
// the GPS indicator, the playback-speed label and, for some recordings, the
// supply voltage. Its three check buttons switch the X, Y and Z curves of
// the graph. It also draws the bottom strip of full-screen mode and the
// corner indicator into the main window.
class CInfoDlg : public QWidget {
    Q_OBJECT

public:
    CInfoDlg(const UiScale& scale, const UiFonts& fonts, QWidget* parent = nullptr);
    ~CInfoDlg() override;

    void SetScale(const UiScale& scale, const UiFonts& fonts);

    // The fields the main window writes before it asks for a drawing.
    InfoState& state() { return state_; }
    const InfoState& state() const { return state_; }

    // Writes the frame and what its record says: the accelerations, status
    // mark, voltage, fix and speed (the speed of the linked GPS record when it
    // has a fix, else -1.0). Without a record: accelerations -5.0, no fix.
    void SetFrame(int frameIndex, const SensorSample* sample);

    // Back to the look of no recording, drawn at once.
    void Reset();
    // Draws the panel at once.
    void Draw();
    // Draws the panel into painter (panel coordinates).
    void Render(QPainter& painter);

    // 1.15 while the main window is maximised, else 1.0; moves the elements
    // and the axis buttons.
    void SetSpread(float spread);
    float spread() const { return spread_; }

    bool axisShown(int axis) const;
    // Sets a button's state without telling anyone (restoring a setting).
    void SetAxisShown(int axis, bool shown);
    CSkinCheckButton* AxisButton(int axis) const;

    // The full-screen bottom strip, drawn into the main window whose client
    // area is client: 30 high, its bottom 28 above the client's bottom, from
    // 545 right of its left edge to 160 before its right edge.
    void DrawFullScreenStrip(QPainter& mainPainter, const QRect& client);
    QRect FullScreenStripRect(const QRect& client) const;
    // Where "OFF" stands while the recorder's GPS setting is off: the GPS
    // icon's 60-wide slot (140 right of the kind icon), moved left when the
    // panel is too narrow for it.
    QRect GpsOffBox() const;
    // The corner indicator: 155 left of the right edge and 30 above the bottom.
    void DrawCornerIndicator(QPainter& mainPainter, const QRect& client);

Q_SIGNALS:
    // An axis button was clicked: axis 0, 1, 2 (X, Y, Z) is now shown or hidden.
    void axisSwitched(int axis, bool shown);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int X(double base) const; // a base x position × spread × S
    void PlaceButtons();
    void DrawDate(QPainter& p, const QRect& box);
    // "OFF" instead of the speed: the recording's telemetry says the
    // recorder's speed display was off.
    bool SpeedDisplayOff() const;
    void DrawSpeed(QPainter& p, const QRect& box, int unitWidth, int unitOffset,
                   const QRect& placeholderBox);
    void DrawAccelerations(QPainter& p);
    void DrawVoltage(QPainter& p);
    void DrawIcons(QPainter& p);
    // A placeholder text laid out whole in box, drawing only the characters
    // other than '-' and '0'; dim bars mark where the digits would be.
    void DrawPlaceholderText(QPainter& p, const QRect& box, const QString& text,
                             Qt::Alignment align, const QColor& colour);

    UiScale scale_;
    UiFonts fonts_;
    InfoSkin skin_;
    InfoState state_;
    float spread_ = 1.0f;
    std::array<CSkinCheckButton*, 3> buttons_{};
};

} // namespace kv::views
