// The bridge between the main window and the map page: the track arrays,
// the update message and its JSON holder, the event-point scripts and the
// wrapper's answers to the page.

#include "HostWebViewObject.h"
#include "google_map_dlg_wrap.h"
#include "json_holder.h"
#include "map_protocol.h"
#include "map_settings.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QWidget>

#include <gtest/gtest.h>

#include <deque>

namespace kv::map {
namespace {

GpsSample Fix(double lat, double lng, int frame, int valid = 1) {
    GpsSample g;
    g.latitude = lat;
    g.longitude = lng;
    g.frame = frame;
    g.valid = valid;
    g.speedKmh = 42.5;
    return g;
}

std::vector<double> Numbers(const QVariantList& values) {
    std::vector<double> out;
    for (const QVariant& v : values) {
        out.push_back(v.toDouble());
    }
    return out;
}

TEST(TrackArray, TriplesOfValidSamplesThenTheirCount) {
    struct Case {
        const char* name;
        std::vector<GpsSample> samples;
        std::vector<double> want;
    };
    const std::vector<Case> cases = {
        {"second of four invalid",
         {Fix(35.1, 139.1, 10), Fix(35.2, 139.2, 20, 0), Fix(35.3, 139.3, 30),
          Fix(35.4, 139.4, 40)},
         {35.1, 139.1, 10, 35.3, 139.3, 30, 35.4, 139.4, 40, 9}},
        {"empty", {}, {0}},
        {"none valid", {Fix(1, 2, 3, 0), Fix(4, 5, 6, 0)}, {0}},
        {"one, in the south-west", {Fix(-33.9, -70.6, 7)}, {-33.9, -70.6, 7, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QVariantList values = TrackArray(c.samples);
        EXPECT_EQ(Numbers(values), c.want);
        // Frames and the count are integers, coordinates doubles.
        for (qsizetype i = 0; i < values.size(); ++i) {
            const bool integer = i == values.size() - 1 || i % 3 == 2;
            EXPECT_EQ(values[i].typeId(), integer ? QMetaType::Int : QMetaType::Double) << i;
        }
    }
}

TEST(UpdateMessage, FiveKeysInOrderWithSixDecimals) {
    EXPECT_EQ(UpdateMessage(35.5, 139.25, QStringLiteral("pause")),
              QStringLiteral("{\"map_lat\":\"35.500000\",\"map_lng\":\"139.250000\","
                             "\"map_status\":\"pause\",\"val_command\":\"update\","
                             "\"val_end\":\"\"}"));
    EXPECT_EQ(UpdateMessage(-33.8688197, 0.0, QStringLiteral("stop")),
              QStringLiteral("{\"map_lat\":\"-33.868820\",\"map_lng\":\"0.000000\","
                             "\"map_status\":\"stop\",\"val_command\":\"update\","
                             "\"val_end\":\"\"}"));
}

TEST(JsonHolder, ParsesFlatObjectsOfStrings) {
    struct Case {
        const char* name;
        QString text;
        std::vector<std::pair<QString, QString>> want; // key, value
    };
    const std::vector<Case> cases = {
        {"three values",
         "{\"map_lat\":\"35.5\",\"map_lng\":\"139.25\",\"map_status\":\"stop\"}",
         {{"map_lat", "35.5"}, {"map_lng", "139.25"}, {"map_status", "stop"}}},
        {"white space between the tokens",
         "{ \"a\" : \"1\" ,\n \"b\":\"x y\" }",
         {{"a", "1"}, {"b", "x y"}}},
        {"colon, comma and braces inside a value",
         "{\"t\":\"12:30, {ok}\"}",
         {{"t", "12:30, {ok}"}}},
        {"empty value", "{\"val_end\":\"\"}", {{"val_end", ""}}},
        {"empty object", "{}", {}},
        {"empty text", "", {}},
        {"a key given twice keeps the last value", "{\"k\":\"1\",\"k\":\"2\"}", {{"k", "2"}}},
        {"an unfinished pair is not stored", "{\"a\":\"1\",\"b\":\"2", {{"a", "1"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CJsonHolder json;
        json.Parse(c.text);
        std::vector<std::pair<QString, QString>> got;
        for (const auto& [key, entry] : json.entries()) {
            got.emplace_back(key, entry.value);
        }
        auto want = c.want;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
    }
}

TEST(JsonHolder, SeparatorsFollowTheText) {
    CJsonHolder json;
    json.Parse(QStringLiteral("{\"a\":\"1\",\"b\":\"2\"}"));
    EXPECT_EQ(json.entries().at("a").separator, ",");
    EXPECT_EQ(json.entries().at("b").separator, "");
    // Written back in key order with the stored separators: the same text.
    EXPECT_EQ(json.Write(), QStringLiteral("{\"a\":\"1\",\"b\":\"2\"}"));
    json.Set(QStringLiteral("0"), QStringLiteral("z"), QStringLiteral(","));
    EXPECT_EQ(json.Write(), QStringLiteral("{\"0\":\"z\",\"a\":\"1\",\"b\":\"2\"}"));
}

TEST(AddCrashPos, SixDecimalsInTupleOrder) {
    EventTuple e;
    e.code = 8;
    e.accelX = 0.25;
    e.accelY = -1.5;
    e.accelZ = 1.0;
    e.recording = 3;
    e.frame = 1234;
    e.latitude = 35.6812362;
    e.longitude = 139.7671248;
    e.valid = 1;
    e.speedKmh = 88.0;
    EXPECT_EQ(AddCrashPosScript(e),
              QStringLiteral("cplist.AddCrashPos(8,0.250000,-1.500000,1.000000,0,3,1234,"
                             "35.681236,139.767125,1,88.000000,0.000000)"));
}

// Event lists for the walk: every sensor sample links to the GPS sample at
// the same position of gps, or to none where gps has a gap.
struct EventFixture {
    std::deque<GpsSample> gps;
    std::deque<SensorSample> sensors;
    std::vector<MapEvent> events;

    void Add(int code, const GpsSample* g, int frame) {
        SensorSample s;
        s.frame = frame;
        s.accelX = 0.5;
        if (g) {
            gps.push_back(*g);
            s.gps = &gps.back();
        }
        sensors.push_back(s);
        events.push_back({code, &sensors.back()});
    }
};

TEST(EventPoints, WalkFromTheLastEntry) {
    const GpsSample tokyo = Fix(35.68, 139.76, 0);
    const GpsSample origin = Fix(0.0, 0.0, 0);
    const GpsSample meridian = Fix(0.0, 139.7, 0);
    // A sample without a fix, as the decoder leaves it: 720, 720.
    const GpsSample noFix = Fix(kNoCoordinate, kNoCoordinate, 0, 0);
    // A fix lost while the receiver still reports the last position.
    const GpsSample lostFix = Fix(35.68, 139.76, 0, 0);
    struct Case {
        const char* name;
        std::vector<std::pair<int, const GpsSample*>> events; // code, fix (null: no GPS sample)
        std::vector<int> sentFrames;                          // in the order sent
        bool complete;
    };
    const std::vector<Case> cases = {
        {"all sent, last first", {{0, &tokyo}, {5, &tokyo}, {8, &tokyo}}, {300, 200, 100}, true},
        {"0,0 passed over", {{0, &tokyo}, {5, &origin}, {8, &tokyo}}, {300, 100}, true},
        {"latitude 0 alone is sent", {{5, &meridian}}, {100}, true},
        {"no fix (720, 720) passed over",
         {{0, &tokyo}, {5, &noFix}, {8, &tokyo}},
         {300, 100},
         true},
        {"a position without a fix passed over", {{5, &lostFix}, {8, &tokyo}}, {200}, true},
        {"a gap in the middle stops the walk",
         {{0, &tokyo}, {5, nullptr}, {8, &tokyo}},
         {300},
         false},
        {"a gap at the end sends nothing", {{0, &tokyo}, {5, nullptr}}, {}, false},
        {"no events", {}, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EventFixture f;
        int frame = 100;
        for (const auto& [code, g] : c.events) {
            f.Add(code, g, frame);
            frame += 100;
        }
        const EventScripts out = EventPointScripts(f.events, 2);
        EXPECT_EQ(out.complete, c.complete);
        ASSERT_EQ(out.scripts.size(), static_cast<qsizetype>(c.sentFrames.size()));
        for (std::size_t i = 0; i < c.sentFrames.size(); ++i) {
            EXPECT_TRUE(out.scripts[static_cast<qsizetype>(i)].contains(
                QStringLiteral(",0,2,%1,").arg(c.sentFrames[i])))
                << out.scripts[static_cast<qsizetype>(i)].toStdString();
        }
    }
}

// A map dialog that keeps what the wrapper sends it.
class FakeDialog : public IMapDialog {
public:
    void RunScript(const QString& script) override { scripts.append(script); }
    bool PostUpdate(const QString& json) override {
        posts.append(json);
        return true;
    }
    QStringList scripts;
    QStringList posts;
};

class Wrapper : public ::testing::Test {
protected:
    Wrapper() : wrap(MapSettings{}) { wrap.SetDialog(&dialog); }

    void Connect(bool enabled, bool connected) {
        wrap.connection.enabled = enabled ? 1 : 0;
        wrap.connection.connected = connected ? 1 : 0;
    }

    FakeDialog dialog;
    CGoogleMapDlgWrap wrap;
};

TEST_F(Wrapper, ConnectTestFollowsTheSwitchAndTheChecker) {
    struct Case {
        const char* name;
        bool enabled;
        bool connected;
        int answer;
        bool readyAfter;
    };
    const std::vector<Case> cases = {
        {"switched off, network up: 0, ready kept", false, true, 0, true},
        {"switched off, network down: 0, ready kept", false, false, 0, true},
        {"on and connected", true, true, 1, true},
        {"on, not connected: the page must report again", true, false, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wrap.pageReady = true;
        Connect(c.enabled, c.connected);
        EXPECT_EQ(wrap.ConnectTest(), c.answer);
        EXPECT_EQ(wrap.pageReady, c.readyAfter);
    }
}

TEST_F(Wrapper, RebuildAndEventPointsOnlyWhileThePageIsReady) {
    EventFixture f;
    const GpsSample tokyo = Fix(35.68, 139.76, 0);
    f.Add(0, &tokyo, 40);
    EXPECT_TRUE(wrap.SendEventPoints(f.events, 4, true));
    EXPECT_TRUE(dialog.scripts.isEmpty());

    wrap.pageReady = true;
    EXPECT_TRUE(wrap.SendEventPoints(f.events, 4, true));
    EXPECT_EQ(dialog.scripts,
              (QStringList{"cplist.ClearCrashPos()", "orbitgrplist.RemoveLineList()",
                           "orbitgrplist.CreateLine()", "orbitgrplist.CreateGridLine(4)",
                           "cplist.AddCrashPos(0,0.500000,0.000000,0.000000,0,4,40,35.680000,"
                           "139.760000,1,42.500000,0.000000)"}));
    dialog.scripts.clear();
    f.Add(5, nullptr, 80);
    EXPECT_FALSE(wrap.SendEventPoints(f.events, 1, false));
    EXPECT_EQ(dialog.scripts,
              (QStringList{"cplist.ClearCrashPos()", "orbitgrplist.RemoveLineList()",
                           "orbitgrplist.CreateGridLine(1)"}));
}

TEST_F(Wrapper, PlayStatesAndTheUpdateMessage) {
    dialog.mapLat = 35.5;
    dialog.mapLng = 139.25;
    struct Case {
        int state;
        QString status;
        QStringList scripts;
    };
    const std::vector<Case> cases = {
        {1, "pause", {}},
        {0, "", {}},
        {2, "stop", {"orbitgrplist.MoveMarker()"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        dialog.scripts.clear();
        dialog.posts.clear();
        wrap.SetPlayState(c.state);
        EXPECT_EQ(dialog.mapStatus, c.status);
        EXPECT_EQ(dialog.scripts, c.scripts);
        wrap.SetSend();
        EXPECT_EQ(dialog.posts, QStringList{UpdateMessage(35.5, 139.25, c.status)});
    }
}

TEST_F(Wrapper, AnswersThePage) {
    EXPECT_EQ(wrap.GetRelJpgNum(), "0");
    wrap.pageFramePosition = 1234;
    EXPECT_EQ(wrap.GetRelJpgNum(), "1234");

    // No telemetry: [0] for the folder, nothing for the recording.
    EXPECT_EQ(Numbers(wrap.GetGpsData().toList()), std::vector<double>{0});
    EXPECT_FALSE(wrap.GetGridData().isValid());
    wrap.currentTrack = [] { return std::optional<std::vector<GpsSample>>(); };
    EXPECT_FALSE(wrap.GetGridData().isValid());
    wrap.currentTrack = [] {
        return std::optional<std::vector<GpsSample>>(std::vector<GpsSample>{Fix(1, 2, 3)});
    };
    EXPECT_EQ(Numbers(wrap.GetGridData().toList()), (std::vector<double>{1, 2, 3, 3}));
    wrap.groupTrack = [] { return std::vector<GpsSample>{Fix(4, 5, 6), Fix(7, 8, 9)}; };
    EXPECT_EQ(Numbers(wrap.GetGpsData().toList()), (std::vector<double>{4, 5, 6, 7, 8, 9, 6}));

    EXPECT_EQ(wrap.GetMapUrl(), "qrc:///map/leaflet/leaflet.js");
}

TEST_F(Wrapper, PageReportsArriveAfterTheCall) {
    QSignalSpy ready(&wrap, &CGoogleMapDlgWrap::pageReported);
    QSignalSpy frame(&wrap, &CGoogleMapDlgWrap::frameRequested);
    wrap.OnInitHtml();
    wrap.OnClickCrashPoint(0, 2, 777, 1, 35.0, 139.0, 10.0, 0.0);
    EXPECT_TRUE(wrap.pageReady);
    EXPECT_EQ(ready.count(), 0);
    EXPECT_EQ(frame.count(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(ready.count(), 1);
    ASSERT_EQ(frame.count(), 1);
    EXPECT_EQ(frame.at(0).at(0).toInt(), 777);
}

TEST_F(Wrapper, ShowMapHidesOnlyWhatItShowed) {
    QWidget window;
    wrap.SetMapWindow(&window);
    EXPECT_TRUE(wrap.ShowMap(true));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(wrap.ShowMap(true));
    EXPECT_TRUE(wrap.ShowMap(false));
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(wrap.mapVisible);
    // Opened elsewhere (the map switch): a hide request leaves it open.
    window.show();
    EXPECT_FALSE(wrap.ShowMap(false));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(wrap.ShowMap(true));
}

TEST(HostObject, HandsCallsToTheWrapperOrAnswersNothing) {
    CGoogleMapDlgWrap wrap(MapSettings{MapProvider::Google, QStringLiteral("KEY123")});
    HostWebViewObject host(&wrap, ProviderName(MapProvider::Google));
    EXPECT_EQ(host.mapProvider(), "google");
    EXPECT_EQ(host.JS2C_GetMapURL(),
              "https://maps.googleapis.com/maps/api/js?key=KEY123&v=3&sensor=false&"
              "callback=loadLibs");
    wrap.pageFramePosition = 55;
    EXPECT_EQ(host.JS2C_GetRelJpgNum(), "55");
    EXPECT_EQ(host.TestMethod(QStringLiteral("abc"), 42), "TestMethod(abc, 42) called.\n");
    host.JS2C_OnInitHtml();
    EXPECT_TRUE(wrap.pageReady);

    host.Detach();
    EXPECT_EQ(host.JS2C_GetRelJpgNum(), QString());
    EXPECT_FALSE(host.JS2C_GetGPSData().isValid());
    EXPECT_EQ(host.JS2C_ConnectTest(), 0);
}

TEST(MapSettings, ProviderFromTheKeyAndTheChoice) {
    struct Case {
        const char* provider;
        const char* key;
        MapProvider want;
    };
    const std::vector<Case> cases = {
        {"", "", MapProvider::Leaflet},         {"", "abc", MapProvider::Google},
        {"auto", "abc", MapProvider::Google},   {"google", "", MapProvider::Leaflet},
        {"Google", "abc", MapProvider::Google}, {"osm", "abc", MapProvider::Leaflet},
        {"leaflet", " ", MapProvider::Leaflet},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.provider) + "/" + c.key);
        EXPECT_EQ(ChooseProvider(QString::fromLatin1(c.provider), QString::fromLatin1(c.key)),
                  c.want);
    }
}

} // namespace
} // namespace kv::map
