// The acceleration graph repainted on every playback tick with the cursor
// moving, for a full-length recording (4600 records, 30 frames per second).
//   build-views-rel/bench/graph_bench --benchmark_repetitions=7
//   --benchmark_report_aggregates_only=true

#include "gsensor_dlg.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using namespace kv;

// A drive's worth of telemetry: smooth accelerations with noise, a few
// G events, speeding runs and drive-support events.
void FillReader(TelemetryReader& reader, int records, int framesPerRecord) {
    reader.Init();
    reader.sensors.resize(static_cast<std::size_t>(records));
    for (int i = 0; i < records; ++i) {
        SensorSample& s = reader.sensors[static_cast<std::size_t>(i)];
        s.index = i;
        s.frame = i * framesPerRecord;
        s.accelX = 0.4 * std::sin(i * 0.013) + 0.02 * ((i * 7919) % 11 - 5);
        s.accelY = 0.3 * std::sin(i * 0.029) + 0.02 * ((i * 104729) % 7 - 3);
        s.accelZ = 0.05 * ((i * 31) % 5 - 2);
        s.axis = i % 900 == 450 ? 1 + (i / 900) % 3 : 0;
        s.kind = i % 1300 == 700 ? 10 + (i / 1300) % 3 : -1;
        s.speeding = (i / 400) % 4 == 1 ? 8 : 0;
    }
    reader.frameIndex.clear();
    for (int i = 0; i < records; ++i) {
        for (int k = 0; k < framesPerRecord; ++k) {
            reader.frameIndex.push_back(&reader.sensors[static_cast<std::size_t>(i)]);
        }
    }
    reader.peak = 1.2;
    reader.loaded = true;
}

void BM_GraphRepaintPerTick(benchmark::State& state) {
    TelemetryReader reader;
    FillReader(reader, 4600, 3);
    std::recursive_mutex front, rear;
    std::atomic<int> waiters{0};
    views::TelemetrySource source{&reader, {&front, &rear}, &waiters};

    const UiScale scale(1.0, 1.0);
    views::CGSensorDlg graph(scale, UiFonts(QStringLiteral("Noto Sans CJK JP"), scale, 96.0));
    graph.resize(1040, 127);
    graph.show();
    graph.SetTelemetrySource(source);
    graph.LoadTelemetry();
    const auto frames = static_cast<std::int64_t>(reader.frameIndex.size());
    std::int64_t position = 0;
    graph.ShowFrame(frames - 1, position);
    // The offscreen platform does not expose the window, so each tick's
    // paint is asked for directly: the graph draws itself into a window-sized
    // target as the main window's repaint would.
    QImage target(graph.size(), QImage::Format_RGB32);
    graph.render(&target);
    for (auto _ : state) {
        position = (position + 1) % frames; // about one frame per 30 ms tick
        graph.ShowFrame(frames - 1, position);
        graph.render(&target);
    }
    state.counters["frames"] = static_cast<double>(frames);
}
BENCHMARK(BM_GraphRepaintPerTick)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
