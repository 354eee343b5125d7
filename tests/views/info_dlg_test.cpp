// The information panel drawn offscreen: the axis buttons and their signal,
// the no-value looks, the voltage and kind icon conditions, the spread.

#include "info_dlg.h"
#include "skin_button.h"
#include "telemetry_types.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace kv::views {
namespace {

UiFonts Fonts(const UiScale& scale) {
    return UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0);
}

struct PanelFixture {
    PanelFixture() : scale(1.0, 1.0), panel(scale, Fonts(scale)) { panel.resize(900, 105); }
    QImage Shot() {
        QImage image(panel.size(), QImage::Format_RGB32);
        QPainter p(&image);
        panel.Render(p);
        return image;
    }
    UiScale scale;
    CInfoDlg panel;
};

int CountColour(const QImage& image, const QRect& box, const QColor& colour) {
    int n = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
            n += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

bool Differs(const QImage& a, const QImage& b, const QRect& box) {
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
            if (a.pixelColor(x, y) != b.pixelColor(x, y)) {
                return true;
            }
        }
    }
    return false;
}

const QColor kBar(110, 118, 128);

TEST(InfoPanel, AxisButtonsToggleAndReportAxisAndState) {
    PanelFixture f;
    std::vector<std::pair<int, bool>> posted;
    QObject::connect(&f.panel, &CInfoDlg::axisSwitched,
                     [&](int axis, bool shown) { posted.emplace_back(axis, shown); });
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_TRUE(f.panel.axisShown(axis));
        EXPECT_EQ(f.panel.AxisButton(axis)->controlId(), 38600 + axis);
    }
    f.panel.AxisButton(1)->click();
    f.panel.AxisButton(1)->click();
    f.panel.AxisButton(2)->click();
    const std::vector<std::pair<int, bool>> expected = {{1, false}, {1, true}, {2, false}};
    EXPECT_EQ(posted, expected);
    EXPECT_FALSE(f.panel.axisShown(2));
    // The check frame lands at (26 + i × 140, 45).
    EXPECT_EQ(f.panel.AxisButton(1)->mapToParent(f.panel.AxisButton(1)->frameBox().topLeft()),
              QPoint(166, 45));
    f.panel.SetSpread(1.15f);
    EXPECT_EQ(f.panel.AxisButton(1)->mapToParent(f.panel.AxisButton(1)->frameBox().topLeft()),
              QPoint(29 + 161, 45));
}

TEST(InfoPanel, MissingAccelerationShowsThePlaceholderBars) {
    PanelFixture f;
    const QRect valueBox(26 + 22, 40 + 22, 58, 20); // axis X
    f.panel.state().accelX = -5.0;
    const QImage none = f.Shot();
    EXPECT_GT(CountColour(none, valueBox, kBar), 10);
    f.panel.state().accelX = 0.12;
    const QImage shown = f.Shot();
    EXPECT_EQ(CountColour(shown, valueBox, kBar), 0);
    EXPECT_GT(CountColour(shown, valueBox, QColor(0, 255, 0)), 10);
}

TEST(InfoPanel, DatePlaceholderWithoutFrameAndTextWithIt) {
    PanelFixture f;
    const QRect dateBox(26, 7, 200, 19);
    f.panel.state().startTimeValid = true;
    f.panel.state().startTime.year = 2015;
    f.panel.state().startTime.month = 1;
    f.panel.state().startTime.day = 1;
    f.panel.state().frameIntervalMs = 40.0f;
    f.panel.state().frameIndex = -1;
    EXPECT_GT(CountColour(f.Shot(), dateBox, kBar), 20);
    f.panel.state().frameIndex = 100;
    EXPECT_EQ(CountColour(f.Shot(), dateBox, kBar), 0);
}

