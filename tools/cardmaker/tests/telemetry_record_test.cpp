// Field encoding of the telemetry header and records, names and clock arithmetic.

#include "avi_inspect.h"
#include "cardmaker.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace kv::cardmaker {
namespace {

TelemetryScriptRecord Baseline() {
    TelemetryScriptRecord r;
    r.sequence = 42;
    r.gpsStatus = 'A';
    r.positionBlank = false;
    r.latitude = 35.0 + 39.1234 / 60.0;
    r.longitude = 139.0 + 45.5 / 60.0;
    r.speedKmh = 57;
    r.time = {2026, 12, 4, 8, 10, 59};
    r.addedSeconds = 0;
    r.voltageTenths = 142;
    r.accelX = 12;
    r.accelY = -7;
    r.accelZ = 3;
    r.vehicleWords.fill(0x2020);
    return r;
}

struct FieldCase {
    const char* what;
    std::function<void(TelemetryScriptRecord&)> change;
    int offset;
    std::string expected;
};

TEST(TelemetryRecordEncoding, FieldsLandAtTheirOffsets) {
    const FieldCase cases[] = {
        {"sequence", [](auto& r) { r.sequence = 12345678; }, 0, "12345678"},
        {"status", [](auto& r) { r.gpsStatus = 'V'; }, 8, "V"},
        {"latitude north", [](auto&) {}, 9, std::string("3539.1234N", 10)},
        {"latitude south", [](auto& r) { r.latitude = -r.latitude; }, 9,
         std::string("3539.1234\0", 10)},
        {"latitude rounds up into the next degree", [](auto& r) { r.latitude = 35.9999999999; }, 9,
         "3600.0000"},
        {"longitude east", [](auto&) {}, 19, "13945.5000E"},
        {"longitude west", [](auto& r) { r.longitude = -r.longitude; }, 19,
         std::string("13945.5000\0", 11)},
        {"blank position", [](auto& r) { r.positionBlank = true; }, 9,
         std::string("         \0          \0", 21)},
        {"speed", [](auto&) {}, 30, "  57"},
        {"speed zero", [](auto& r) { r.speedKmh = 0; }, 30, "   0"},
        {"speed blank", [](auto& r) { r.speedKmh = -1; }, 30, "    "},
        {"date and time", [](auto&) {}, 34, "261204081059"},
        {"added seconds", [](auto& r) { r.addedSeconds = 5; }, 47, "005"},
        {"nothing added", [](auto& r) { r.addedSeconds = -1; }, 47, "*"},
        {"voltage", [](auto&) {}, 51, "142"},
        {"low voltage", [](auto& r) { r.voltageTenths = 95; }, 51, "095"},
        {"voltage blank", [](auto& r) { r.voltageTenths = -1; }, 51, "   "},
        {"accelerations", [](auto&) {}, 62, "00012-000700003"},
        {"negative acceleration", [](auto& r) { r.accelX = -123; }, 62, "-0123"},
        {"large acceleration", [](auto& r) { r.accelZ = -940; }, 72, "-0940"},
        {"flags",
         [](auto& r) {
             r.manual = 'D';
             r.axis = 'Y';
             r.driveSupport = 'B';
             r.emergencyStop = 'D';
             r.parkingEvent = 'D';
             r.speeding = 'D';
             r.approaching = 'D';
         },
         77, "DYBDDDD"},
        {"no flags", [](auto&) {}, 77, "  N    "},
        {"vehicle bytes",
         [](auto& r) {
             r.vehicleBytes = {1, 2, 0xFE, 0x20};
         },
         84, std::string("\x01\x02\xFE\x20", 4)},
        {"first vehicle word little-endian", [](auto& r) { r.vehicleWords[0] = 0x1234; }, 88,
         "\x34\x12"},
        {"last vehicle word", [](auto& r) { r.vehicleWords[17] = 0x3FFF; }, 122, "\xFF\x3F"},
        {"status mark and nibbles",
         [](auto& r) {
             r.statusMark = 'r';
             r.nibbles = 0x7A;
         },
         128, "r\x7A"},
    };
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(c.what);
        TelemetryScriptRecord r = Baseline();
        c.change(r);
        const QByteArray bytes = EncodeTelemetryRecord(r);
        ASSERT_EQ(bytes.size(), 130);
        EXPECT_EQ(bytes.mid(c.offset, static_cast<qsizetype>(c.expected.size())).toStdString(),
                  c.expected);
    }
}

TEST(TelemetryRecordEncoding, FlagByteWithoutEventIsNotAnEventLetter) {
    // The decoder looks for 'D' and axis letters only; the idle bytes must be neither.
    const QByteArray bytes = EncodeTelemetryRecord(Baseline());
    for (int offset : {77, 78, 80, 81, 82, 83}) {
        EXPECT_NE(bytes[offset], 'D') << offset;
        EXPECT_NE(bytes[offset], 'X') << offset;
        EXPECT_NE(bytes[offset], 'Y') << offset;
        EXPECT_NE(bytes[offset], 'Z') << offset;
    }
}

TEST(TelemetryRecordEncoding, DecodesBackToTheScriptedValues) {
    // Through the field table's reading rules (atof, hemisphere bytes, blanks).
    TelemetryScriptRecord r = Baseline();
    r.latitude = -(12.0 + 3.0001 / 60.0);
    r.longitude = 7.0 + 59.9999 / 60.0;
    const testing::DecodedRecord d = testing::DecodeRecord(EncodeTelemetryRecord(r));
    EXPECT_NEAR(d.latitude, r.latitude, 1e-9);
    EXPECT_NEAR(d.longitude, r.longitude, 1e-9);
    EXPECT_EQ(d.speed, 57.0);
    EXPECT_EQ(d.accel[1], -7);

    r.positionBlank = true;
    r.speedKmh = -1;
    const testing::DecodedRecord blank = testing::DecodeRecord(EncodeTelemetryRecord(r));
    EXPECT_EQ(blank.latitude, 720.0); // the blank hemisphere byte must not flip the marker
    EXPECT_EQ(blank.longitude, 720.0);
    EXPECT_EQ(blank.speed, 32767.0);
}

