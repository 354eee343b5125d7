#include "avi_bytes.h"
#include "event_codes.h"
#include "telemetry_reader.h"

#include <QDate>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv {
namespace {

using test::MakeRecord;
using test::TypicalRecord;

const char* const kFront = "A___-261205-093000-000101F.AVI";

QByteArray With(QByteArray record, int at, const QByteArray& bytes) {
    record.replace(at, static_cast<int>(bytes.size()), bytes);
    return record;
}

// A recording carrying block. Unless padding is given, an audio chunk makes the
// file large enough that the block lies in its last quarter, where the scan
// looks, as in real recordings of many megabytes.
QByteArray Recording(const QByteArray& block, int frames = 12, int padding = -1) {
    test::AviSpec s;
    s.chunks = test::SimpleChunks(frames, true);
    if (padding < 0) {
        padding = static_cast<int>(block.size()) * 4;
    }
    if (padding > 0) {
        s.chunks.push_back({"01wb", QByteArray(padding, '\0'), 0x10});
    }
    s.telemetry = block;
    return test::MakeAvi(s);
}

class TelemetryTest : public ::testing::Test {
protected:
    void SetUp() override { reader.Init(); }
    void TearDown() override { reader.Destroy(); }

    bool Open(const QByteArray& bytes, const QString& name = kFront) {
        return reader.Open(test::WriteFile(dir.path(), name, bytes));
    }
    // Decodes one record inside a small exact-count block.
    const TelemetryReader& DecodeOne(const QByteArray& record) {
        EXPECT_TRUE(Open(Recording(test::ExactBlock({record}))));
        EXPECT_EQ(reader.sensors.size(), 1u);
        return reader;
    }

