#include "avi_bytes.h"
#include "csv_export.h"
#include "progress_log.h"
#include "snapshot_names.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv {
namespace {

struct Fixture {
    bool timeLapse = false;
    int frames = 30;
    std::uint32_t rate = 30, scale = 1;
    std::int32_t height = 720;
    char quality = 'H';
    int fileSize = 0; // grow the file to exactly this size with an audio chunk (0: as built)
};

QByteArray Build(const Fixture& f) {
    test::AviSpec s;
    s.timeLapse = f.timeLapse;
    s.chunks = test::SimpleChunks(2, !f.timeLapse);
    // Enough payload that the telemetry block lies in the file's last quarter, as in recordings.
    s.chunks.push_back({"00dc", test::VideoPayload(4096), 0});
    s.totalFrames = static_cast<std::uint32_t>(f.frames);
    s.rate = f.rate;
    s.scale = f.scale;
    s.height = f.height;
    QByteArray header = test::BlockSpec::DefaultHeader();
    header[23] = f.quality;
    const QByteArray block = test::ExactBlock({test::TypicalRecord()}, header);
    s.telemetry = block;
    QByteArray bytes = test::MakeAvi(s);
    if (f.fileSize > 0) {
        // Filler between the index and the telemetry block brings the file to the size.
        s.telemetry = QByteArray(f.fileSize - static_cast<int>(bytes.size()), '\0') + block;
        bytes = test::MakeAvi(s);
    }
    // The video stream's own length field holds the frame count the list shows.
    const std::uint32_t frames = static_cast<std::uint32_t>(f.frames);
    for (int i = 0; i < 4; ++i) {
        bytes[140 + i] = static_cast<char>((frames >> (8 * i)) & 0xFF);
    }
    return bytes;
}

class CsvTest : public ::testing::Test {
protected:
    RecordingEntry Entry(const QString& frontName, const QByteArray& front,
                         const QString& rearName = {}, const QByteArray& rear = {}) {
        RecordingEntry e;
        if (!frontName.isEmpty()) {
            e.frontName = frontName;
            e.frontPath = test::WriteFile(dir.path(), frontName, front);
        }
        if (!rearName.isEmpty()) {
            e.rearName = rearName;
            e.rearPath = test::WriteFile(dir.path(), rearName, rear);
        }
        return e;
    }
    QTemporaryDir dir;
};

TEST_F(CsvTest, LinesFollowTheColumnRules) {
    struct Case {
        const char* what;
        const char* name;
        Fixture fixture;
        const char* expected;
    };
    const Case cases[] = {
        {"full line",
         "AG__-220820-153012-000045F.AVI",
         {},
         "AG__-220820-153012-000045F.AVI,2022/08/20,15:30:12,00:00:01,衝撃,HD,高画質,30.0fps,0MB,"
         "0MB\r\n"},
        {"time-lapse: 600 x 14.985 = 8991 frames at 15 fps",
         "T___-220820-153012-000046F.AVI",
         {true, 600, 15, 1, 720, 'H', 0},
         "T___-220820-153012-000046F.AVI,2022/08/20,15:30:12,00:09:59,常時タイムラプス,HD,高画質,"
         "タイムラプス,0MB,0MB\r\n"},
        {"29.97 fps",
         "A___-220820-153012-000047F.AVI",
         {false, 1800, 30000, 1001, 1080, 'L', 0},
         "A___-220820-153012-000047F.AVI,2022/08/20,15:30:12,00:01:00,常時,FHD,低画質,30.0fps,0MB,"
         "0MB\r\n"},
        {"480 lines: no size, no quality",
         "A___-220820-153012-000048F.AVI",
         {false, 30, 30, 1, 480, 'H', 0},
         "A___-220820-153012-000048F.AVI,2022/08/20,15:30:12,00:00:01,常時,,,30.0fps,0MB,0MB\r\n"},
        {"one byte below a MiB",
         "A___-220820-153012-000049F.AVI",
         {false, 30, 30, 1, 360, 'H', 1048575},
         "A___-220820-153012-000049F.AVI,2022/08/20,15:30:12,00:00:01,常時,SD,高画質,30.0fps,0MB,"
         "0MB\r\n"},
        {"exactly a MiB",
         "A___-220820-153012-000050F.AVI",
         {false, 30, 30, 1, 1440, 'H', 1048576},
         "A___-220820-153012-000050F.AVI,2022/08/20,15:30:12,00:00:01,常時,WQHD,高画質,30.0fps,"
         "1MB,0MB\r\n"},
        // A header without a rate or a scale: no frame rate and no length, never "nanfps".
        {"rate and scale 0",
         "A___-220820-153012-000051F.AVI",
         {false, 30, 0, 0, 720, 'H', 0},
         "A___-220820-153012-000051F.AVI,2022/08/20,15:30:12,00:00:00,常時,HD,高画質,,0MB,0MB\r\n"},
        {"scale 0",
         "A___-220820-153012-000052F.AVI",
         {false, 30, 30, 0, 720, 'H', 0},
         "A___-220820-153012-000052F.AVI,2022/08/20,15:30:12,00:00:00,常時,HD,高画質,,0MB,0MB\r\n"},
        {"rate 0",
         "A___-220820-153012-000053F.AVI",
         {false, 30, 0, 1, 720, 'H', 0},
         "A___-220820-153012-000053F.AVI,2022/08/20,15:30:12,00:00:00,常時,HD,高画質,,0MB,0MB\r\n"},
        // Names with a separator, a quote or a line end are one quoted field.
        {"a comma in the name",
         "A___-220820-153012-000054F,2.AVI",
         {},
         "\"A___-220820-153012-000054F,2.AVI\",2022/08/20,15:30:12,00:00:01,常時,HD,高画質,"
         "30.0fps,0MB,0MB\r\n"},
        {"a quote and a line end in the name",
         "A___-220820-153012-000055F\"\n.AVI",
         {},
         "\"A___-220820-153012-000055F\"\"\n.AVI\",2022/08/20,15:30:12,00:00:01,常時,HD,高画質,"
         "30.0fps,0MB,0MB\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray bytes = Build(c.fixture);
        if (c.fixture.fileSize) {
            ASSERT_EQ(bytes.size(), c.fixture.fileSize);
        }
        EXPECT_EQ(CsvLine(Entry(c.name, bytes)), QString::fromUtf8(c.expected));
    }
}

TEST_F(CsvTest, FallbackLines) {
    QByteArray damaged = Build({});
    damaged[4] = damaged[5] = damaged[6] = damaged[7] = 0; // never closed
    EXPECT_EQ(CsvLine(Entry("AG__-220820-153012-000045F.AVI", damaged)),
              "AG__-220820-153012-000045F.AVI,-,-,-,-,-,-,fps,0MB,0MB\r\n");

    QByteArray noFormat = Build({});
    noFormat[168] = noFormat[169] = noFormat[170] = noFormat[171] = 0;
    EXPECT_EQ(CsvLine(Entry("A___-220820-153012-000046F.AVI", noFormat)),
              "A___-220820-153012-000046F.AVI,-,-,-,-,-,-,fps,0MB,0MB\r\n");

    QByteArray damagedComma = damaged;
    EXPECT_EQ(CsvLine(Entry("AG__-220820-153012-000048F,1.AVI", damagedComma)),
              "\"AG__-220820-153012-000048F,1.AVI\",-,-,-,-,-,-,fps,0MB,0MB\r\n");

    // A rear-only recording falls back with an empty name part (no front file).
    QByteArray rear = Build({});
    rear[4] = 0, rear[5] = 0, rear[6] = 0, rear[7] = 0;
    EXPECT_EQ(CsvLine(Entry({}, {}, "A___-220820-153012-000047R.AVI", rear)),
              ",-,-,-,-,-,-,fps,0MB,0MB\r\n");
}

TEST_F(CsvTest, FileNameFromTheFirstRecording) {
    RecordingEntry e;
    e.frontPath = "/card/Normal/Front/AG__-220820-153012-000045F.AVI";
    EXPECT_EQ(CsvFileName(e), "Dv_20220820_153012.csv");
    RecordingEntry rearOnly;
    rearOnly.rearPath = "/card/Normal/Rear/P___-230101-000009-000046R.AVI";
    EXPECT_EQ(CsvFileName(rearOnly), "Dv_20230101_000009.csv");
}

TEST_F(CsvTest, ExportWritesShiftJisWithCrLfAndReportsProgress) {
    RecordingList list = {Entry("AG__-220820-153012-000045F.AVI", Build({})),
                          Entry("A___-220820-153112-000046F.AVI", Build({}))};
    QTemporaryDir out;
    test::ProgressLog progress;
    OperationControl control;
    control.progress = [&](std::int64_t done, std::int64_t total) {
        progress.emplace_back(done, total);
    };
    QString written;
    ASSERT_EQ(ExportCsv(list, out.path(), control, &written), kOperationDone);
    EXPECT_EQ(written, out.path() + "/Dv_20220820_153012.csv");
    QFile file(written);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // "ファイル名" in Shift_JIS, no byte-order mark.
    EXPECT_TRUE(bytes.startsWith(QByteArray("\x83\x74\x83\x40\x83\x43\x83\x8B\x96\xBC,")));
    EXPECT_EQ(bytes.count("\r\n"), 3);
    EXPECT_EQ(bytes.count('\n'), 3);
    EXPECT_TRUE(bytes.contains(",\x8F\xD5\x8C\x82,")); // 衝撃
    test::ExpectProgressRisesToFull(progress, 2);
}

TEST_F(CsvTest, FailedOrCancelledExportsLeaveNothingBehind) {
    RecordingList list = {Entry("AG__-220820-153012-000045F.AVI", Build({})),
                          Entry("A___-220820-153112-000046F.AVI", Build({}))};
    QTemporaryDir out;
    const QString target = out.path() + "/Dv_20220820_153012.csv";
    test::WriteFile(out.path(), "Dv_20220820_153012.csv", "old contents");

    std::atomic<bool> running{true};
    OperationControl control;
    control.running = &running;
    control.progress = [&](std::int64_t done, std::int64_t) {
        if (done == 0) {
            running = false; // the user cancels after the first line
        }
    };
    EXPECT_EQ(ExportCsv(list, out.path(), control), kOperationCancelled);
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old contents");
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 1);

    CsvError why = CsvError::None;
    EXPECT_EQ(ExportCsv({}, out.path(), {}, nullptr, &why), kOperationFailed);
    EXPECT_EQ(why, CsvError::NoRecordings);
    EXPECT_EQ(ExportCsv(list, out.path() + "/missing/folder", {}, nullptr, &why), kOperationFailed);
    EXPECT_EQ(why, CsvError::CannotCreate);
}

TEST(SnapshotNames, BaseNamesAndPaths) {
    EXPECT_EQ(SnapshotBaseName("/card/Normal/Front/AG__-220820-153012-000045F.AVI"),
              "220820-153012-F");
    EXPECT_EQ(SnapshotBaseName("/card/Normal/Rear/AG__-220820-153012-000045R.AVI"),
              "220820-153012-R");
    EXPECT_EQ(SnapshotBaseName("/x/no-extension"), QString());

    struct Case {
        QString folder, base;
        std::int64_t frame;
        QString front, rear;
    };
    const Case cases[] = {
        {"/shots", "220820-153012-F", 123, "/shots/220820-153012-F-000123.jpg",
         "/shots/220820-153012-R-000123.jpg"},
        {"/", "220820-153012-F", 5, "/220820-153012-F-000005.jpg", "/220820-153012-R-000005.jpg"},
        {"/shots/", "220820-153012-F", 7, "/shots/220820-153012-F-000007.jpg",
         "/shots/220820-153012-R-000007.jpg"},
        // A folder text without any separator gets none.
        {"shots", "220820-153012-F", 7, "shots220820-153012-F-000007.jpg",
         "shots220820-153012-R-000007.jpg"},
        // Only a rear file: the front engine writes the 'R' name, the rear engine the 'F' one.
        {"/shots", "220820-153012-R", 42, "/shots/220820-153012-R-000042.jpg",
         "/shots/220820-153012-F-000042.jpg"},
    };
    for (const auto& c : cases) {
        const auto paths = SnapshotPaths(c.folder, c.base, c.frame);
        ASSERT_TRUE(paths);
        EXPECT_EQ(paths->front, c.front);
        EXPECT_EQ(paths->rear, c.rear);
    }
    EXPECT_FALSE(SnapshotPaths("/shots", "220820-153012-F", -1));
}

} // namespace
} // namespace kv
