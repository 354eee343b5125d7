// The real map page in Qt WebEngine, drawing with the bundled Leaflet: the
// wrapper answers with the track and the events of a recording, and the
// drawn lines and markers are read back from the page. Offline the map's
// tiles stay grey; the track, the markers and the position are there.

#include "HostWebViewObject.h"
#include "cardmaker.h"
#include "event_channels.h"
#include "google_map_dlg2.h"
#include "google_map_dlg_wrap.h"
#include "map_protocol.h"
#include "screenshot_folder.h"
#include "telemetry_reader.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace kv::map {
namespace {

// Runs script in the page and returns its result (null when none came in time).
QVariant Eval(QWebEnginePage* page, const QString& script) {
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    WaitFor([&] { return done; });
    return result;
}

// One 60 s impact recording driving the whole scripted route (speeding,
// drive support, emergency stop, a G-sensor trigger, the tunnel).
class MapPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        cardmaker::RecordingSpec recipe;
        recipe.fileName = QStringLiteral("AG__-261205-093000-000101F.AVI");
        recipe.width = 160;
        recipe.height = 96;
        recipe.seconds = 60.0;
        recipe.audio = false;
        recipe.sessionPace = 60.0 / 13.0;
        recipe.triggerAxis = 'X';
        frames_ = cardmaker::FrameCount(recipe);
        path_ = new QString(dir_->filePath(recipe.fileName));
        QString error;
        ASSERT_TRUE(cardmaker::WriteRecording(recipe, *path_, &error)) << error.toStdString();
    }
    static void TearDownTestSuite() {
        delete path_;
        delete dir_;
    }

    void SetUp() override {
        ASSERT_TRUE(reader_.Init());
        ASSERT_TRUE(reader_.Open(*path_));
        reader_.frameDurationMs = 1000.0f / 30.0f;
        ASSERT_TRUE(reader_.BuildFrameIndex(frames_));
        for (const views::EventEntry& e :
             views::BuildEventList(reader_.frameIndex, views::kAllChannelsOn)) {
            events_.push_back({e.code, e.sample});
        }

        wrap_.currentTrack = [this] { return std::optional(reader_.gps); };
        wrap_.groupTrack = [this] { return reader_.gps; };
        wrap_.connection.enabled = 1;
        wrap_.connection.connected = 1;

        dialog_.SetHost(&wrap_, ProviderName(MapProvider::Leaflet));
        wrap_.SetDialog(&dialog_);
        dialog_.resize(444, 369);
        dialog_.show();
        ASSERT_TRUE(WaitFor([this] { return wrap_.pageReady; })) << "the page did not report ready";
        ASSERT_NE(dialog_.view(), nullptr);
    }

    QWebEnginePage* Page() const { return dialog_.view()->page(); }

    // The sample the marker stands on for a position: the last one before
    // the first sample at or after it.
    const GpsSample* MarkerSample(int position) const {
        std::vector<const GpsSample*> valid;
        for (const GpsSample& g : reader_.gps) {
            if (g.valid) {
                valid.push_back(&g);
            }
        }
        const auto first = std::find_if(valid.begin(), valid.end(),
                                        [&](const GpsSample* g) { return position <= g->frame; });
        std::size_t index = static_cast<std::size_t>(first - valid.begin());
        if (index > 0) {
            index = std::min(index - 1, valid.size() - 1);
        }
        return valid.empty() ? nullptr : valid[index];
    }

    // The recording shown at position, with its events, as the main window
    // sends it after the page reported ready.
    void Draw(int position) {
        wrap_.pageFramePosition = position;
        const EventScripts expected = EventPointScripts(events_, 0);
        eventsSent_ = static_cast<int>(expected.scripts.size());
        ASSERT_GT(eventsSent_, 0);
        ASSERT_TRUE(wrap_.SendEventPoints(events_, 0, true));
        wrap_.SetPlayState(1);
        ASSERT_TRUE(WaitFor([&] {
            return Eval(Page(), QStringLiteral("cplist.markers.length")).toInt() == eventsSent_ &&
                   Eval(Page(), QStringLiteral("orbitgrplist.histline.length + "
                                               "orbitgrplist.schline.length"))
                           .toInt() > 0;
        })) << "the page did not draw";
    }

    static QTemporaryDir* dir_;
    static QString* path_;
    static int frames_;
    TelemetryReader reader_;
    std::vector<MapEvent> events_;
    int eventsSent_ = 0;
    CGoogleMapDlgWrap wrap_{MapSettings{}};
    CGoogleMapDlg2 dialog_;
};