TEST(InfoPanel, VoltageOnlyWhenTraceAvailableAndShown) {
    PanelFixture f;
    f.panel.state().voltageTenths = 124;
    const QImage off = f.Shot();
    const QRect box(560, 78, 90, 27);
    f.panel.state().voltageTraceAvailable = true;
    EXPECT_FALSE(Differs(off, f.Shot(), box));
    f.panel.state().voltageShown = true;
    const QImage on = f.Shot();
    EXPECT_TRUE(Differs(off, on, box));
    f.panel.state().voltageTenths = -1;
    EXPECT_GT(CountColour(f.Shot(), box, kBar), 4);
}

TEST(InfoPanel, KindIconOnlyForKindsOneToTwelve) {
    PanelFixture f;
    const QRect box(440, 45, 60, 20);
    f.panel.state().recordingKind = 0;
    const QImage none = f.Shot();
    f.panel.state().recordingKind = 13;
    EXPECT_FALSE(Differs(none, f.Shot(), box));
    f.panel.state().recordingKind = 3;
    EXPECT_TRUE(Differs(none, f.Shot(), box));
}

TEST(InfoPanel, SpeedPlaceholderAndOffLook) {
    PanelFixture f;
    const QRect box(530, 7, 100, 25);
    f.panel.state().gpsValid = true;
    f.panel.state().speedKmh = 1000.0;
    const QImage none = f.Shot();
    EXPECT_GT(CountColour(none, box, kBar), 4);
    f.panel.state().speedKmh = 42.0;
    EXPECT_EQ(CountColour(f.Shot(), box, kBar), 0);
    f.panel.state().speedDisplayOn = false;
    const QImage off = f.Shot();
    EXPECT_EQ(CountColour(off, box, kBar), 0);
    EXPECT_TRUE(Differs(none, off, box));
}

// "OFF" is the recorder's speed display switched off, which only a telemetry
// header can say: without telemetry the speed has no data and its
// placeholder stands, in the panel and in the full-screen strip alike.
TEST(InfoPanel, SpeedOffOnlyWithTelemetryElseThePlaceholder) {
    struct Look {
        const char* name;
        std::function<QImage(PanelFixture&)> shot;
        QRect speedBox;
    };
    const QRect screen(0, 0, 1600, 900);
    const Look looks[] = {
        {"panel", [](PanelFixture& f) { return f.Shot(); }, QRect(530, 7, 100, 25)},
        {"full-screen strip",
         [&](PanelFixture& f) {
             QImage image(screen.size(), QImage::Format_RGB32);
             image.fill(Qt::black);
             QPainter p(&image);
             f.panel.DrawFullScreenStrip(p, screen);
             return image;
         },
         QRect()},
    };
    for (const Look& look : looks) {
        SCOPED_TRACE(look.name);
        PanelFixture f;
        const QRect strip = f.panel.FullScreenStripRect(screen);
        // In the strip the speed stands right of the date's box (130 to 380).
        const QRect box = look.speedBox.isNull()
                              ? QRect(strip.topLeft() + QPoint(380, 0), QSize(220, strip.height()))
                              : look.speedBox;
        f.panel.state().gpsValid = false; // no fix: no speed value
        auto shotOf = [&](bool telemetryPresent, bool speedDisplayOn) {
            f.panel.state().telemetryPresent = telemetryPresent;
            f.panel.state().speedDisplayOn = speedDisplayOn;
            return look.shot(f);
        };
        const QImage placeholder = shotOf(true, true);
        const QImage off = shotOf(true, false);
        ASSERT_GT(CountColour(placeholder, box, kBar), 4);
        EXPECT_EQ(CountColour(off, box, kBar), 0);
        // Without telemetry the setting's value is no setting at all.
        for (const bool speedDisplayOn : {false, true}) {
            const QImage none = shotOf(false, speedDisplayOn);
            EXPECT_FALSE(Differs(placeholder, none, box)) << speedDisplayOn;
            EXPECT_TRUE(Differs(off, none, box)) << speedDisplayOn;
        }
    }
}

