// The recording library over a card written by the demo-card maker: every
// recording verifies, times and decodes to exactly what was written, and the
// catalogue finds every recording of the card.

#include "avi_clip.h"
#include "avi_verify.h"
#include "cardmaker.h"
#include "catalogue.h"
#include "memory_tree.h"
#include "recording_name.h"
#include "telemetry_reader.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv {
namespace {

namespace cm = cardmaker;

class CardFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        options = cm::TinyCardOptions();
        options.damaged = true;
        QString error;
        ASSERT_TRUE(cm::WriteCard(options, dir->path(), &error)) << error.toStdString();
        plan = cm::PlanCard(options);
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    static QString Path(const QString& relative) { return dir->path() + u'/' + relative; }

    static QTemporaryDir* dir;
    static cm::CardOptions options;
    static std::vector<cm::CardRecording> plan;
};

QTemporaryDir* CardFixture::dir = nullptr;
cm::CardOptions CardFixture::options;
std::vector<cm::CardRecording> CardFixture::plan;

bool Damaged(cm::CardVariant v) {
    return v == cm::CardVariant::PowerLoss || v == cm::CardVariant::CutInsideMovi;
}

TEST_F(CardFixture, EveryFileVerifiesAndTimesAsWritten) {
    int damaged = 0, tooShort = 0;
    for (const auto& r : plan) {
        const QString front = Path(r.FrontPath());
        SCOPED_TRACE(r.FrontPath().toStdString());
        std::int64_t expected = 0;
        const int verdict = VerifyRecording(front, &expected);
        if (Damaged(r.variant)) {
            EXPECT_EQ(verdict, kRecordingDamaged);
            ++damaged;
            continue;
        }
        ASSERT_EQ(verdict, kRecordingSound);
        EXPECT_EQ(expected, QFileInfo(front).size());
        const auto timing = ReadTiming(front);
        ASSERT_TRUE(timing);
        EXPECT_EQ(timing->totalFrames, static_cast<std::uint32_t>(cm::FrameCount(r.front)));
        EXPECT_NEAR(timing->frameDurationMs, 1000.0 * r.front.scale / r.front.rate, 1e-3);
        if (r.variant == cm::CardVariant::TooShort) {
            EXPECT_LE(timing->durationSeconds, 2.0);
            ++tooShort;
        } else {
            EXPECT_GT(timing->durationSeconds, 2.0);
        }
        const auto clip = LoadClip(front);
        ASSERT_TRUE(clip);
        EXPECT_EQ(clip->timeLapse, IsTimeLapse(front));
        EXPECT_TRUE(clip->hasTelemetry);
        EXPECT_EQ(clip->recordCount, cm::TelemetryRecordCount(r.front));
        std::size_t video = 0;
        for (const auto& e : clip->index) {
            video += e.tag == avi::kVideoFourCc;
        }
        EXPECT_EQ(video, static_cast<std::size_t>(cm::FrameCount(r.front)));
        if (r.hasRear) {
            EXPECT_EQ(VerifyRecording(Path(r.RearPath())), kRecordingSound);
            const auto rear = LoadClip(Path(r.RearPath()));
            ASSERT_TRUE(rear);
            EXPECT_FALSE(rear->hasTelemetry);
        }
    }
    EXPECT_EQ(damaged, 2);
    EXPECT_EQ(tooShort, 1);
}

