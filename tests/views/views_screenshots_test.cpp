// Pictures of the three panels for a person to look at, made from a real
// recording written by the demo-card maker and shown at its G-sensor event:
// the graph at S 1 and 1.5, the information panel, the full-screen strip and
// the vehicle panel. Written to screenshots/ beside the test programs.

#include "cardmaker.h"
#include "gsensor_dlg.h"
#include "info_dlg.h"
#include "obd_dlg.h"
#include "recording_name.h"
#include "screenshot_folder.h"
#include "telemetry_reader.h"
#include "ui_texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace kv::views {
namespace {

void Save(const QImage& image, const QString& name) {
    const QString path = QDir(ScreenshotFolder()).filePath(name);
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(path)) << path.toStdString();
}

UiFonts Fonts(const UiScale& scale) {
    return UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0);
}

// One impact recording of 60 s at 30 frames per second whose script passes
// the whole drive: speeding, the drive-support events, the emergency stop and
// a G-sensor trigger on the X axis in the middle.
class RecordingAtEvent : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        recipe_ = new cardmaker::RecordingSpec;
        recipe_->fileName = QStringLiteral("AG__-261205-093000-000101F.AVI");
        recipe_->width = 160;
        recipe_->height = 96;
        recipe_->seconds = 60.0;
        recipe_->audio = false;
        recipe_->sessionPace = 60.0 / 13.0;
        recipe_->triggerAxis = 'X';
        path_ = new QString(dir_->filePath(recipe_->fileName));
        QString error;
        ASSERT_TRUE(cardmaker::WriteRecording(*recipe_, *path_, &error)) << error.toStdString();
    }
    static void TearDownTestSuite() {
        delete path_;
        delete recipe_;
        delete dir_;
    }

    void SetUp() override {
        ASSERT_TRUE(reader_.Init());
        ASSERT_TRUE(reader_.Open(*path_));
        reader_.frameDurationMs = 1000.0f / 30.0f;
        ASSERT_TRUE(reader_.BuildFrameIndex(cardmaker::FrameCount(*recipe_)));
        source_.reader = &reader_;
        source_.locks = {&front_, &rear_};
        source_.waiters = &waiters_;
        // The trigger's run start in the event list.
        const EventList list = views::BuildEventList(reader_.frameIndex, kAllChannelsOn);
        const auto g =
            std::find_if(list.begin(), list.end(), [](const EventEntry& e) { return e.code == 0; });
        ASSERT_NE(g, list.end());
        eventFrame_ = g->frame;
        events_ = list;
    }

    static QTemporaryDir* dir_;
    static cardmaker::RecordingSpec* recipe_;
    static QString* path_;
    TelemetryReader reader_;
    std::recursive_mutex front_, rear_;
    std::atomic<int> waiters_{0};
    TelemetrySource source_;
    std::int64_t eventFrame_ = 0;
    EventList events_;
};

QTemporaryDir* RecordingAtEvent::dir_ = nullptr;
cardmaker::RecordingSpec* RecordingAtEvent::recipe_ = nullptr;
QString* RecordingAtEvent::path_ = nullptr;

TEST_F(RecordingAtEvent, Graph) {
    // Every kind of marker the drive has is in the list.
    std::vector<int> codes;
    for (const EventEntry& e : events_) {
        codes.push_back(e.code);
    }
    for (int code : {0, 6, 8, 10, 11, 12}) {
        EXPECT_NE(std::find(codes.begin(), codes.end(), code), codes.end()) << code;
    }
    for (double s : {1.0, 1.5}) {
        const UiScale scale(s, 1.0);
        CGSensorDlg graph(scale, Fonts(scale));
        graph.resize(scale(1040), scale(127));
        graph.SetTelemetrySource(source_);
        graph.LoadTelemetry();
        const auto frames = static_cast<std::int64_t>(reader_.frameIndex.size());
        graph.ShowFrame(frames - 1, eventFrame_);
        const QImage image = graph.grab().toImage();
        Save(image, QStringLiteral("graph_at_event_s%1.png").arg(static_cast<int>(s * 10)));
        // The cursor stands on the event's marker.
        const int cursor = graph.CursorColumn();
        EXPECT_LE(std::abs(graph.ColumnOfFrame(eventFrame_) - cursor), 1);
        EXPECT_EQ(image.pixelColor(cursor, scale(10)), QColor(Qt::white));
        // A little earlier the marker is green, right of the cursor.
        graph.ShowFrame(frames - 1, eventFrame_ - 60);
        const QImage before = graph.grab().toImage();
        const int marker = graph.ColumnOfFrame(eventFrame_);
        EXPECT_GT(marker, graph.CursorColumn());
        EXPECT_EQ(before.pixelColor(marker, scale(10)), QColor(0, 255, 0));
        Save(before, QStringLiteral("graph_before_event_s%1.png").arg(static_cast<int>(s * 10)));
    }
}

