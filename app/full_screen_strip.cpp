#include "full_screen_strip.h"

#include "info_dlg.h"

#include <QPainter>

namespace kv::app {

FullScreenStrip::FullScreenStrip(views::CInfoDlg* info, QWidget* mainWindow)
    : QWidget(mainWindow), info_(info) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void FullScreenStrip::Place() {
    const QRect client = parentWidget()->rect();
    setGeometry(info_->FullScreenStripRect(client));
    raise();
}

void FullScreenStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The strip is laid out in the main window's coordinates.
    painter.translate(-pos());
    info_->DrawFullScreenStrip(painter, parentWidget()->rect());
}

} // namespace kv::app
