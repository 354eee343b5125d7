// Repair of a 1080p recording that lost power, about 100 MB like one minute
// from the recorder, against copying the same file with cp and remuxing it
// with ffmpeg; all three read the source from a warm cache and write beside it.
//
//   build-release/bench/repair_bench --benchmark_repetitions=7
//   --benchmark_report_aggregates_only=true
//
// The recording is made once with the card maker (1080p takes a while) and
// kept in $TMPDIR/kolvista-repair-bench for later runs.

#include "cardmaker.h"
#include "repair.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>
#include <random>

#include <benchmark/benchmark.h>

namespace {

using namespace kv;

const QString kName = QStringLiteral("A___-261205-093000-000101F.AVI");

QString BenchFolder() {
    return QDir::tempPath() + QStringLiteral("/kolvista-repair-bench");
}

// The source recording; empty (with the reason printed) when it cannot be made.
QString Source() {
    static const QString path = [] {
        const QString folder = BenchFolder();
        const QString file = folder + QLatin1Char('/') + kName;
        if (QFileInfo(file).size() > (50 << 20)) {
            return file;
        }
        QDir().mkpath(folder);
        cardmaker::RecordingSpec recipe;
        recipe.fileName = kName;
        recipe.width = 1920;
        recipe.height = 1080;
        // The card maker's pictures compress far better than a road scene: even
        // lossless, one minute of them is about 26 MB. Four minutes at crf 0
        // make the ~100 MB of one real minute (with four times its chunks).
        recipe.seconds = 240.0;
        recipe.crf = 0;
        recipe.damage = cardmaker::Damage::PowerLoss;
        std::fprintf(stderr, "making %s (1080p, 240 s) once...\n", qPrintable(file));
        QString error;
        if (!cardmaker::WriteRecording(recipe, file, &error)) {
            std::fprintf(stderr, "cannot make the recording: %s\n", qPrintable(error));
            return QString();
        }
        return file;
    }();
    return path;
}

QString Output(const char* name) {
    return BenchFolder() + QLatin1Char('/') + QLatin1String(name);
}

bool RunTool(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, args);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Reads the source once so that every contender starts from a warm cache.
bool Warm(benchmark::State& state, const QString& source) {
    if (source.isEmpty()) {
        state.SkipWithError("no source recording");
        return false;
    }
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("cannot read the source recording");
        return false;
    }
    while (!file.read(1 << 20).isEmpty()) {
    }
    return true;
}

void Finish(benchmark::State& state, const QString& source, const QString& output) {
    state.SetBytesProcessed(state.iterations() * QFileInfo(source).size());
    state.counters["MB"] = static_cast<double>(QFileInfo(source).size()) / (1 << 20);
    QFile::remove(output);
}

void BM_Repair(benchmark::State& state) {
    const QString source = Source();
    const QString output = Output("repaired.AVI");
    if (!Warm(state, source)) {
        return;
    }
    RepairReport report;
    for (auto _ : state) {
        if (RepairFile(source, output, nullptr, &report) != kOperationDone) {
            state.SkipWithError(qPrintable(report.error));
            return;
        }
        state.PauseTiming();
        QFile::remove(output);
        state.ResumeTiming();
    }
    state.counters["chunks"] = report.videoChunks + report.audioChunks;
    Finish(state, source, output);
}
BENCHMARK(BM_Repair)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CopyWithCp(benchmark::State& state) {
    const QString source = Source();
    const QString output = Output("copied.AVI");
    if (!Warm(state, source)) {
        return;
    }
    const QString cp = QStandardPaths::findExecutable(QStringLiteral("cp"));
    for (auto _ : state) {
        if (!RunTool(cp, {source, output})) {
            state.SkipWithError("cp failed");
            return;
        }
        state.PauseTiming();
        QFile::remove(output);
        state.ResumeTiming();
    }
    Finish(state, source, output);
}
BENCHMARK(BM_CopyWithCp)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RemuxWithFfmpeg(benchmark::State& state) {
    const QString source = Source();
    const QString output = Output("remuxed.avi");
    if (!Warm(state, source)) {
        return;
    }
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty()) {
        state.SkipWithError("ffmpeg is not installed");
        return;
    }
    for (auto _ : state) {
        if (!RunTool(ffmpeg, {"-v", "error", "-i", source, "-c", "copy", "-y", output})) {
            state.SkipWithError("ffmpeg failed");
            return;
        }
        state.PauseTiming();
        QFile::remove(output);
        state.ResumeTiming();
    }
    Finish(state, source, output);
}
BENCHMARK(BM_RemuxWithFfmpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

// The scan alone: one pass over the file through 32 MB windows.
void BM_ScanOnly(benchmark::State& state) {
    const QString source = Source();
    if (!Warm(state, source)) {
        return;
    }
    MappedFile file;
    if (!OpenMapped(source, file)) {
        state.SkipWithError("cannot map the source");
        return;
    }
    std::vector<avi::IndexEntry> entries;
    for (auto _ : state) {
        ScanChunks(file, false, entries);
        benchmark::DoNotOptimize(entries.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size));
}
BENCHMARK(BM_ScanOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// The tag search over 64 MB of random bytes in memory.
void BM_FindChunkTag(benchmark::State& state) {
    std::vector<unsigned char> bytes((64 << 20) + 3);
    std::mt19937 rng(1);
    for (auto& b : bytes) {
        b = static_cast<unsigned char>(rng());
    }
    const unsigned char* last = bytes.data() + (64 << 20);
    for (auto _ : state) {
        std::size_t hits = 0;
        for (const unsigned char* p = FindChunkTag(bytes.data(), last); p != last;
             p = FindChunkTag(p + 4, last)) {
            ++hits;
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetBytesProcessed(state.iterations() * (std::int64_t{64} << 20));
}
BENCHMARK(BM_FindChunkTag)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
