// Joining two 1080p recordings, against copying the same two files with cp
// and against ffmpeg's concat demuxer with stream copy. Run a release build:
//
//   build-release/bench/join_bench --benchmark_repetitions=7
//       --benchmark_report_aggregates_only=true
//
// The recordings are made once by the card maker (1920x1080, lossless H.264,
// sound, full-length telemetry) and kept in the temporary folder. The argument
// is the length of each recording in seconds. After the table the program
// prints the throughput ratios join/cp and join/ffmpeg of the medians.

#include "avi_verify.h"
#include "cardmaker.h"
#include "join.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include <unistd.h>

namespace {

using namespace kv;

struct Sources {
    QString folder;
    QStringList fronts;
    QString error;
};

// Two consecutive recordings of the given length, written on first use.
const Sources& CachedSources(int seconds) {
    static std::map<int, Sources> cache;
    auto found = cache.find(seconds);
    if (found != cache.end()) {
        return found->second;
    }
    Sources& s = cache[seconds];
    s.folder = QDir::temp().filePath(QStringLiteral("kolvista-join-bench-1080p-%1s").arg(seconds));
    QDir().mkpath(s.folder);
    const char* names[] = {"A___-261205-090000-000101F.AVI", "A___-261205-091000-000102F.AVI"};
    for (int i = 0; i < 2; ++i) {
        cardmaker::RecordingSpec recipe;
        recipe.fileName = QString::fromLatin1(names[i]);
        recipe.width = 1920;
        recipe.height = 1080;
        recipe.seconds = seconds;
        recipe.crf = 0; // the card maker's pictures are simple: lossless keeps the files large
        recipe.sessionSeconds = 600.0 * i;
        const QString path = s.folder + u'/' + recipe.fileName;
        if (VerifyRecording(path) != kRecordingSound) {
            std::fprintf(stderr, "join_bench: writing %s (once)\n", qPrintable(path));
            QString error;
            if (!cardmaker::WriteRecording(recipe, path, &error)) {
                s.error = error;
            }
        }
        s.fronts << path;
    }
    return s;
}

QString OutputFolder() {
    const QString folder = QDir::temp().filePath(QStringLiteral("kolvista-join-bench-out"));
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    return folder;
}

void ClearFolder(const QString& folder) {
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        QFile::remove(folder + u'/' + name);
    }
}

std::int64_t FolderBytes(const QString& folder) {
    std::int64_t bytes = 0;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files)) {
        bytes += info.size();
    }
    return bytes;
}

bool RunProgram(const QString& program, const QStringList& args, QString& error) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        error = program + ": " + QString::fromLocal8Bit(p.readAllStandardError());
        return false;
    }
    return true;
}

// Runs one way of putting the two recordings into the output folder per iteration.
template <typename Body> void Measure(benchmark::State& state, Body body) {
    const Sources& sources = CachedSources(static_cast<int>(state.range(0)));
    if (!sources.error.isEmpty()) {
        state.SkipWithError(qPrintable(sources.error));
        return;
    }
    const QString out = OutputFolder();
    std::int64_t written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ClearFolder(out);
        state.ResumeTiming();
        QString error;
        if (!body(sources, out, error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        state.PauseTiming();
        written = FolderBytes(out);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * written);
    state.counters["MB"] = static_cast<double>(written) / 1e6;
    QDir(out).removeRecursively();
}

void BM_Join(benchmark::State& state) {
    Measure(state, [](const Sources& sources, const QString& out, QString& error) {
        RecordingList jobs(2);
        jobs[0].frontPath = sources.fronts[0];
        jobs[1].frontPath = sources.fronts[1];
        JoinReport report;
        if (JoinRecordings(jobs, JoinOutputPaths(jobs, out), {}, &report) != kOperationDone) {
            error = report.error;
            return false;
        }
        return true;
    });
}

void BM_CopyBothFiles(benchmark::State& state) {
    Measure(state, [](const Sources& sources, const QString& out, QString& error) {
        return RunProgram(QStringLiteral("cp"), {sources.fronts[0], sources.fronts[1], out}, error);
    });
}

void BM_FfmpegConcat(benchmark::State& state) {
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty()) {
        state.SkipWithError("ffmpeg is not installed");
        return;
    }
    Measure(state, [&ffmpeg](const Sources& sources, const QString& out, QString& error) {
        const QString list = QDir::temp().filePath(QStringLiteral("kolvista-join-bench-list.txt"));
        QFile f(list);
        if (!f.open(QIODevice::WriteOnly)) {
            error = QStringLiteral("cannot write the concat list");
            return false;
        }
        for (const QString& front : sources.fronts) {
            f.write("file '" + QFile::encodeName(front) + "'\n");
        }
        f.close();
        return RunProgram(ffmpeg,
                          {"-v", "error", "-y", "-f", "concat", "-safe", "0", "-i", list, "-c",
                           "copy", out + "/OUT.avi"},
                          error);
    });
}

// One-minute recordings (about 28 MB each from the card maker), and recordings
// of 210 s (about 100 MB each, the size of a recorder's one-minute 1080p file).
BENCHMARK(BM_Join)->Arg(60)->Arg(210)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyBothFiles)->Arg(60)->Arg(210)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FfmpegConcat)->Arg(60)->Arg(210)->Unit(benchmark::kMillisecond)->UseRealTime();

// The console table, and the medians (or the single runs) kept for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const auto rate = run.counters.find("bytes_per_second");
            if ((median || single) && !run.error_occurred && rate != run.counters.end()) {
                rates_[run.run_name.function_name][run.run_name.args] = rate->second.value;
            }
        }
    }
    void PrintRatios() const {
        const auto join = rates_.find("BM_Join");
        if (join == rates_.end()) {
            return;
        }
        for (const auto& [args, rate] : join->second) {
            for (const char* other : {"BM_CopyBothFiles", "BM_FfmpegConcat"}) {
                const auto found = rates_.find(other);
                if (found != rates_.end() && found->second.count(args)) {
                    std::printf("throughput BM_Join/%s : %s/%s = %.2f\n", args.c_str(), other,
                                args.c_str(), rate / found->second.at(args));
                }
            }
        }
    }

private:
    std::map<std::string, std::map<std::string, double>> rates_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