    QTemporaryDir dir;
    TelemetryReader reader;
};

TEST_F(TelemetryTest, DecodesRecordFields) {
    const auto& r = DecodeOne(TypicalRecord());
    const GpsSample& g = r.gps[0];
    const SensorSample& s = r.sensors[0];
    EXPECT_EQ(g.valid, 1);
    EXPECT_NEAR(g.latitude, 35.652057, 1e-6);
    EXPECT_NEAR(g.longitude, 139.761315, 1e-6);
    EXPECT_DOUBLE_EQ(g.speedKmh, 40.0);
    EXPECT_EQ(g.direction, 0.0);
    EXPECT_EQ(s.voltageTenths, 124);
    EXPECT_NEAR(s.accelX, 0.010, 1e-7);
    EXPECT_NEAR(s.accelY, -0.020, 1e-7);
    EXPECT_NEAR(s.accelZ, 0.980, 1e-7);
    EXPECT_EQ(s.kind, kNoEvent);
    EXPECT_EQ(s.axis, 0);
    EXPECT_EQ(r.recordNumber, 0);
    EXPECT_FLOAT_EQ(r.header.thresholdX, 0.3f);
    EXPECT_FLOAT_EQ(r.header.thresholdY, 0.4f);
    EXPECT_FLOAT_EQ(r.header.thresholdZ, 0.5f);
    EXPECT_FLOAT_EQ(r.header.threshold4, 0.6f);
    EXPECT_EQ(r.header.quality, 'H');
    EXPECT_EQ(r.header.vehicleDataKind, '3');
}

TEST_F(TelemetryTest, NoValueFieldsAndSigns) {
    struct Case {
        const char* what;
        int at;
        QByteArray bytes;
        std::function<void(const GpsSample&, const SensorSample&)> check;
    };
    const std::vector<Case> cases = {
        {"south latitude", 18, QByteArray(1, '\0'),
         [](auto& g, auto&) { EXPECT_NEAR(g.latitude, -35.652057, 1e-6); }},
        {"west longitude", 29, QByteArray(1, '\0'),
         [](auto& g, auto&) { EXPECT_NEAR(g.longitude, -139.761315, 1e-6); }},
        {"latitude without digits", 9, "    .    ",
         [](auto& g, auto&) { EXPECT_EQ(g.latitude, kNoCoordinate); }},
        {"longitude of blanks", 19, "          ",
         [](auto& g, auto&) { EXPECT_EQ(g.longitude, kNoCoordinate); }},
        {"speed of three blanks and a 0", 30, "   0",
         [](auto& g, auto&) { EXPECT_EQ(g.speedKmh, 0.0); }},
        {"speed of four blanks", 30, "    ",
         [](auto& g, auto&) { EXPECT_EQ(g.speedKmh, kNoSpeed); }},
        {"speed field holding a NUL first", 30, QByteArray("\0 99", 4),
         [](auto& g, auto&) { EXPECT_EQ(g.speedKmh, kNoSpeed); }},
        {"no fix", 8, "V", [](auto& g, auto&) { EXPECT_EQ(g.valid, 0); }},
        {"voltage of three blanks", 51, "   ",
         [](auto&, auto& s) { EXPECT_EQ(s.voltageTenths, kNoVoltage); }},
        {"signed acceleration", 62, "-0123",
         [](auto&, auto& s) { EXPECT_NEAR(s.accelX, -0.123, 1e-7); }},
        {"acceleration of blanks", 67, "     ", [](auto&, auto& s) { EXPECT_EQ(s.accelY, 0.0); }},
        {"status mark and nibbles", 128, "r\x5C",
         [](auto&, auto& s) {
             EXPECT_EQ(s.statusMark, 'r');
             EXPECT_EQ(s.nibbleHigh, 5);
             EXPECT_EQ(s.nibbleLow, 12);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto& r = DecodeOne(With(TypicalRecord(), c.at, c.bytes));
        c.check(r.gps[0], r.sensors[0]);
    }
}

TEST_F(TelemetryTest, TimeStampsAreLocalTimeNormalised) {
    struct Case {
        QByteArray stamp; // bytes 34-45
        QByteArray added; // bytes 47-49
        QDateTime expected;
    };
    const QDate day(2026, 12, 5);
    const std::vector<Case> cases = {
        {"261205093000", "000", QDateTime(day, QTime(9, 30, 0))},
        {"261205093060", "000", QDateTime(day, QTime(9, 31, 0))}, // second 60 rolls over
        {"261205235959", "005", QDateTime(day.addDays(1), QTime(0, 0, 4))},
        {"261205093000", "*05", QDateTime(day, QTime(9, 30, 0))}, // '*' adds nothing
        {"261231235959", "001", QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stamp.toStdString() + " + " + c.added.toStdString());
        QByteArray record = With(TypicalRecord(c.stamp), 47, c.added);
        const CalendarTime& t = DecodeOne(record).gps[0].time;
        EXPECT_EQ(t.year, c.expected.date().year());
        EXPECT_EQ(t.month, c.expected.date().month());
        EXPECT_EQ(t.day, c.expected.date().day());
        EXPECT_EQ(t.dayOfWeek, c.expected.date().dayOfWeek() % 7);
        EXPECT_EQ(t.hour, c.expected.time().hour());
        EXPECT_EQ(t.minute, c.expected.time().minute());
        EXPECT_EQ(t.second, c.expected.time().second());
    }
}

TEST_F(TelemetryTest, EventFlagsAndPriority) {
    struct Case {
        QByteArray
            flags; // bytes 77-83: manual, axis, support, stop, parking, speeding, approaching
        int kind, axis, speeding, approaching;
    };
    const Case cases[] = {
        {"NNNNNNN", -1, 0, 0, 0}, {"DNNNNNN", 5, 0, 0, 0},  {"DNNDNNN", 6, 0, 0, 0},
        {"DNNNDNN", 5, 0, 0, 0},  {"NNNNDNN", 7, 0, 0, 0},  {"NNHNDNN", 7, 0, 0, 0},
        {"NNHNNNN", 10, 0, 0, 0}, {"NNANNNN", 11, 0, 0, 0}, {"NNBNNNN", 12, 0, 0, 0},
        {"NXNNNNN", -1, 1, 0, 0}, {"NYNNNNN", -1, 2, 0, 0}, {"NZBNNNN", 12, 3, 0, 0},
        {"NNNNNDN", -1, 0, 8, 0}, {"NNNNNND", -1, 0, 0, 9}, {"DQNNNDD", 5, 0, 8, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags.toStdString());
        const SensorSample& s = DecodeOne(With(TypicalRecord(), 77, c.flags)).sensors[0];
        EXPECT_EQ(s.kind, c.kind);
        EXPECT_EQ(s.axis, c.axis);
        EXPECT_EQ(s.speeding, c.speeding);
        EXPECT_EQ(s.approaching, c.approaching);
    }
    EXPECT_EQ(EventLabel(kEventSupportBraking), QStringLiteral("ドライブサポート\u3000急ブレーキ"));
    EXPECT_EQ(EventLabel(EventCodeOfAxis(2)), QStringLiteral("急ハンドル"));
    EXPECT_TRUE(EventLabel(13).isEmpty());
}

TEST_F(TelemetryTest, VehicleWordsAreRawLittleEndian) {
    QByteArray record = TypicalRecord();
    record.replace(84, 4, QByteArray("\x01\x02\x03\x04", 4));
    record.replace(88, 2, QByteArray("\x34\x12", 2));
    record.replace(88 + 2 * 17, 2, "  ");
    const VehicleSample& v = DecodeOne(record).vehicles[0];
    EXPECT_EQ(v.bytes[0], 1);
    EXPECT_EQ(v.bytes[3], 4);
    EXPECT_EQ(v.words[0], 0x1234);
    EXPECT_EQ(v.words[17], 0x2020);
}

std::vector<QByteArray> Records(int n) {
    std::vector<QByteArray> records;
    for (int i = 0; i < n; ++i) {
        QByteArray r = TypicalRecord();
        r.replace(62, 5, QByteArray::number(i * 100).rightJustified(5, '0'));
        records.push_back(r);
    }
    return records;
}

TEST_F(TelemetryTest, LocatesBlockOnBothPaths) {
    // Full-length block of a file larger than the block: the fixed position.
    ASSERT_TRUE(Open(Recording(test::FullLengthBlock(Records(7)))));
    EXPECT_EQ(reader.sensors.size(), 7u); // stops at the end record
    EXPECT_EQ(reader.recordNumber, 6);
    EXPECT_TRUE(reader.loaded);
    EXPECT_TRUE(reader.path.endsWith(kFront));

    // A file no larger than a full block: found only by the scan.
    const QByteArray small = Recording(test::ExactBlock(Records(5)));
    ASSERT_LE(small.size(), 598068);
    ASSERT_TRUE(Open(small));
    EXPECT_EQ(reader.sensors.size(), 5u);
    EXPECT_NEAR(reader.sensors[4].accelX, 0.4, 1e-7);

    // Open-ended count in a short block.
    test::BlockSpec open;
    open.count = 0xFFFF;
    open.records = Records(3);
    open.endRecord = true;
    open.fillerSlots = 2;
    ASSERT_TRUE(Open(Recording(test::MakeBlock(open))));
    EXPECT_EQ(reader.sensors.size(), 3u);
}

TEST_F(TelemetryTest, EmptyAndMissingBlocks) {
    ASSERT_TRUE(Open(Recording(QByteArray())));
    EXPECT_TRUE(reader.gps.empty());
    EXPECT_EQ(reader.recordNumber, -1);
    reader.frameDurationMs = 33.333332f;
    ASSERT_TRUE(reader.BuildFrameIndex(50));
    EXPECT_EQ(SampleAtFrame(reader, 0), nullptr);
    EXPECT_EQ(SampleAtFrame(reader, 49), nullptr);

    ASSERT_TRUE(Open(Recording(test::ExactBlock({}))));
    EXPECT_TRUE(reader.sensors.empty());

    EXPECT_FALSE(reader.Open(dir.path() + "/missing-000001F.AVI"));
    EXPECT_FALSE(reader.loaded);
    EXPECT_TRUE(reader.path.isEmpty());
}

TEST_F(TelemetryTest, EarlyEndRecordNeverDuplicatesSamples) {
    // A fixed count of 5 with an end record after 3: the fixed-position pass
    // fails, the scan finds the same block again and must not append a
    // second copy of the first records.
    test::BlockSpec recipe;
    recipe.count = 5;
    recipe.records = Records(3);
    recipe.endRecord = true;
    recipe.fillerSlots = 4600 - 4;
    const QByteArray block = test::MakeBlock(recipe);
    ASSERT_EQ(block.size(), 598068);
    // Large enough that the block lies inside the scanned last quarter.
    ASSERT_TRUE(Open(Recording(block, 12, 2 * 1024 * 1024)));
    EXPECT_EQ(reader.sensors.size(), 3u);
    EXPECT_EQ(reader.gps.size(), 3u);

    ASSERT_TRUE(Open(Recording(test::MakeBlock(recipe), 12, 0)));
    EXPECT_EQ(reader.sensors.size(), 3u);
}

TEST_F(TelemetryTest, ScanLooksOnlyInTheLastQuarter) {
    // An exact-count block longer than a quarter of a small file is not found.
    ASSERT_TRUE(Open(Recording(test::ExactBlock(Records(20)), 12, 0)));
    EXPECT_TRUE(reader.sensors.empty());
    ASSERT_TRUE(Open(Recording(test::ExactBlock(Records(20)))));
    EXPECT_EQ(reader.sensors.size(), 20u);
}

TEST_F(TelemetryTest, CountsLargerThanTheFileDecodeWhatIsThere) {
    test::BlockSpec recipe;
    recipe.count = 60000;
    recipe.records = Records(4);
    ASSERT_TRUE(Open(Recording(test::MakeBlock(recipe))));
    // The trailer bytes are the start of a fifth record that does not fit.
    EXPECT_EQ(reader.sensors.size(), 4u);
}

TEST_F(TelemetryTest, ChainedHeaderReplacesTheFirst) {
    QByteArray first = TypicalRecord();
    first.replace(2, 4, "@CSA");
    QByteArray second(40, '\0');
    second.replace(0, 16, "1000110012001300");
    second[16] = 'D';
    second[23] = 'L';
    second[25] = 'N';
    first.replace(6, 40, second);
    ASSERT_TRUE(Open(Recording(test::ExactBlock({first, TypicalRecord()}))));
    EXPECT_FLOAT_EQ(reader.header.thresholdX, 1.0f);
    EXPECT_FLOAT_EQ(reader.header.threshold4, 1.3f);
    EXPECT_EQ(reader.header.quality, 'L');
    EXPECT_EQ(reader.header.vehicleDataKind, 'N');
    EXPECT_EQ(reader.sensors.size(), 2u); // records are still read from the first position

    QByteArray noMark = test::BlockSpec::DefaultHeader();
    noMark[16] = 'X';
    ASSERT_TRUE(Open(Recording(test::ExactBlock({TypicalRecord()}, noMark))));
    EXPECT_EQ(reader.header.thresholdX, -1.0f);
    EXPECT_EQ(reader.header.threshold4, -1.0f);
}

TEST_F(TelemetryTest, RecordIntervalFollowsTheName) {
    ASSERT_TRUE(Open(Recording(test::ExactBlock(Records(4))), "T___-261205-093000-000101F.AVI"));
    EXPECT_FLOAT_EQ(reader.recordIntervalMs, 66.666664f);
    // The product is taken in single precision, then truncated.
    EXPECT_EQ(reader.sensors[2].frame, 133);
    EXPECT_EQ(reader.sensors[3].frame, 200);
    EXPECT_EQ(reader.gps[2].frame, 133);

    ASSERT_TRUE(Open(Recording(test::ExactBlock(Records(4))), kFront));
    EXPECT_FLOAT_EQ(reader.recordIntervalMs, 100.0f);
    EXPECT_EQ(reader.sensors[3].frame, 300);
}

TEST_F(TelemetryTest, ParkingRecordingsGetGpsPlaceholders) {
    ASSERT_TRUE(Open(Recording(test::ExactBlock(Records(12))), "P___-261205-093000-000101F.AVI"));
    ASSERT_EQ(reader.gps.size(), 12u);
    for (const auto& g : reader.gps) {
        EXPECT_EQ(g.valid, 0);
        EXPECT_EQ(g.latitude, kNoCoordinate);
    }
    reader.frameDurationMs = 33.333332f;
    ASSERT_TRUE(reader.BuildFrameIndex(40));
    for (const auto& s : reader.sensors) {
        EXPECT_EQ(s.gps, &reader.gps[0]);
    }
    EXPECT_NEAR(reader.peak, 1.1, 1e-6);
}

TEST_F(TelemetryTest, MoveFromHandsOverAndClears) {
    ASSERT_TRUE(Open(Recording(test::ExactBlock(Records(6)))));
    reader.frameDurationMs = 33.333332f;
    ASSERT_TRUE(reader.BuildFrameIndex(20));
    const SensorSample* linked = SampleAtFrame(reader, 10);
    TelemetryReader target;
    target.Init();
    EXPECT_TRUE(MoveFrom(target, reader));
    EXPECT_EQ(target.sensors.size(), 6u);
    EXPECT_EQ(SampleAtFrame(target, 10), linked); // links survive the move
    EXPECT_EQ(target.sensors[5].gps, &target.gps[0]);
    EXPECT_TRUE(reader.gps.empty());
    EXPECT_TRUE(reader.path.isEmpty());
    // Moving an empty reader frees what the target held.
    TelemetryReader empty;
    empty.Init();
    EXPECT_FALSE(MoveFrom(target, empty));
    EXPECT_TRUE(target.sensors.empty());
    EXPECT_EQ(SampleAtFrame(target, 10), nullptr);
}

} // namespace
} // namespace kv

namespace kv {
namespace {

TEST_F(TelemetryTest, TrackPointsOfSeveralRecordings) {
    const QString a = test::WriteFile(dir.path(), "A___-261205-093000-000101F.AVI",
                                      Recording(test::ExactBlock(Records(3))));
    test::AviSpec broken;
    broken.chunks = test::SimpleChunks(4, true);
    broken.riffSize = 0;
    broken.telemetry = test::ExactBlock(Records(9));
    const QString damaged =
        test::WriteFile(dir.path(), "A___-261205-093100-000102F.AVI", test::MakeAvi(broken));
    const QString parking = test::WriteFile(dir.path(), "P___-261205-093200-000103F.AVI",
                                            Recording(test::ExactBlock(Records(2))));
    test::AviSpec lapse;
    lapse.timeLapse = true;
    lapse.chunks = test::SimpleChunks(4, false);
    lapse.telemetry = test::FullLengthBlock(Records(4));
    const QString timeLapse =
        test::WriteFile(dir.path(), "T___-261205-093300-000104F.AVI", test::MakeAvi(lapse));

    std::vector<GpsSample> track(5); // replaced, not appended to
    ASSERT_TRUE(LoadTrackPoints({a, damaged, parking, dir.path() + "/gone.AVI", timeLapse}, track));
    ASSERT_EQ(track.size(), 3u + 2u + 4u);
    EXPECT_EQ(track[0].index, 0);
    EXPECT_EQ(track[0].valid, 1);
    EXPECT_NEAR(track[2].latitude, 35.652057, 1e-6);
    EXPECT_EQ(track[3].valid, 0); // parking placeholder
    EXPECT_EQ(track[5].index, 0);
    // Without the header the interval stays 100 ms, also for time-lapse recordings.
    EXPECT_EQ(track[8].frame, 300);
}

TEST_F(TelemetryTest, HeaderOnlyOfSoundRecordings) {
    QByteArray header = test::BlockSpec::DefaultHeader();
    header[23] = 'L';
    const QString sound =
        test::WriteFile(dir.path(), kFront, Recording(test::ExactBlock(Records(2), header)));
    TelemetryHeader h;
    ASSERT_TRUE(ReadHeaderOnly(sound, h));
    EXPECT_EQ(h.quality, 'L');
    EXPECT_FLOAT_EQ(h.thresholdZ, 0.5f);

    test::AviSpec broken;
    broken.chunks = test::SimpleChunks(4, true);
    broken.riffSize = 0;
    broken.telemetry = test::ExactBlock(Records(2), header);
    TelemetryHeader untouched;
    EXPECT_FALSE(ReadHeaderOnly(
        test::WriteFile(dir.path(), "A___-261205-093100-000102F.AVI", test::MakeAvi(broken)),
        untouched));
    EXPECT_EQ(untouched.quality, 0);
}

} // namespace
} // namespace kv
