#pragma once

#include "ui_scale.h"

#include <QFont>
#include <QMenu>
#include <QString>

#include <vector>

// The video menu that a right click in a video panel opens: its items in each
// state of the viewer, and the owner-drawn menu that shows them.
namespace kv::playback {

struct VideoMenuItem {
    int id = 0; // 0: separator
    QString text;
    bool enabled = true;
    bool checked = false;
    bool separator() const { return id == 0; }
};

struct VideoMenuInputs {
    int playState = 0;       // the telemetry engine's; Closed gives no menu
    bool fullScreen = false; // the wide variant
    int aspectMode = 1;      // the main view engine's (full screen only)
    bool mirrored = false;   // the panel's mirror flag
    bool frontPanel = false; // opened on the front camera's panel
    int rateCode = 0;        // the telemetry engine's, 0 when none
};

// The items top to bottom; empty when there is no menu.
std::vector<VideoMenuItem> VideoMenuItems(const VideoMenuInputs& in);

// The owner-drawn pop-up: items 20 × S high, 220 × S wide in full screen and
// 70 × S otherwise (at least the text's width), the text 20 × S in from the
// left in the 10-point UI font; greyed text 0x7F7F7F; the selected item on
// blue (pale blue when greyed); a check mark drawn in the left margin.
class CMovieMenu : public QMenu {
    Q_OBJECT
public:
    CMovieMenu(const std::vector<VideoMenuItem>& items, bool wide, const UiScale& scale,
               const QFont& font, QWidget* parent = nullptr);

    bool wide() const { return wide_; }
    // Item height and width in pixels (MeasureItem).
    QSize ItemSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool wide_;
    UiScale scale_;
};

} // namespace kv::playback
