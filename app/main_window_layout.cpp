#include "main_window_layout.h"

#include <algorithm>

namespace kv::app {

MainWindowLayout LayOutMainWindow(QSize window, const UiScale& s) {
    MainWindowLayout l;
    const int e = 2 * s(6);
    const int innerWidth = window.width() - e;
    const int videoWidth = innerWidth - s(440) - e;
    const int innerHeight = window.height() + s(-10) - s(38) - s(27);
    const int videoHeight = s(-148) + innerHeight - s(105);

    l.mainVideo = QRect(s(6), s(27), videoWidth, videoHeight + 2);
    l.positionSlider = QRect(l.mainVideo.left(), l.mainVideo.bottom() + 1, videoWidth, s(10));
    l.infoPanel =
        QRect(l.mainVideo.left(), l.positionSlider.bottom() + 1 + s(10), videoWidth, s(105));
    const int graphTop = l.infoPanel.bottom() + 1;
    const int graphBottom = window.height() - s(10) - s(38); // exclusive
    l.graph = QRect(l.mainVideo.left(), graphTop, videoWidth, graphBottom - graphTop);
    l.browserPane = QRect(l.mainVideo.right() + 1, l.mainVideo.top() + 1, s(440) + e,
                          window.height() - s(41) - (l.mainVideo.top() + 1));
    l.progressBar =
        QRect(l.mainVideo.left(), l.mainVideo.bottom() + 1 - s(22), l.mainVideo.width(), s(22));

    const int toolTop = window.height() - s(36);
    for (int i = 0; i < kToolButtonCount; ++i) {
        const int x = s(20) + i * (s(32) + s(11)) + (i >= 11 ? s(30) : 0);
        l.toolButtons[static_cast<std::size_t>(i)] = QRect(x, toolTop, s(32), s(32));
    }
    const int stripCentre = toolTop + s(32) / 2;
    l.volumeSlider = QRect(window.width() - s(120), stripCentre - s(20) / 2, s(100), s(20));

    l.closeButton = QRect(window.width() - s(56), 0, s(46), s(18));
    l.maximiseButton = QRect(window.width() - s(82), 0, s(26), s(18));
    l.minimiseButton = QRect(window.width() - s(108), 0, s(26), s(18));
    l.title = QRect(s(4) + s(6), s(4), s(400), s(30));
    l.caption = QRect(s(6), 0, window.width() - 2 * s(6), s(27));

    const QSize second = SecondWindowSize(s);
    l.secondWindow =
        QRect(QPoint(l.browserPane.left(), l.browserPane.bottom() + 1 - second.height()), second);
    // The map window ends where the second-camera window begins, so that it
    // never covers that window's title band (the column is lower than both
    // together: 628 against 393 + 274 at S = 1).
    const QSize map = MapWindowSize(s);
    l.mapWindow = QRect(
        QPoint(l.browserPane.left(), l.browserPane.top()),
        QSize(map.width(), std::min(map.height(), l.secondWindow.top() - l.browserPane.top())));
    return l;
}

QSize MapWindowSize(const UiScale& s) {
    return {s(452), s(393)};
}

QSize SecondWindowSize(const UiScale& s) {
    return {s(452), s(274)};
}

QRect SatelliteContent(QSize window, const UiScale& s) {
    return {s(4), s(20), window.width() - 2 * s(4), window.height() - s(20) - s(4)};
}

double FittedLayoutScale(double layoutScale, double savedLayoutScale, int workAreaHeight,
                         int windowHeight, double density) {
    const double factor = layoutScale * density;
    if (windowHeight > 0 && workAreaHeight < static_cast<double>(kDesignHeight) * factor) {
        return layoutScale * static_cast<double>(workAreaHeight) / windowHeight;
    }
    return savedLayoutScale;
}

} // namespace kv::app
