// Decoding a full telemetry block and verifying many recordings.

#include "avi_bytes.h"
#include "avi_verify.h"
#include "telemetry_reader.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace kv;

// A front recording whose full-length block holds 4600 real records: the
// longest telemetry a recording carries.
QString FullRecording(const QTemporaryDir& dir) {
    std::vector<QByteArray> records;
    for (int i = 0; i < 4600; ++i) {
        const int second = i / 10;
        QByteArray stamp =
            QByteArray("261205") + QByteArray::number(9 * 10000 + (second / 60) * 100 + second % 60)
                                       .rightJustified(6, '0');
        QByteArray r = test::TypicalRecord(stamp);
        r.replace(62, 5, QByteArray::number(i % 2000 - 1000).rightJustified(5, '0'));
        if (i % 97 == 0) {
            r[78] = 'X';
        }
        records.push_back(r);
    }
    test::BlockSpec recipe;
    recipe.count = 0xFFFF;
    recipe.records = records;
    test::AviSpec avi;
    avi.chunks = test::SimpleChunks(30, true);
    avi.telemetry = test::MakeBlock(recipe);
    return test::WriteFile(dir.path(), "A___-261205-090000-000101F.AVI", test::MakeAvi(avi));
}

void BM_DecodeFullBlockAndIndex(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = FullRecording(dir);
    TelemetryReader reader;
    reader.Init();
    for (auto _ : state) {
        if (!reader.Open(path)) {
            state.SkipWithError("open failed");
            break;
        }
        reader.frameDurationMs = 33.333332f;
        reader.BuildFrameIndex(13800); // 460 s at 30 frames per second
        benchmark::DoNotOptimize(reader.frameIndex.data());
    }
    state.counters["records"] = static_cast<double>(reader.sensors.size());
}
BENCHMARK(BM_DecodeFullBlockAndIndex)->Unit(benchmark::kMillisecond);

void BM_VerifyRecording(benchmark::State& state) {
    QTemporaryDir dir;
    std::vector<QString> paths;
    test::AviSpec avi;
    avi.chunks = test::SimpleChunks(300, true);
    avi.telemetry = test::ExactBlock(std::vector<QByteArray>(100, test::TypicalRecord()));
    const QByteArray bytes = test::MakeAvi(avi);
    for (int i = 0; i < 1000; ++i) {
        paths.push_back(test::WriteFile(
            dir.path(), QStringLiteral("A___-261205-090000-%1F.AVI").arg(i, 6, 10, QChar(u'0')),
            bytes));
    }
    std::int64_t expected = 0;
    for (auto _ : state) {
        for (const QString& path : paths) { // warm cache after the first pass
            benchmark::DoNotOptimize(VerifyRecording(path, &expected));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(paths.size()));
}
BENCHMARK(BM_VerifyRecording)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
