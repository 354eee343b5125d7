#pragma once

#include <QWidget>

namespace kv::views {
class CInfoDlg;
}

namespace kv::app {

// In full screen the video panel covers the whole main window; this
// see-through layer above it carries the information panel's bottom strip
// (time, speed, accelerations) over the picture.
class FullScreenStrip : public QWidget {
public:
    FullScreenStrip(views::CInfoDlg* info, QWidget* mainWindow);
    // Covers the strip's place in the main window's client area.
    void Place();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    views::CInfoDlg* info_;
};

} // namespace kv::app
