// The information panel and the vehicle panel in the real main window with
// the real engine: recordings written by the card maker opened as single
// files, and what the panels then hold and draw.

#include "cardmaker.h"
#include "engine_context.h"
#include "info_dlg.h"
#include "main_window.h"
#include "message_box.h"
#include "obd_dlg.h"
#include "playback_host.h"
#include "settings_store.h"
#include "telemetry_reader.h"

#include "wait_for.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv::app {
namespace {

class PanelsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", dir.path().toLocal8Bit()); // the repair folder goes here
        store = LocateSettings(dir.path(), QString());
        window = std::make_unique<CQuillonDlg>(UiScale(1.0, 1.0), store, engine::FfmpegEngine());
        window->Initialise();
        window->show();
        host = std::make_unique<PlaybackHost>(*window, messages);
    }
    void TearDown() override {
        host.reset();
        window.reset();
        if (savedTmp.isEmpty()) {
            qunsetenv("TMPDIR");
        } else {
            qputenv("TMPDIR", savedTmp);
        }
    }

    // A 4-second front recording of a drive, 160 × 96, with its telemetry as
    // asked, starting `into` seconds after the drive began.
    QString Write(const QString& name, cardmaker::TelemetryForm telemetry, bool speedDisplay,
                  double into = 0.0) {
        cardmaker::RecordingSpec recipe;
        recipe.fileName = name;
        recipe.width = 160;
        recipe.height = 96;
        recipe.seconds = 4.0;
        recipe.sessionSeconds = into;
        recipe.telemetry = telemetry;
        recipe.header.speedDisplay = speedDisplay;
        const QString path = dir.filePath(name);
        QString error;
        EXPECT_TRUE(cardmaker::WriteRecording(recipe, path, &error)) << error.toStdString();
        return path;
    }
    void Open(const QString& path) {
        host->OpenSource(path, SourceKind::File);
        ASSERT_TRUE(WaitFor([&] { return C().Ready(); })) << path.toStdString();
    }
    playback::PlaybackController& C() { return host->Controller(); }

    QTemporaryDir dir;
    QByteArray savedTmp;
    SettingsStore store;
    ScriptedMessageSink messages;
    std::unique_ptr<CQuillonDlg> window;
    std::unique_ptr<PlaybackHost> host;
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

// The recorder's speed display setting is read from the telemetry header: a
// recording without a telemetry block (as a repaired one is) has no setting,
// and the panel shows the speed's no-data placeholder there instead of "OFF".
TEST_F(PanelsEndToEnd, SpeedOffOnlyWhenTheTelemetrySaysSo) {
    struct Case {
        const char* name;
        cardmaker::TelemetryForm telemetry;
        bool speedDisplay;
        bool telemetryPresent;
        bool placeholderDrawn; // else "OFF"
    };
    const Case cases[] = {
        {"A__S-261205-093000-000101F.AVI", cardmaker::TelemetryForm::None, true, false, true},
        {"A__S-261205-094000-000102F.AVI", cardmaker::TelemetryForm::ExactCount, false, true,
         false},
    };
    const QRect speedBox(530, 7, 100, 25); // the panel's speed at scale 1
    const QColor placeholderBar(110, 118, 128);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(Write(QString::fromLatin1(c.name), c.telemetry, c.speedDisplay));
        views::CInfoDlg* info = window->Info();
        EXPECT_EQ(info->state().telemetryPresent, c.telemetryPresent);
        EXPECT_FALSE(info->state().speedDisplayOn);
        const QImage panel = info->grab().toImage();
        ASSERT_TRUE(QRect(QPoint(), panel.size()).contains(speedBox));
        if (c.placeholderDrawn) {
            EXPECT_GT(CountColour(panel, speedBox, placeholderBar), 4);
        } else {
            EXPECT_EQ(CountColour(panel, speedBox, placeholderBar), 0);
        }
    }
}

// The vehicle panel holds the values of the frame shown: each seek brings the
// values of that frame's vehicle record, and a word that says "unchanged"
// (every 25th record's w3 here) keeps the value the frame before gave.
TEST_F(PanelsEndToEnd, TheVehiclePanelFollowsTheFrameShown) {
    // Under way: the values change from record to record.
    Open(Write(QStringLiteral("A___-261205-093500-000105F.AVI"),
               cardmaker::TelemetryForm::ExactCount, true, 300.0));
    engine::EngineContext* t = C().TelemetryEngine();
    ASSERT_NE(t, nullptr);
    const auto vehicleAt = [&](int frame) -> const VehicleSample* {
        engine::EngineLock lock(t->mainLock);
        const SensorSample* s = SampleAtFrame(t->display, frame);
        return s ? s->vehicle : nullptr;
    };
    // A frame whose record leaves w3 unchanged, and a frame well before it.
    int unchanged = -1;
    for (int frame = 20; frame < 110 && unchanged < 0; ++frame) {
        const VehicleSample* v = vehicleAt(frame);
        if (v && v->words[3] == 0x3FFF) {
            unchanged = frame;
        }
    }
    ASSERT_GE(unchanged, 0) << "the recording has no record with w3 unchanged";
    const int before = 45; // past the first record, which the open showed already
    ASSERT_NE(vehicleAt(before), nullptr);
    ASSERT_NE(vehicleAt(before)->words[3], 0x3FFF);

    views::VehicleValues expected = window->Vehicle()->values();
    for (const int frame : {before, unchanged}) {
        SCOPED_TRACE(frame);
        const views::VehicleValues previous = window->Vehicle()->values();
        C().SeekTo(frame);
        ASSERT_TRUE(WaitFor([&] { return window->Info()->state().frameIndex == frame; }));
        views::UpdateVehicleValues(expected, *vehicleAt(frame));
        EXPECT_EQ(window->Vehicle()->values(), expected);
        if (frame == unchanged) {
            EXPECT_EQ(window->Vehicle()->values()[4], previous[4]);
            EXPECT_NE(window->Vehicle()->values()[4], 0); // not the no-data value
        } else {
            EXPECT_NE(window->Vehicle()->values(), previous);
        }
    }
}

} // namespace
} // namespace kv::app
