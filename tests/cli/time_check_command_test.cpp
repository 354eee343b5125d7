// kolvista-cli check and the clock offset of info: recordings built byte by
// byte with a known clock offset, camera lengths and telemetry length.

#include "avi_bytes.h"
#include "cli_card.h"
#include "cli_runner.h"
#include "commands.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv::cli {
namespace {

const test::Chunk kLongAudio{"01wb", QByteArray(16000, '\0'), 0x10};

struct Recording {
    const char* what;
    int offsetSeconds; // telemetry stamps minus the name's time
    int frontFrames;   // 30 per second
    int rearFrames;    // 0: no rear file
    int records;       // 10 per second of video
    bool damaged;
    const char* finding; // part of the expected line; null: no line
};

class TimeCheck : public ::testing::Test {
protected:
    // Writes a front (and rear) file named for start + 10 n minutes. A long
    // audio chunk at the end puts the telemetry block into the last quarter
    // of the file, where the recorder's short blocks lie.
    QString Write(const Recording& r, int n) {
        const QDateTime start(QDate(2026, 12, 5), QTime(9, 0).addSecs(n * 600), Qt::LocalTime);
        const QString stem = QStringLiteral("A___-%1-%2")
                                 .arg(start.toString("yyMMdd-HHmmss"))
                                 .arg(101 + n, 6, 10, QChar(u'0'));
        std::vector<QByteArray> records;
        for (int i = 0; i < r.records; ++i) {
            const QDateTime stamp = start.addSecs(r.offsetSeconds + i / 10);
            records.push_back(test::TypicalRecord(stamp.toString("yyMMddHHmmss").toLatin1()));
        }
        test::AviSpec recipe;
        recipe.chunks = test::SimpleChunks(r.frontFrames, true);
        recipe.chunks.push_back(kLongAudio);
        recipe.telemetry = test::ExactBlock(records);
        if (r.damaged) {
            recipe.riffSize = 0;
        }
        const QString front = test::WriteFile(dir.path(), stem + "F.AVI", test::MakeAvi(recipe));
        if (r.rearFrames > 0) {
            recipe.chunks = test::SimpleChunks(r.rearFrames, true);
            recipe.chunks.push_back(kLongAudio);
            recipe.telemetry.clear();
            test::WriteFile(dir.path(), stem + "R.AVI", test::MakeAvi(recipe));
        }
        return front;
    }
    QTemporaryDir dir;
};

TEST_F(TimeCheck, ListsTheRecordingsThatDisagreeAndOnlyThose) {
    const std::vector<Recording> recordings = {
        {"in step", 0, 90, 90, 30, false, nullptr},
        {"clock a minute off", 60, 90, 90, 30, false, nullptr},
        {"clock two minutes off", -120, 90, 90, 30, false, nullptr},
        {"clock ahead", -121, 90, 90, 30, false, "clock offset -121 s"},
        {"clock behind", 300, 90, 90, 30, false, "clock offset +300 s"},
        {"rear a second short", 0, 90, 60, 30, false, nullptr},
        {"rear longer", 0, 90, 121, 30, false, "front 90 frames, rear 121 frames: 1.033 s"},
        {"no rear", 0, 90, 0, 30, false, nullptr},
        {"telemetry one record short", 0, 90, 90, 29, false, nullptr},
        {"telemetry short", 0, 90, 90, 20, false, "telemetry covers 2.000 s of 3.000 s"},
        {"damaged", 0, 90, 90, 30, true, "not checked"},
    };
    QStringList names;
    for (std::size_t n = 0; n < recordings.size(); ++n) {
        names << QFileInfo(Write(recordings[n], static_cast<int>(n))).fileName();
    }
    const Result r = RunCli({"check", dir.path()});
    EXPECT_EQ(r.code, kExitFindings) << r.err.toStdString();
    int flagged = 0;
    for (std::size_t n = 0; n < recordings.size(); ++n) {
        const Recording& want = recordings[n];
        SCOPED_TRACE(want.what);
        const QStringList lines = r.out.split(u'\n').filter(names[static_cast<qsizetype>(n)]);
        if (!want.finding) {
            EXPECT_TRUE(lines.isEmpty()) << lines.join(u'\n').toStdString();
            continue;
        }
        ASSERT_EQ(lines.size(), 1) << r.out.toStdString();
        EXPECT_TRUE(lines[0].contains(QLatin1String(want.finding))) << lines[0].toStdString();
        flagged += want.damaged ? 0 : 1;
    }
    EXPECT_TRUE(r.out.contains(QStringLiteral("checked %1 of %2 recordings: %3 with findings")
                                   .arg(recordings.size() - 1)
                                   .arg(recordings.size())
                                   .arg(flagged)))
        << r.out.toStdString();
}

TEST_F(TimeCheck, InfoReportsTheClockOffset) {
    struct Case {
        int offset;
        const char* line;
    };
    int n = 0;
    for (const Case& c : {Case{0, "clock offset:    0 s"}, Case{-45, "clock offset:    -45 s"},
                          Case{3600, "clock offset:    +3600 s"}}) {
        const QString front = Write({"", c.offset, 90, 0, 30, false, nullptr}, n++);
        const Result r = RunCli({"info", front});
        ASSERT_EQ(r.code, kExitOk);
        EXPECT_TRUE(r.out.contains(QLatin1String(c.line))) << r.out.toStdString();
    }
    // Without a fix there is no GPS time to compare with.
    std::vector<QByteArray> records(30, test::TypicalRecord());
    for (QByteArray& record : records) {
        record[8] = 'V';
    }
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(90, true);
    recipe.chunks.push_back(kLongAudio);
    recipe.telemetry = test::ExactBlock(records);
    const QString noFix =
        test::WriteFile(dir.path(), "A___-261205-093000-000999F.AVI", test::MakeAvi(recipe));
    EXPECT_TRUE(RunCli({"info", noFix}).out.contains("clock offset:    unknown"));
}

TEST(TimeCheckCard, ACardFromTheCardMakerIsInStep) {
    const test_card::Card& card = test_card::Shared();
    ASSERT_TRUE(card.ok) << card.error.toStdString();
    const Result r = RunCli({"check", card.root()});
    EXPECT_EQ(r.code, kExitOk) << r.out.toStdString();
    int damaged = 0;
    for (const auto& rec : card.plan) {
        damaged += test_card::Damaged(rec) ? 1 : 0;
    }
    EXPECT_EQ(r.out.count("not checked"), damaged) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("checked %1 of %2 recordings: 0 with findings")
                                   .arg(card.plan.size() - static_cast<std::size_t>(damaged))
                                   .arg(card.plan.size())))
        << r.out.toStdString();
}

} // namespace
} // namespace kv::cli
