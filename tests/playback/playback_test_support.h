#pragma once

// Helpers of the playback tests: a main window stand-in that records what
// the panels hand it, mouse events as the window system sends them, and
// readable points and rectangles in failure messages.

#include "movie_owner.h"

#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPoint>
#include <QRect>
#include <QThread>
#include <QWidget>

#include <ostream>
#include <utility>
#include <vector>

inline void PrintTo(const QPoint& p, std::ostream* os) {
    *os << '(' << p.x() << ", " << p.y() << ')';
}
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << '(' << r.x() << ", " << r.y() << ' ' << r.width() << 'x' << r.height() << ')';
}
inline void PrintTo(const QSize& s, std::ostream* os) {
    *os << s.width() << 'x' << s.height();
}

namespace kv::playback::test {

class FakeOwner : public MovieOwner {
public:
    void ShowVideoMenu(QPoint globalPos, CMovieStatic* panel) override {
        menus.emplace_back(globalPos, panel);
    }
    void VideoClick(int camera, QPoint point) override { clicks.emplace_back(camera, point); }
    void ToggleFullScreen() override { ++toggles; }
    void OnEndOfStream(int camera) override {
        ended.push_back(camera);
        endedThread = QThread::currentThread();
    }
    void OnEnginesReady(int camera) override {
        ready.push_back(camera);
        readyThread = QThread::currentThread();
    }
    int MainView() const override { return mainView; }

    int mainView = 0;
    std::vector<std::pair<QPoint, CMovieStatic*>> menus;
    std::vector<std::pair<int, QPoint>> clicks;
    int toggles = 0;
    std::vector<int> ended;
    std::vector<int> ready;
    QThread* endedThread = nullptr;
    QThread* readyThread = nullptr;
};

inline void SendMouse(QWidget* widget, QEvent::Type type, QPoint local,
                      Qt::MouseButton button = Qt::LeftButton) {
    const QPointF global = widget->mapToGlobal(QPointF(local));
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, QPointF(local), global, button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

inline bool IsRed(QRgb c) {
    return qRed(c) > 160 && qGreen(c) < 80 && qBlue(c) < 80;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
    int paints = 0;
};

} // namespace kv::playback::test