TEST_F(CardFixture, TelemetryDecodesToTheScript) {
    TelemetryReader reader;
    reader.Init();
    int compared = 0;
    for (const auto& r : plan) {
        if (Damaged(r.variant)) {
            continue;
        }
        SCOPED_TRACE(r.FrontPath().toStdString());
        ASSERT_TRUE(reader.Open(Path(r.FrontPath())));
        const auto script = cm::TelemetryScript(r.front);
        ASSERT_EQ(reader.sensors.size(), script.size());
        EXPECT_EQ(reader.header.quality, r.front.header.quality);
        const bool marked =
            r.front.header.thresholdMark == 'M' || r.front.header.thresholdMark == 'D';
        EXPECT_FLOAT_EQ(reader.header.thresholdX,
                        marked ? r.front.header.thresholdX / 1000.0f : -1.0f);
        const bool parking = FileNameOf(r.FrontPath()).startsWith(u'P');
        for (std::size_t i = 0; i < script.size(); ++i) {
            const auto& want = script[i];
            const SensorSample& s = reader.sensors[i];
            const GpsSample& g = reader.gps[i];
            ASSERT_EQ(s.index, static_cast<int>(i));
            EXPECT_NEAR(s.accelX, want.accelX / 1000.0, 1e-6);
            EXPECT_NEAR(s.accelY, want.accelY / 1000.0, 1e-6);
            EXPECT_NEAR(s.accelZ, want.accelZ / 1000.0, 1e-6);
            EXPECT_EQ(s.voltageTenths, want.voltageTenths);
            const int kind = want.emergencyStop == 'D'  ? 6
                             : want.manual == 'D'       ? 5
                             : want.parkingEvent == 'D' ? 7
                             : want.driveSupport == 'H' ? 10
                             : want.driveSupport == 'A' ? 11
                             : want.driveSupport == 'B' ? 12
                                                        : -1;
            EXPECT_EQ(s.kind, kind) << i;
            EXPECT_EQ(s.axis, want.axis == 'X'   ? 1
                              : want.axis == 'Y' ? 2
                              : want.axis == 'Z' ? 3
                                                 : 0);
            EXPECT_EQ(s.speeding, want.speeding == 'D' ? 8 : 0);
            EXPECT_EQ(s.approaching, want.approaching == 'D' ? 9 : 0);
            EXPECT_EQ(s.statusMark, want.statusMark);
            EXPECT_EQ(reader.vehicles[i].words, want.vehicleWords);
            if (parking) {
                EXPECT_EQ(g.valid, 0);
                continue;
            }
            EXPECT_EQ(g.valid, want.gpsStatus == 'A' ? 1 : 0);
            EXPECT_EQ(g.speedKmh, want.speedKmh < 0 ? kNoSpeed : want.speedKmh);
            if (want.positionBlank) {
                EXPECT_EQ(g.latitude, kNoCoordinate);
            } else {
                EXPECT_NEAR(g.latitude, want.latitude, 1e-9);
                EXPECT_NEAR(g.longitude, want.longitude, 1e-9);
            }
            const cm::LocalTime t = want.EffectiveTime();
            EXPECT_EQ(g.time.year, t.year);
            EXPECT_EQ(g.time.month, t.month);
            EXPECT_EQ(g.time.day, t.day);
            EXPECT_EQ(g.time.hour, t.hour);
            EXPECT_EQ(g.time.minute, t.minute);
            EXPECT_EQ(g.time.second, t.second);
        }
        // The frame index covers every frame of the video.
        const auto timing = ReadTiming(Path(r.FrontPath()));
        ASSERT_TRUE(timing);
        reader.frameDurationMs = timing->frameDurationMs;
        ASSERT_TRUE(reader.BuildFrameIndex(timing->totalFrames));
        EXPECT_EQ(SampleAtFrame(reader, 0), &reader.sensors[0]);
        // The last frame shows the last sample, or the one before it where the
        // truncated record times put the last sample on the last frame itself.
        const SensorSample* last = SampleAtFrame(reader, timing->totalFrames - 1);
        ASSERT_NE(last, nullptr);
        EXPECT_GE(last->index, static_cast<int>(script.size()) - 2);
        ++compared;
    }
    EXPECT_GT(compared, 10);
}

TEST_F(CardFixture, CatalogueFindsEveryRecording) {
    Catalogue catalogue;
    RecordingList all;
    int files = 0;
    CollectAll(catalogue, dir->path(), all, files, 0);
    ASSERT_EQ(all.size(), plan.size());
    for (const auto& e : all) {
        const auto it = std::find_if(plan.begin(), plan.end(), [&](const cm::CardRecording& r) {
            return Path(r.FrontPath()) == e.frontPath;
        });
        ASSERT_NE(it, plan.end()) << e.frontPath.toStdString();
        EXPECT_EQ(e.frontDamaged, Damaged(it->variant) ? 1 : 0);
        EXPECT_EQ(e.rearPath.isEmpty(), !it->hasRear);
        EXPECT_EQ(e.parkingGroup, it->group == u"Parking" ? 1 : 0);
    }

    // The card scan: one item per card group, group items below, and every
    // group's list together holds every recording whose group has a label.
    MemoryTree tree;
    RecordingList top, folders;
    ScanContext card(catalogue, tree, top);
    card.folderEntries = &folders;
    card.cardLayout = true;
    ASSERT_TRUE(ScanSource(dir->path(), kTreeRoot, 0, card).ok);
    std::size_t listed = 0;
    for (TreeItem group : tree.Children(kTreeRoot)) {
        const QString groupName = tree.At(group).text;
        ASSERT_TRUE(groupName == u"Normal" || groupName == u"Parking") << groupName.toStdString();
        const auto labels = tree.Children(group);
        EXPECT_GE(labels.size(), 2u);
        for (TreeItem label : labels) {
            RecordingList entries;
            MemoryTree scratch;
            ScanContext list(catalogue, scratch, entries);
            ScanSource(dir->path() + u'/' + groupName + u'/' + tree.At(label).text, kTreeRoot, 1,
                       list);
            EXPECT_FALSE(entries.empty()) << tree.At(label).text.toStdString();
            EXPECT_NE(tree.At(label).data, 0);
            listed += entries.size();
        }
    }
    EXPECT_GE(listed,
              plan.size() - 2); // files numbered from 1 without a start mark stay unlabelled
    EXPECT_LE(listed, plan.size());
}

} // namespace
} // namespace kv
