// kolvista-cli check and the clock offset of info: recordings built byte by
// byte with a known clock offset, camera lengths and telemetry length.

#include "../recordings/child_run.h"
#include "avi_bytes.h"
#include "cli_card.h"
#include "cli_runner.h"
#include "commands.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

#include <unistd.h>

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

// A recording whose front file is empty or may not be read (its rear file
// is sound) is neither called sound nor passed over: list names the file
// unreadable, check counts the recording as not checked and exits with
// findings, also for the empty file given alone. Run as another user when
// the test runs as root, for whom no mode makes a file unreadable.
TEST_F(TimeCheck, EmptyAndUnreadableRecordingsAreCountedAndNeverSound) {
    const QString sound = QFileInfo(Write({"sound", 0, 90, 0, 30, false, nullptr}, 0)).fileName();
    const QString empty = Write({"empty front", 0, 90, 90, 30, false, nullptr}, 1);
    const QString locked = Write({"locked front", 0, 90, 90, 30, false, nullptr}, 2);
    ASSERT_TRUE(QFile::resize(empty, 0));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
    ASSERT_TRUE(QFile::setPermissions(
        dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                        QFileDevice::ReadOther | QFileDevice::ExeOther));
    const QString emptyName = QFileInfo(empty).fileName();
    const QString lockedName = QFileInfo(locked).fileName();
    // The child's verdicts as bits of its exit code (0: all as expected).
    const test::ChildEnd end = test::RunInChild([&]() -> int {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return 128;
        }
        int wrong = 0;
        const Result list = RunCli({"list", dir.path()});
        wrong |= list.out.contains(sound + "  front ok  rear -") ? 0 : 1;
        wrong |= list.out.contains(emptyName + "  front unreadable  rear ok") ? 0 : 2;
        wrong |= list.out.contains(lockedName + "  front unreadable  rear ok") ? 0 : 4;
        const Result check = RunCli({"check", dir.path()});
        wrong |= check.code == kExitFindings ? 0 : 8;
        wrong |= check.out.contains("checked 1 of 3 recordings: 0 with findings, 2 not checked")
                     ? 0
                     : 16;
        wrong |= check.out.contains(lockedName + "  not checked: " + lockedName + " cannot be read")
                     ? 0
                     : 32;
        const Result alone = RunCli({"check", empty});
        wrong |= alone.code == kExitFindings &&
                         alone.out.contains("checked 0 of 1 recordings: 0 with findings, 1 not "
                                            "checked")
                     ? 0
                     : 64;
        if (wrong != 0) {
            std::fprintf(stderr, "list:\n%s%s\ncheck:\n%s%s\nalone:\n%s%s\n", qPrintable(list.out),
                         qPrintable(list.err), qPrintable(check.out), qPrintable(check.err),
                         qPrintable(alone.out), qPrintable(alone.err));
        }
        return wrong;
    });
    EXPECT_TRUE(end.ExitedWith(0)) << end.Describe()
                                   << " (bits: 1 sound, 2 empty, 4 unreadable listed; 8 exit "
                                      "code, 16 count, 32 line of check; 64 the empty file "
                                      "alone; 128 no other user)";
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
    int damaged = 0;
    for (const auto& rec : card.plan) {
        damaged += test_card::Damaged(rec) ? 1 : 0;
    }
    // Damaged recordings could not be checked: they need a look.
    EXPECT_EQ(r.code, damaged > 0 ? kExitFindings : kExitOk) << r.out.toStdString();
    EXPECT_EQ(r.out.count("  not checked: "), damaged) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("checked %1 of %2 recordings: 0 with findings")
                                   .arg(card.plan.size() - static_cast<std::size_t>(damaged))
                                   .arg(card.plan.size())))
        << r.out.toStdString();
}

} // namespace
} // namespace kv::cli
