#pragma once

#include "resize_dialog.h"

#include <QFont>

class QAbstractButton;
class QPainter;

namespace kv {

// Grey of the title band.
inline constexpr QRgb kTitleBandColor = qRgb(128, 128, 128);

// Scales the dialog's direct children by S: each takes its width and height
// × S and its position in the dialog × S (each truncated). Grandchildren keep
// theirs. Dialogs laid out in design pixels call it once before placing their
// controls themselves.
void ScaleChildControls(QWidget* dialog, const UiScale& scale);

// The look shared by every secondary window: no system caption, a grey title
// band t(20) high with the window's icon and title, a skinned close button at
// the top right, and no keyboard: every key press aimed at the dialog or one
// of its controls is dropped (Enter and Escape do not end it, nothing can be
// typed). Such a dialog moves by its title band; with an outline window
// (satellite windows) it can also be resized, and then takes its new size when
// the button is released.
class CSkinDialog : public CResizeDialog {
    Q_OBJECT

public:
    // titleFont: the shared 10-point UI font.
    CSkinDialog(const UiScale& scale, const QFont& titleFont, QWidget* parent = nullptr);
    ~CSkinDialog() override;

    // The close button: t(13) × t(12) at (client right - t(20), t(4)), drawn
    // from skin bitmap 352. A click emits CommandIssued(commandId); each dialog
    // maps its id to its cancel action.
    QAbstractButton* CreateCloseButton(int commandId);
    QAbstractButton* CloseButton() const { return closeButton_; }

    // Fills the top t(20) rows grey and draws the title (after the icon when
    // the window has one of its own) in the title font.
    void PaintTitleBand(QPainter& painter);

    const QFont& TitleFont() const { return titleFont_; }
    // The title font after a change of the UI scale.
    void SetTitleFont(const QFont& font);

    // Leaves the edge drag and, unless it began in the title band, moves the
    // window onto trackRect.
    void ApplyTrackedRect() override;

Q_SIGNALS:
    void CommandIssued(int commandId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The window icon, fitted into the t(20) square at the band's left.
    void DrawCaptionIcon(QPainter& painter, const QIcon& icon);

    QFont titleFont_;
    QAbstractButton* closeButton_ = nullptr;
};

} // namespace kv
