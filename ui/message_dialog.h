#pragma once

#include "skin_dialog.h"

#include <QRect>
#include <QSize>
#include <QString>

class QFontMetrics;
class QLabel;
class QPushButton;

namespace kv {

// Button sets of the message dialog.
enum MessageStyle : int {
    kMessageOk = 0,       // OK alone
    kMessageOkCancel = 1, // OK and Cancel
    kMessageYesNo = 4,    // "はい" and "いいえ"
};

// What the message dialog returns.
enum MessageAnswer : int {
    kAnswerOk = 1,     // OK or "はい"
    kAnswerCancel = 2, // Cancel or "いいえ"
};

// Width and height of a text drawn line by line: the text is cut at each
// "\n" (a "\r" before it stays in its line, a final "\n" adds no line); the
// width is that of the widest line, the height the sum of the line heights.
// An empty text measures (0, 0).
QSize MeasureLines(const QString& text, const QFontMetrics& metrics);

// Where everything of a message dialog goes, in its client coordinates.
struct MessageLayout {
    QSize window;
    QRect text; // the message text: from (t(40), t(30)) to the text box's far edges
    QRect ok;
    QRect cancel;
    bool okShown = true;
    bool cancelShown = true;
};

// The layout for a message whose lines measure textExtent (MeasureLines, in
// the font they are drawn in). The text box is the extent with t(40) on either
// side and t(30) above and below; the window is as wide as the text box (but
// at least wide enough for its buttons with t(15) around each) and t(60) +
// t(20) higher. The button box is t(100) × t(30), t(15) from the window's
// right and bottom edges: OK alone takes it (style 0); with two buttons
// Cancel takes it and OK sits t(15) to its left. Other styles keep both
// buttons where the two-button layout puts them.
MessageLayout LayoutMessage(QSize textExtent, int style, const UiScale& scale);

// Top-left corner of a window of size centred on the rectangle of its owner
// (integer halves truncated toward zero).
QPoint CentreOn(const WinRect& owner, QSize size);

// The modal message dialog: the message in a white area under the grey title
// band, the buttons in the strip below. No close button; keys do nothing, so
// only the buttons end it.
class CMsgDlg : public CSkinDialog {
    Q_OBJECT

public:
    // font: the shared 10-point UI font. owner: the window the dialog is
    // centred on (the primary screen when null).
    CMsgDlg(const UiScale& scale, const QFont& font, QWidget* owner);
    ~CMsgDlg() override;

    // Applies the members below: fonts, title, text, size and place, and the
    // buttons for buttonStyle. Runs before the dialog is shown.
    void InitDialog();

    const MessageLayout& Layout() const { return layout_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    QLabel* TextLabel() const { return text_; }

    // Ends the dialog with kAnswerCancel (closing the window counts as
    // Cancel).
    void reject() override;

    QString messageText;
    QString captionText;
    int buttonStyle = kMessageOk;
    QWidget* owner = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* text_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    MessageLayout layout_;
};

} // namespace kv