TEST(TelemetryHeaderEncoding, Bytes) {
    TelemetryHeaderSpec h;
    h.thresholdX = 500;
    h.thresholdY = 45;
    h.thresholdZ = 1200;
    h.threshold4 = 300;
    QByteArray b = EncodeTelemetryHeader(h);
    ASSERT_EQ(b.size(), 32);
    EXPECT_EQ(b.left(16).toStdString(), "0500004512000300");
    EXPECT_EQ(b[16], 'M');
    EXPECT_EQ(b[23], 'H');
    EXPECT_EQ(b[25], '3');
    EXPECT_EQ(b[26], '1');
    EXPECT_EQ(b[27], '1');

    h.thresholdMark = 'D';
    h.quality = 'L';
    h.vehicleDataKind = 'N';
    h.speedDisplay = false;
    h.gpsDisplay = false;
    b = EncodeTelemetryHeader(h);
    EXPECT_EQ(b[16], 'D');
    EXPECT_EQ(b[23], 'L');
    EXPECT_EQ(b[25], 'N');
    EXPECT_EQ(b[26], '\0');
    EXPECT_EQ(b[27], '\0');
}

TEST(LocalClock, AddSeconds) {
    struct Case {
        LocalTime from;
        std::int64_t seconds;
        LocalTime to;
    };
    const Case cases[] = {
        {{2026, 12, 4, 8, 10, 59}, 1, {2026, 12, 4, 8, 11, 0}},
        {{2026, 12, 31, 23, 59, 59}, 1, {2027, 1, 1, 0, 0, 0}},
        {{2028, 2, 28, 23, 59, 59}, 1, {2028, 2, 29, 0, 0, 0}}, // leap year
        {{2027, 2, 28, 23, 59, 59}, 1, {2027, 3, 1, 0, 0, 0}},
        {{2026, 3, 1, 0, 0, 0}, -1, {2026, 2, 28, 23, 59, 59}},
        {{2026, 12, 4, 8, 10, 0}, 86400 * 30, {2027, 1, 3, 8, 10, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AddSeconds(c.from, c.seconds), c.to);
        EXPECT_EQ(SecondsSince2000(c.to) - SecondsSince2000(c.from), c.seconds);
    }
    TelemetryScriptRecord r;
    r.time = {2026, 12, 4, 23, 59, 59};
    r.addedSeconds = 2;
    EXPECT_EQ(r.EffectiveTime(), (LocalTime{2026, 12, 5, 0, 0, 1}));
    r.addedSeconds = -1;
    EXPECT_EQ(r.EffectiveTime(), r.time);
}

TEST(RecordingNames, Grammar) {
    struct Case {
        const char* name;
        bool valid;
        bool timeLapse;
        bool parking;
    };
    const Case cases[] = {
        {"A___-261204-081000-000101F.AVI", true, false, false},
        {"A__S-261204-081000-000101R.AVI", true, false, false},
        {"AG__-261204-081000-000101F.AVI", true, false, false},
        {"P__S-261204-081000-000101F.AVI", true, false, true},
        {"PG__-261204-081000-000101F.AVI", true, false, true},
        {"T___-261204-081000-000101F.AVI", true, true, false},
        {"P_T_-261204-081000-000101F.AVI", true, true, true},
        {"A_T_-261204-081000-000101F.AVI", true, true, false},
        {"__T_-261204-081000-000101F.AVI", true, true, true},
        {"AS__-261204-081000-000101F.AVI", false, false, false}, // 'S' belongs in place 4
        {"_G__-261204-081000-000101F.AVI", false, false, false}, // neither mode nor 'T'
        {"A_O_-261204-081000-000101F.AVI", false, false, false},
        {"A___-261204-081000-000101F.avi", false, false, false},
        {"A___-261304-081000-000101F.AVI", false, false, false}, // month 13
        {"A___-260230-081000-000101F.AVI", false, false, false}, // 30 February
        {"A___-261204-246000-000101F.AVI", false, false, false},
        {"A___-261204-081000-00101F.AVI", false, false, false},
        {"A___-261204-081000-000101X.AVI", false, false, false},
    };
    for (const Case& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        EXPECT_EQ(IsValidRecordingName(name), c.valid) << c.name;
        if (c.valid) {
            EXPECT_EQ(IsTimeLapseName(name), c.timeLapse) << c.name;
            EXPECT_EQ(IsParkingGroupName(name), c.parking) << c.name;
        }
    }
}

TEST(RecordingNames, BuildAndTakeApart) {
    const QString name = MakeRecordingName(QStringLiteral("PGT_"), {2026, 1, 2, 3, 4, 5}, 42, 'F');
    EXPECT_EQ(name, QStringLiteral("PGT_-260102-030405-000042F.AVI"));
    EXPECT_EQ(StartTimeFromName(name), (LocalTime{2026, 1, 2, 3, 4, 5}));
    EXPECT_EQ(FileNumberFromName(name), 42);
    EXPECT_EQ(CounterpartName(name), QStringLiteral("PGT_-260102-030405-000042R.AVI"));
    EXPECT_TRUE(IsFrontName(name));
    EXPECT_FALSE(IsFrontName(CounterpartName(name)));
}

} // namespace
} // namespace kv::cardmaker
