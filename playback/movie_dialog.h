#pragma once

#include "skin_dialog.h"
#include "ui_texts.h"

#include <QPointer>
#include <QRect>

namespace kv::playback {

// Grey of the frame around a satellite window.
inline constexpr QRgb kMovieFrameColor = qRgb(0x8F, 0x8F, 0x8F);

// Command id of a satellite window's close button.
inline constexpr int kMovieCloseCommand = 23;

// A satellite window: the second-camera window and the map window. No system
// border; a grey frame t(4) wide inside the edges, the title band and a close
// button. The owner sets the placement name, the base size and the outline
// (CResizeDialog) and listens to the signals, which are all queued.
class CMovieDialog : public CSkinDialog {
    Q_OBJECT

public:
    // titleFont: the shared 10-point UI font.
    CMovieDialog(const UiScale& scale, const QFont& titleFont, QWidget* parent = nullptr);
    ~CMovieDialog() override;

    // The title from the UI text table; the window is drawn again.
    void SetTitle(UiText text);

    // A child kept inset t(4) on the left, right and bottom and t(20) at the
    // top whenever the window changes size (the video panel, the map). A
    // hidden window is told of its new size only when it is shown;
    // PlaceContent places the child at once.
    void SetContent(QWidget* content);
    QWidget* Content() const { return content_; }
    QRect ContentRect() const;
    void PlaceContent();

Q_SIGNALS:
    void painted();
    void captionDoubleClicked();
    void resizedWhileVisible();
    // A move by the title band or a resize by an edge ended.
    void dragEnded();
    // The close button hid the window.
    void closedByButton();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void PlaceCloseButton();

    QPointer<QWidget> content_;
    int pressZone_ = kZoneNone; // where the last left press began
};

} // namespace kv::playback
