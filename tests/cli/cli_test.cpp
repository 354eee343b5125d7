#include "avi_bytes.h"
#include "cli_runner.h"
#include "commands.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

#include <gtest/gtest.h>

namespace kv::cli {
namespace {

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<QByteArray> records;
        for (int i = 0; i < 3; ++i) {
            records.push_back(test::TypicalRecord("26120509300" + QByteArray::number(i)));
        }
        records[1][78] = 'X';
        records[2][77] = 'D';
        records[2].replace(51, 3, "   ");
        test::AviSpec recipe;
        recipe.chunks = test::SimpleChunks(90, true);
        recipe.chunks.push_back({"01wb", QByteArray(4000, '\0'), 0x10});
        recipe.telemetry = test::ExactBlock(records);
        sound =
            test::WriteFile(dir.path(), "A___-261205-093000-000101F.AVI", test::MakeAvi(recipe));
        recipe.riffSize = 0;
        damaged =
            test::WriteFile(dir.path(), "A___-261205-093100-000102F.AVI", test::MakeAvi(recipe));
        empty = test::WriteFile(dir.path(), "A___-261205-093200-000103F.AVI", QByteArray());
    }
    QTemporaryDir dir;
    QString sound, damaged, empty;
};

TEST_F(CliTest, InfoDescribesARecording) {
    const Result r = RunCli({"info", sound});
    EXPECT_EQ(r.code, kExitOk) << r.err.toStdString();
    for (const char* expected :
         {"0 sound", "(matches)", "90 frames", "33.3333 ms per frame", "3.000 s", "64 x 36",
          "121 entries: 90 video (9 key), 31 audio", "3 records (trailer count 3)",
          "0.300 0.400 0.500 0.600 G (mark M)", "quality:         high"}) {
        EXPECT_TRUE(r.out.contains(QLatin1String(expected))) << expected << "\n"
                                                             << r.out.toStdString();
    }
}

TEST_F(CliTest, InfoReportsDamageAndRefusesUnreadableFiles) {
    const Result d = RunCli({"info", damaged});
    EXPECT_EQ(d.code, kExitOk);
    EXPECT_TRUE(d.out.contains("1 damaged"));

    for (const QString& bad : {empty, dir.path() + "/nothing.AVI", dir.path()}) {
        const Result r = RunCli({"info", bad});
        EXPECT_EQ(r.code, kExitBadInput) << bad.toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
}

TEST_F(CliTest, TelemetryListsEveryRecord) {
    const Result r = RunCli({"telemetry", sound, "--csv"});
    ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], "index,time,lat,lon,speed,ax,ay,az,event,voltage");
    EXPECT_EQ(lines[1], "0,2026-12-05 09:30:00,35.652057,139.761315,40,0.010,-0.020,0.980,,12.4");
    EXPECT_EQ(lines[2].section(',', 8, 8), QStringLiteral("急加速"));
    EXPECT_EQ(lines[3].section(',', 8, 9), QStringLiteral("マニュアル録画,-"));

    EXPECT_EQ(RunCli({"telemetry", sound}).out.split('\n')[0].count('\t'), 9);
    EXPECT_EQ(RunCli({"telemetry", empty}).code, kExitBadInput);
}

TEST_F(CliTest, UsageErrors) {
    for (const QStringList& args : std::vector<QStringList>{
             {}, {"info"}, {"frobnicate", "x"}, {"telemetry", "x", "--tsv"}, {"info", "a", "b"}}) {
        const Result r = RunCli(args);
        EXPECT_EQ(r.code, kExitUsage) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("usage:"));
    }
    EXPECT_EQ(RunCli({"--help"}).code, kExitOk);
}

} // namespace
} // namespace kv::cli

namespace kv::cli {
namespace {

TEST(CliCatalogue, ScanAndListACard) {
    QTemporaryDir card;
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(3, true);
    const QByteArray bytes = test::MakeAvi(recipe);
    const auto put = [&](const QString& folder, const QString& name) {
        QDir().mkpath(card.path() + folder);
        test::WriteFile(card.path() + folder, name, bytes);
    };
    for (int n = 1; n <= 3; ++n) {
        const QString head = n == 1 ? QStringLiteral("A__S") : QStringLiteral("AG__");
        const QString name =
            QStringLiteral("%1-261205-120000-%2").arg(head).arg(n, 6, 10, QChar(u'0'));
        put("/Normal/Front", name + "F.AVI");
        put("/Normal/Rear", name + "R.AVI");
    }
    put("/Parking/Front", "P__S-261206-010000-000100F.AVI");

    const Result tree = RunCli({"scan", card.path()});
    ASSERT_EQ(tree.code, kExitOk) << tree.err.toStdString();
    EXPECT_TRUE(
        tree.out.contains("  Normal[5]\n    261205_0001[5]\n  Parking[8]\n    261206_0001[8]\n"))
        << tree.out.toStdString();

    const Result group = RunCli({"scan", card.path() + "/Normal/261205_0001"});
    ASSERT_EQ(group.code, kExitOk);
    EXPECT_TRUE(group.out.contains("entries (3 of 3 recordings):")) << group.out.toStdString();
    EXPECT_TRUE(group.out.contains("    1  AG__-261205-120000-000002F.AVI  front ok  rear ok"))
        << group.out.toStdString();

    const Result all = RunCli({"list", card.path()});
    ASSERT_EQ(all.code, kExitOk);
    EXPECT_TRUE(all.out.startsWith("4 recordings in 7 files\n")) << all.out.toStdString();
    EXPECT_TRUE(all.out.contains("P__S-261206-010000-000100F.AVI  front ok  rear -"));

    EXPECT_EQ(RunCli({"list", card.path() + "/nothing"}).code, kExitBadInput);
    EXPECT_EQ(RunCli({"scan", "/nonexistent/x/y"}).code, kExitBadInput);
}

} // namespace
} // namespace kv::cli