QTemporaryDir* MapPage::dir_ = nullptr;
QString* MapPage::path_ = nullptr;
int MapPage::frames_ = 0;

TEST_F(MapPage, DrawsTheRecordingWithLeaflet) {
    EXPECT_DOUBLE_EQ(dialog_.view()->zoomFactor(), kMapZoomFactor);
    const int position = frames_ / 2;
    Draw(position);

    // The folder's track: every valid sample lies on one of its pieces.
    const auto validFixes = std::count_if(reader_.gps.begin(), reader_.gps.end(),
                                          [](const GpsSample& g) { return g.valid != 0; });
    EXPECT_EQ(Eval(Page(), QStringLiteral("orbitgrplist.grpline.reduce((n, l) => n + "
                                          "l.getLatLngs().length, 0)"))
                  .toInt(),
              validFixes);
    EXPECT_EQ(Eval(Page(), QStringLiteral("document.querySelectorAll('.leaflet-track1-pane "
                                          "path').length"))
                  .toInt(),
              Eval(Page(), QStringLiteral("orbitgrplist.grpline.length")).toInt());

    // Half-way: a driven (blue) and a remaining (red) part above it.
    const QStringList colours =
        Eval(Page(), QStringLiteral("Array.from(document.querySelectorAll('.leaflet-track2-pane "
                                    "path')).map(p => p.getAttribute('stroke'))"))
            .toStringList();
    EXPECT_TRUE(colours.contains("#0000FF")) << colours.join(' ').toStdString();
    EXPECT_TRUE(colours.contains("#FF0000")) << colours.join(' ').toStdString();

    // One icon per event point plus the position marker, which stands on the
    // sample before the position.
    EXPECT_EQ(Eval(Page(), QStringLiteral("document.querySelectorAll('.leaflet-marker-pane "
                                          "img').length"))
                  .toInt(),
              eventsSent_ + 1);
    EXPECT_EQ(Eval(Page(), QStringLiteral("document.querySelectorAll('.leaflet-shadow-pane "
                                          "img').length"))
                  .toInt(),
              eventsSent_ + 1);
    const GpsSample* at = MarkerSample(position);
    ASSERT_NE(at, nullptr);
    const QVariantList marker =
        Eval(Page(), QStringLiteral("[g_marker.getLatLng().lat, g_marker.getLatLng().lng]"))
            .toList();
    ASSERT_EQ(marker.size(), 2);
    EXPECT_NEAR(marker[0].toDouble(), at->latitude, 1e-9);
    EXPECT_NEAR(marker[1].toDouble(), at->longitude, 1e-9);

    // Each event's icon is its code's.
    const QVariantList icons =
        Eval(Page(), QStringLiteral("cplist.markers.map(cp => [cp.icolor, "
                                    "cp.marker.getElement().getAttribute('src')])"))
            .toList();
    ASSERT_EQ(icons.size(), eventsSent_);
    for (const QVariant& icon : icons) {
        const QVariantList pair = icon.toList();
        const int code = pair[0].toInt();
        const QString want = code <= 4 ? QStringLiteral("icons/gsensor.svg")
                                       : QStringLiteral("icons/event%1.svg").arg(code);
        EXPECT_EQ(pair[1].toString(), want);
    }

    // The map window as the user sees it.
    QImage shot = dialog_.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(ScreenshotFolder() + QStringLiteral("/map_window_leaflet.png")));
}

TEST_F(MapPage, AClickOnAnEventPointAsksForItsFrame) {
    Draw(0);
    QSignalSpy frames(&wrap_, &CGoogleMapDlgWrap::frameRequested);
    const int frame = Eval(Page(), QStringLiteral("cplist.markers[1].ipos")).toInt();
    Eval(Page(), QStringLiteral("cplist.markers[1].marker.fire('click'); 1"));
    ASSERT_TRUE(WaitFor([&] { return !frames.isEmpty(); }));
    EXPECT_EQ(frames.at(0).at(0).toInt(), frame);
    EXPECT_GT(frame, 0);
}

TEST_F(MapPage, TheMapGoesWhenTheConnectionDoes) {
    wrap_.connection.connected = 0;
    ASSERT_TRUE(WaitFor([&] {
        return Eval(Page(), QStringLiteral("g_map === null && g_script === null")).toBool();
    }));
    EXPECT_FALSE(wrap_.pageReady);
    wrap_.connection.connected = 1;
    ASSERT_TRUE(WaitFor([&] { return wrap_.pageReady; }));
    EXPECT_TRUE(Eval(Page(), QStringLiteral("g_map !== null")).toBool());
}

} // namespace
} // namespace kv::map