// With the recorder's GPS setting off the panel says "OFF" where the GPS icon
// would stand, inside the panel at the width the main window gives it (the
// video's width: 656 at S = 1) at every scale, and spread when maximised.
TEST(InfoPanel, GpsOffIsShownInsideThePanel) {
    struct Case {
        double s;
        float spread;
        int width; // the main window's information panel at this scale
    };
    for (const Case& c : {Case{0.75, 1.0f, 494}, Case{1.0, 1.0f, 656}, Case{1.25, 1.0f, 822},
                          Case{1.5, 1.0f, 984}, Case{2.0, 1.0f, 1312}, Case{1.0, 1.15f, 902}}) {
        SCOPED_TRACE(testing::Message() << "S " << c.s << " spread " << c.spread);
        const UiScale scale(c.s, 1.0);
        CInfoDlg panel(scale, Fonts(scale));
        panel.resize(c.width, scale(105));
        panel.SetSpread(c.spread);
        panel.state().gpsValid = false;
        auto shot = [&] {
            QImage image(panel.size(), QImage::Format_RGB32);
            QPainter p(&image);
            panel.Render(p);
            return image;
        };
        panel.state().gpsDisplayOn = true;
        const QImage on = shot();
        panel.state().gpsDisplayOn = false;
        const QImage off = shot();
        const QRect box = panel.GpsOffBox();
        EXPECT_TRUE(panel.rect().contains(box)) << box.x() << ',' << box.right();
        // The word is drawn: white pixels in its box that GPS-on does not have.
        EXPECT_GT(CountColour(off, box, Qt::white), CountColour(on, box, Qt::white) + 10);
        EXPECT_TRUE(Differs(on, off, box));
    }
}

// The GPS setting too comes from the telemetry header: without one the GPS
// slot stays as it is without a fix, and "OFF" needs the header to say so.
TEST(InfoPanel, GpsOffOnlyWithTelemetry) {
    PanelFixture f;
    const QRect box = f.panel.GpsOffBox();
    f.panel.state().gpsValid = false;
    auto shotOf = [&](bool telemetryPresent, bool gpsDisplayOn) {
        f.panel.state().telemetryPresent = telemetryPresent;
        f.panel.state().gpsDisplayOn = gpsDisplayOn;
        return f.Shot();
    };
    const QImage noFix = shotOf(true, true);
    const QImage off = shotOf(true, false);
    ASSERT_TRUE(Differs(noFix, off, box));
    for (const bool gpsDisplayOn : {false, true}) {
        const QImage none = shotOf(false, gpsDisplayOn);
        EXPECT_FALSE(Differs(noFix, none, box)) << gpsDisplayOn;
    }
}

TEST(InfoPanel, ResetAndFrameWithoutRecord) {
    PanelFixture f;
    SensorSample s;
    GpsSample g;
    g.valid = 1;
    g.speedKmh = 55.0;
    s.gps = &g;
    s.accelX = 0.3;
    s.statusMark = 'R';
    s.voltageTenths = 120;
    f.panel.SetFrame(7, &s);
    EXPECT_EQ(f.panel.state().frameIndex, 7);
    EXPECT_DOUBLE_EQ(f.panel.state().speedKmh, 55.0);
    EXPECT_EQ(f.panel.state().statusMark, 'R');
    f.panel.SetFrame(8, nullptr);
    EXPECT_DOUBLE_EQ(f.panel.state().accelX, -5.0);
    EXPECT_FALSE(f.panel.state().gpsValid);
    f.panel.state().speedLabel = QStringLiteral("x");
    f.panel.Reset();
    EXPECT_EQ(f.panel.state().frameIndex, -1);
    EXPECT_DOUBLE_EQ(f.panel.state().speedKmh, -1.0);
    EXPECT_EQ(f.panel.state().statusMark, 'M');
    EXPECT_EQ(f.panel.state().voltageTenths, -1);
    EXPECT_EQ(f.panel.state().speedLabel, QStringLiteral("x")); // kept
}

TEST(InfoPanel, FullScreenStripPlace) {
    PanelFixture f;
    EXPECT_EQ(f.panel.FullScreenStripRect(QRect(0, 0, 1600, 900)), QRect(545, 842, 895, 30));
}

} // namespace
} // namespace kv::views