void FillPanel(CInfoDlg& panel, const TelemetryReader& reader, const QString& path,
               std::int64_t frame) {
    InfoState& st = panel.state();
    st.startTimeValid = true;
    st.startTime = StartTimeFromName(path);
    st.frameIntervalMs = reader.frameDurationMs;
    st.timeLapse = false;
    st.speedDisplayOn = reader.header.speedDisplay != 0;
    st.gpsDisplayOn = reader.header.gpsDisplay != 0;
    st.recordingKind = 3;
    st.voltageTraceAvailable = true;
    st.voltageShown = true;
    st.speedLabel = Text(UiText::SpeedX1);
    panel.SetFrame(static_cast<int>(frame), SampleAtFrame(reader, frame));
}

TEST_F(RecordingAtEvent, InformationPanel) {
    for (double s : {1.0, 1.5}) {
        const UiScale scale(s, 1.0);
        CInfoDlg panel(scale, Fonts(scale));
        panel.resize(scale(1040), scale(105));
        FillPanel(panel, reader_, *path_, eventFrame_);
        ASSERT_FALSE(AccelText(panel.state().accelX).isEmpty());
        Save(panel.grab().toImage(),
             QStringLiteral("info_at_event_s%1.png").arg(static_cast<int>(s * 10)));
    }
    // The recorder's GPS setting off, at the width the main window gives the
    // panel (the video's): "OFF" stands where the GPS icon would.
    for (double s : {1.0, 1.5}) {
        const UiScale scale(s, 1.0);
        CInfoDlg panel(scale, Fonts(scale));
        panel.resize(s == 1.0 ? 656 : 984, scale(105));
        FillPanel(panel, reader_, *path_, eventFrame_);
        panel.state().gpsDisplayOn = false;
        const QImage image = panel.grab().toImage();
        Save(image, QStringLiteral("info_gps_off_s%1.png").arg(static_cast<int>(s * 10)));
        const QRect box = panel.GpsOffBox();
        EXPECT_TRUE(panel.rect().contains(box)) << s;
        int white = 0;
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x <= box.right(); ++x) {
                white += image.pixelColor(x, y) == QColor(Qt::white) ? 1 : 0;
            }
        }
        EXPECT_GT(white, 10) << s;
    }

    // The no-value look: no frame, no record, no fix.
    const UiScale scale(1.0, 1.0);
    CInfoDlg panel(scale, Fonts(scale));
    panel.resize(1040, 105);
    panel.state().startTimeValid = true;
    panel.state().startTime = StartTimeFromName(*path_);
    panel.state().voltageTraceAvailable = true;
    panel.state().voltageShown = true;
    panel.Reset();
    Save(panel.grab().toImage(), QStringLiteral("info_no_values.png"));

    // Maximised and in full screen: the spread panel and the bottom strip.
    CInfoDlg spread(scale, Fonts(scale));
    spread.resize(1400, 105);
    spread.SetSpread(1.15f);
    FillPanel(spread, reader_, *path_, eventFrame_);
    Save(spread.grab().toImage(), QStringLiteral("info_spread.png"));

    QImage screen(1600, 900, QImage::Format_RGB32);
    screen.fill(QColor(40, 60, 40));
    QPainter p(&screen);
    spread.DrawFullScreenStrip(p, screen.rect());
    spread.DrawCornerIndicator(p, screen.rect());
    p.end();
    Save(screen.copy(0, 800, 1600, 100), QStringLiteral("fullscreen_strip.png"));
}

TEST_F(RecordingAtEvent, VehiclePanel) {
    const UiScale scale(1.0, 1.0);
    CObdDlg dialog(scale, Fonts(scale).pt10());
    EXPECT_FALSE(dialog.isVisible());
    const SensorSample* sample = SampleAtFrame(reader_, eventFrame_);
    ASSERT_NE(sample, nullptr);
    dialog.SetVehicleSample(sample->vehicle);
    dialog.SelectValue(0, 0);
    dialog.SelectValue(1, 2);
    dialog.SelectValue(2, 4);
    for (int i = 0; i < 80; ++i) {
        for (int slot = 0; slot < 3; ++slot) {
            dialog.StepSlot(slot);
        }
    }
    Save(dialog.grab().toImage(), QStringLiteral("vehicle_panel.png"));
}

} // namespace
} // namespace kv::views
