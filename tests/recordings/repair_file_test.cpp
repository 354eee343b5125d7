// RepairFile end to end: real recordings that lost power come out playable,
// hand-built ones come out byte for byte as a sound writer makes them, and
// every failure or cancel leaves nothing under the copy's name.

#include "avi_bytes.h"
#include "avi_verify.h"
#include "byte_order.h"
#include "cardmaker.h"
#include "repair.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <atomic>
#include <functional>

#include <gtest/gtest.h>

namespace kv {
namespace {

namespace cm = cardmaker;

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Digest(const QString& path) {
    return QCryptographicHash::hash(ReadAll(path), QCryptographicHash::Sha256);
}

// Names in dir: a failed or cancelled repair must leave none of its own.
QStringList Listing(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

struct ToolRun {
    int exitCode = -1;
    QString output; // stdout and stderr
};

ToolRun RunTool(const char* name, const QStringList& args) {
    ToolRun run;
    const QString program = QStandardPaths::findExecutable(QLatin1String(name));
    if (program.isEmpty()) {
        ADD_FAILURE() << name
                      << " is not installed; this test needs it to decode the repaired copy";
        return run;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << name << " did not finish";
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromUtf8(process.readAll()).trimmed();
    return run;
}

QString Probe(const QString& path, const QStringList& args) {
    const ToolRun run =
        RunTool("ffprobe", QStringList{"-v", "error"} + args + QStringList{"-of", "csv=p=0", path});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    return run.output;
}

TEST(RepairFile, PowerLossRecordingsPlayAfterRepair) {
    struct Case {
        const char* name;
        bool audio;
    };
    for (const Case& c : {Case{"A___-261205-093000-000101F.AVI", true},
                          Case{"T___-261205-093000-000101F.AVI", false}}) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        cm::RecordingSpec recipe;
        recipe.fileName = c.name;
        recipe.width = 160;
        recipe.height = 96;
        recipe.seconds = 3.0;
        recipe.audio = c.audio;
        recipe.damage = cm::Damage::PowerLoss;
        const QString source = dir.path() + '/' + recipe.fileName;
        QString error;
        cm::RecordingReport written;
        ASSERT_TRUE(cm::WriteRecording(recipe, source, &error, &written)) << error.toStdString();
        ASSERT_EQ(VerifyRecording(source), kRecordingDamaged);
        const QByteArray before = Digest(source);

        const QString out = dir.path() + "/out/" + recipe.fileName;
        QDir().mkpath(dir.path() + "/out");
        RepairReport report;
        ASSERT_EQ(RepairFile(source, out, nullptr, &report), kOperationDone)
            << report.error.toStdString();
        EXPECT_EQ(Digest(source), before);
        EXPECT_EQ(Listing(dir.path() + "/out"), QStringList{recipe.fileName});

        // The recorder wrote every chunk whole; the last one ends at the end of the
        // file, so it does not count as fitting and is dropped.
        EXPECT_EQ(report.videoChunks + report.audioChunks,
                  static_cast<std::uint32_t>(written.videoChunks + written.audioChunks - 1));
        EXPECT_GE(report.videoChunks, static_cast<std::uint32_t>(written.videoChunks - 1));
        EXPECT_EQ(report.outputSize, QFileInfo(out).size());
        EXPECT_EQ(VerifyRecording(out), kRecordingSound);
        const auto timing = ReadTiming(out);
        ASSERT_TRUE(timing);
        EXPECT_EQ(timing->totalFrames, report.videoChunks);

        // The index as any reader finds it: "idx1" right after the movi list.
        const QByteArray bytes = ReadAll(out);
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData());
        const std::uint32_t h = written.headerLength;
        const std::uint32_t movi = ReadLe32(b + h + 4);
        ASSERT_EQ(bytes.mid(h + 8 + movi, 4), "idx1");
        const std::uint32_t entries = ReadLe32(b + h + 12 + movi) / 16;
        ASSERT_EQ(entries, report.videoChunks + report.audioChunks);
        int keys = 0;
        for (std::uint32_t i = 0; i < entries; ++i) {
            const unsigned char* e = b + h + 16 + movi + 16 * i;
            keys += ReadLe32(e) == avi::kVideoFourCc && (ReadLe32(e + 4) & 0x10) ? 1 : 0;
        }
        EXPECT_GE(keys, 1);
        if (c.audio) { // the dropped chunk is audio: every key frame is kept
            EXPECT_EQ(keys, written.keyFrames);
        }

        const ToolRun decode = RunTool("ffmpeg", {"-v", "error", "-i", out, "-f", "null", "-"});
        EXPECT_EQ(decode.exitCode, 0);
        EXPECT_EQ(decode.output, QString()) << "ffmpeg complained about the repaired copy";
        EXPECT_EQ(Probe(out, {"-count_frames", "-select_streams", "v:0", "-show_entries",
                              "stream=nb_read_frames"}),
                  QString::number(report.videoChunks));
        const QString streams = Probe(out, {"-show_entries", "stream=codec_type"});
        EXPECT_EQ(streams.contains("audio"), c.audio) << streams.toStdString();
        if (c.audio) {
            EXPECT_EQ(Probe(out, {"-count_packets", "-select_streams", "a:0", "-show_entries",
                                  "stream=nb_read_packets"}),
                      QString::number(report.audioChunks));
        }
    }
}

void PutLe32(QByteArray& bytes, int at, std::uint32_t v) {
    WriteLe32(reinterpret_cast<unsigned char*>(bytes.data()) + at, v);
}

TEST(RepairFile, CopyIsWhatASoundWriterWritesForTheSameChunks) {
    for (const bool timeLapse : {false, true}) {
        SCOPED_TRACE(timeLapse ? "time-lapse" : "normal");
        test::AviSpec recipe;
        recipe.timeLapse = timeLapse;
        recipe.chunks = test::SimpleChunks(40, !timeLapse);
        const QByteArray sound = test::MakeAvi(recipe);

        // The same recording as the recorder leaves it after a power loss: one
        // more chunk written to the very end of the file, nothing closed.
        recipe.chunks.push_back({"01wb", QByteArray("0123456789abcdefghijklmnopqrstuvwxyz")});
        recipe.riffSize = 0;
        recipe.moviSize = 0;
        recipe.writeIndex = false;
        QByteArray damaged = test::MakeAvi(recipe);
        for (int field : {48, 140}) {
            PutLe32(damaged, field, 0);
        }
        if (!timeLapse) {
            PutLe32(damaged, 264, 0);
        }
        QTemporaryDir dir;
        const QString source = test::WriteFile(dir.path(),
                                               timeLapse ? "T___-261205-093000-000101F.AVI"
                                                         : "A___-261205-093000-000101F.AVI",
                                               damaged);
        const QString out = dir.path() + "/repaired.avi";
        ASSERT_EQ(RepairFile(source, out), kOperationDone);

        // After the index: the filler and an empty telemetry block. The
        // source ends in a chunk, not in a trailer, so the trailer is new.
        QByteArray block(68, '\0');
        block.replace(0, 6, "CSMDAT");
        block.replace(40, 6, "CSMEND");
        EXPECT_EQ(ReadAll(out), sound + "CCCCCCCC" + block);
    }
}

TEST(RepairFile, FailuresLeaveNothingUnderTheCopysName) {
    QTemporaryDir dir;
    const QString name = "A___-261205-093000-000101F.AVI";
    test::AviSpec recipe;
    recipe.chunks = test::SimpleChunks(3, true);
    recipe.riffSize = 0;
    const QByteArray header = test::MakeAvi(recipe).left(396);
    struct Case {
        const char* what;
        QByteArray source; // empty: no source file at all
        const char* target;
        const char* error; // part of the reported reason
    };
    const std::vector<Case> cases = {
        {"no chunk can be indexed", header + QByteArray(5000, '\xEE'), "copy.avi", "no chunk"},
        {"source shorter than its header", header.left(395), "copy.avi", "shorter than"},
        {"no source", QByteArray(), "copy.avi", "cannot open"},
        {"target folder missing", test::MakeAvi(recipe), "missing/copy.avi", "cannot create"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir work;
        const QString source = work.path() + '/' + name;
        if (!c.source.isEmpty()) {
            test::WriteFile(work.path(), name, c.source);
        }
        const QString target = work.path() + '/' + c.target;
        RepairReport report;
        EXPECT_EQ(RepairFile(source, target, nullptr, &report), kOperationFailed);
        EXPECT_TRUE(report.error.contains(QLatin1String(c.error))) << report.error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(target));
        EXPECT_EQ(Listing(work.path()), c.source.isEmpty() ? QStringList() : QStringList{name});
    }

    // An earlier file under the target's name stays as it was.
    const QString source = test::WriteFile(dir.path(), name, header + QByteArray(900, '\xEE'));
    const QString target = test::WriteFile(dir.path(), "copy.avi", "an earlier copy");
    EXPECT_EQ(RepairFile(source, target), kOperationFailed);
    EXPECT_EQ(ReadAll(target), "an earlier copy");

    // The source as its own target: refused, the source untouched.
    const QString repairable = test::WriteFile(dir.path(), "A___-261205-093100-000102F.AVI",
                                               test::MakeAvi(recipe) + QByteArray(8, '\xEE'));
    const QByteArray before = ReadAll(repairable);
    RepairReport report;
    EXPECT_EQ(
        RepairFile(repairable, dir.path() + "/./A___-261205-093100-000102F.AVI", nullptr, &report),
        kOperationFailed);
    EXPECT_TRUE(report.error.contains("replace its source")) << report.error.toStdString();
    EXPECT_EQ(ReadAll(repairable), before);
}

// A damaged recording of about 40 MB: three copy windows.
QByteArray LargeDamagedRecording() {
    test::AviSpec recipe;
    for (int i = 0; i < 40; ++i) {
        recipe.chunks.push_back({"00dc", test::VideoPayload(1 << 20, i % 10 ? 0x41 : 0x65)});
        recipe.chunks.push_back({"01wb", QByteArray(2020, '\x11')});
    }
    recipe.riffSize = 0;
    recipe.moviSize = 0;
    recipe.writeIndex = false;
    return test::MakeAvi(recipe) + QByteArray(64, '\xEE');
}

TEST(RepairFile, ReportsProgressAndStopsWhenCancelled) {
    QTemporaryDir dir;
    const QString source =
        test::WriteFile(dir.path(), "A___-261205-093000-000101F.AVI", LargeDamagedRecording());
    const QString target = dir.path() + "/copy.avi";

    std::atomic<bool> running{true};
    OperationControl control;
    control.running = &running;
    std::vector<std::pair<std::int64_t, std::int64_t>> calls;
    control.progress = [&](std::int64_t done, std::int64_t total) {
        calls.emplace_back(done, total);
    };
    ASSERT_EQ(RepairFile(source, target, &control), kOperationDone);
    ASSERT_FALSE(calls.empty());
    double last = 0.0;
    for (const auto& [done, total] : calls) {
        ASSERT_GT(total, 0);
        ASSERT_LE(done, total);
        const double fraction = static_cast<double>(done) / static_cast<double>(total);
        ASSERT_GE(fraction, last);
        last = fraction;
    }
    EXPECT_EQ(calls.back().first, calls.back().second);
    ASSERT_TRUE(QFile::remove(target));

    // The running flag cleared before the start, during the scan, and after the
    // first copied window (a partial copy of 16 MB then exists and must go).
    const std::int64_t scanned = QFileInfo(source).size() - 392;
    struct Stop {
        const char* what;
        bool before;
        std::function<bool(std::int64_t)> at;
    };
    for (const Stop& stop : std::vector<Stop>{
             {"before the start", true, [](std::int64_t) { return false; }},
             {"during the scan", false, [](std::int64_t) { return true; }},
             {"during the copy", false, [scanned](std::int64_t done) { return done > scanned; }}}) {
        SCOPED_TRACE(stop.what);
        running = !stop.before;
        bool copying = false;
        control.progress = [&](std::int64_t done, std::int64_t) {
            if (done > scanned && !copying) {
                copying = true;
                // Mid-copy the bytes sit under a temporary name: were the program
                // killed now, nothing would be taken for a finished copy.
                EXPECT_FALSE(QFileInfo::exists(target));
                const QStringList names = Listing(dir.path());
                EXPECT_EQ(names.size(), 2);
                EXPECT_TRUE(names.filter(QLatin1String(kPartialCopyMark)).size() == 1)
                    << names.join(' ').toStdString();
            }
            if (stop.at(done)) {
                running = false;
            }
        };
        EXPECT_EQ(RepairFile(source, target, &control), kOperationCancelled);
        EXPECT_EQ(copying, std::string(stop.what) == "during the copy");
        EXPECT_EQ(Listing(dir.path()), QStringList{"A___-261205-093000-000101F.AVI"});
    }
}

} // namespace
} // namespace kv
