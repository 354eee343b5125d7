// Where the main window puts its two satellite windows: at every UI scale, on
// a 1366 x 768 screen and with enlarged satellites from the settings file, the
// map window covers neither the second-camera window's title band nor the
// main window's, and the zoom hint stays clear of the second-camera window.
// A picture of the window in zoom mode with the map shown is written to
// screenshots/satellites_zoom_mode.png.

#include "display_settings.h"
#include "fake_engine.h"
#include "filer_container_dlg.h"
#include "main_window.h"
#include "movie_dialog.h"
#include "screenshot_folder.h"
#include "settings_store.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace kv::app {
namespace {

struct Placement {
    const char* name;
    double scale;
    QSize window;          // the main window's size (empty: the design size at the scale)
    double satelliteScale; // both satellites' SCALEX and SCALEY in the settings file
};

void PrintTo(const Placement& p, std::ostream* os) {
    *os << p.name;
}

class SatellitePlacement : public ::testing::TestWithParam<Placement> {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        store = LocateSettings(folder.path(), QString());
        savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", folder.path().toLocal8Bit());
    }
    void TearDown() override {
        window.reset();
        if (savedTmp.isEmpty()) {
            qunsetenv("TMPDIR");
        } else {
            qputenv("TMPDIR", savedTmp);
        }
    }

    QTemporaryDir folder;
    SettingsStore store;
    QByteArray savedTmp;
    std::unique_ptr<CQuillonDlg> window;
};

QRect TitleBand(const QRect& window, const UiScale& s) {
    return QRect(window.topLeft(), QSize(window.width(), s(20)));
}

TEST_P(SatellitePlacement, NoTitleBandOrZoomHintIsCovered) {
    const Placement& p = GetParam();
    if (p.satelliteScale != 1.0) {
        for (const char16_t* section : {u"MAPDISPLAY", u"MOVIEDISPLAY"}) {
            ASSERT_TRUE(WriteScale(store, section, p.satelliteScale, p.satelliteScale));
        }
    }
    window = std::make_unique<CQuillonDlg>(UiScale(p.scale, 1.0), store, engine::FakeEngine());
    CQuillonDlg& w = *window;
    w.Initialise();
    w.move(0, 0);
    w.show();
    QApplication::processEvents(); // the deferred part places the satellites
    // The offscreen screen is small; a monitor large enough keeps the scale
    // asked for, as on the user's screen.
    const QSize size = p.window.isEmpty() ? QSize(static_cast<int>(1120 * p.scale),
                                                  static_cast<int>(697 * p.scale))
                                          : p.window;
    w.FitToWorkArea(QRect(QPoint(0, 0), size.expandedTo(QSize(3840, 2160))));
    // The window as large as asked (a window filling a 1366 x 768 screen's work
    // area), through an edge drag's end, which places the satellites again.
    w.zone = kZoneBottomRight;
    w.trackRect = WinRect::FromQRect(QRect(w.geometry().topLeft(), size));
    w.ApplyTrackedRect();
    ASSERT_EQ(w.size(), size);
    ASSERT_TRUE(w.ZoomModeCommand());
    ASSERT_TRUE(w.MapSwitchCommand());
    QApplication::processEvents();

    const UiScale& s = w.Scale();
    const QRect map = w.MapWindow()->geometry();
    const QRect second = w.SecondWindow()->geometry();
    const QRect main = w.geometry();
    // Both satellites stand in the height of the right-hand column.
    const QRect column = w.Layout().browserPane.translated(main.topLeft());
    EXPECT_GE(map.top(), column.top());
    EXPECT_LE(map.bottom(), column.bottom());
    EXPECT_GE(second.top(), column.top());
    EXPECT_LE(second.bottom(), column.bottom());
    // No window covers another's title band (the band it is dragged and closed by).
    EXPECT_FALSE(map.intersects(TitleBand(second, s)))
        << "map bottom " << map.bottom() << ", second-camera window top " << second.top();
    EXPECT_FALSE(second.intersects(TitleBand(map, s)));
    const QRect mainTitle = w.Layout().caption.translated(main.topLeft());
    EXPECT_FALSE(map.intersects(mainTitle));
    EXPECT_FALSE(second.intersects(mainTitle));
    // The zoom hint's text lies in the part of the browser the second-camera
    // window leaves open.
    browser::CFilerContainerDlg* browser = w.Browser();
    ASSERT_TRUE(browser->zoomMode());
    const QRect hint = browser->ZoomHintRect().translated(browser->mapToGlobal(QPoint(0, 0)));
    EXPECT_FALSE(hint.isEmpty());
    EXPECT_FALSE(hint.intersects(second))
        << "hint bottom " << hint.bottom() << ", second-camera window top " << second.top();
    EXPECT_TRUE(column.contains(hint));

    if (p.scale == 1.0 && p.window.isEmpty() && p.satelliteScale == 1.0) {
        // The picture: the main window with its satellites drawn in.
        QImage image = w.grab().toImage();
        QPainter painter(&image);
        for (QWidget* satellite :
             {static_cast<QWidget*>(w.SecondWindow()), static_cast<QWidget*>(w.MapWindow())}) {
            painter.drawImage(satellite->geometry().topLeft() - main.topLeft(),
                              satellite->grab().toImage());
        }
        painter.end();
        EXPECT_TRUE(image.save(
            QDir(ScreenshotFolder()).filePath(QStringLiteral("satellites_zoom_mode.png"))));
        // Without the map the hint is in the open: draw it too.
        w.MapSwitchCommand();
        QImage plain = w.grab().toImage();
        QPainter second_(&plain);
        second_.drawImage(second.topLeft() - main.topLeft(), w.SecondWindow()->grab().toImage());
        second_.end();
        EXPECT_TRUE(
            plain.save(QDir(ScreenshotFolder()).filePath(QStringLiteral("zoom_hint_s10.png"))));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scales, SatellitePlacement,
    ::testing::Values(Placement{"S075", 0.75, {}, 1.0}, Placement{"S100", 1.0, {}, 1.0},
                      Placement{"S125", 1.25, {}, 1.0}, Placement{"S150", 1.5, {}, 1.0},
                      Placement{"S200", 2.0, {}, 1.0},
                      // A 1366 x 768 screen with a 40-pixel panel: the window fills it.
                      Placement{"Screen1366x768", 1.0, {1366, 728}, 1.0},
                      // Satellites the user made larger in an earlier run.
                      Placement{"EnlargedSatellites", 1.0, {}, 1.5},
                      Placement{"EnlargedOn1366x768", 1.0, {1366, 728}, 1.5}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kv::app
