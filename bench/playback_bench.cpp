// The playback controller in the main window with the real engines, on a 1080p
// front and 720p rear pair at 12 Mbit/s (the recordings of engine_bench, made
// once into $TMPDIR/kolvista-engine-bench-2). Run by hand (Release build):
//   QT_QPA_PLATFORM=offscreen build-release/bench/playback_bench [RUNS] [SECONDS]
// Figures: selection to the first picture (the open waits 500 ms after a
// selection on purpose), the time one tick takes on the UI thread while both
// cameras play, and how far the rear camera's picture is from the front's
// after SECONDS (default 60) of x1 and after speed changes.

#include "bench_recordings.h"
#include "cardmaker.h"
#include "catalogue.h"
#include "main_window.h"
#include "message_box.h"
#include "movie_static.h"
#include "playback_host.h"
#include "settings_store.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace kv;
using namespace kv::app;

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

bool Pump(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (done()) {
            return true;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return done();
}

// Largest |front picture - rear picture| seen while pumping for ms.
std::int64_t Drift(CQuillonDlg& w, int ms) {
    std::int64_t worst = 0;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        const std::int64_t f = w.Ops().CurrentFrame(w.Engine(0));
        const std::int64_t r = w.Ops().CurrentFrame(w.Engine(1));
        worst = std::max(worst, f > r ? f - r : r - f);
    }
    return worst;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int seconds = argc > 2 ? std::max(5, std::atoi(argv[2])) : 60;
    const QString front =
        bench::BenchRecording("A__S-261205-090000-000001F.AVI", 1920, 1080, 12000);
    const QString rear = bench::BenchRecording("A__S-261205-090000-000001R.AVI", 1280, 720, 12000);
    Catalogue catalogue;
    RecordingList list;
    MakeEntry(catalogue, front, rear, list);
    MakeEntry(catalogue, front, rear, list); // a second entry to switch to

    QTemporaryDir settings;
    CQuillonDlg window(UiScale(1.0, 1.0), LocateSettings(settings.path(), QString()),
                       engine::FfmpegEngine());
    window.Initialise();
    window.show();
    ScriptedMessageSink messages;
    PlaybackHost host(window, messages);
    host.ShowEntries(list);
    playback::PlaybackController& c = host.Controller();

    // Selection to the first picture, alternating between the two entries.
    std::vector<double> open;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        c.SelectRecording(i % 2); // closes the shown recording at once
        if (c.Ready()) {
            std::fprintf(stderr, "the selection did not close the recording\n");
            return 1;
        }
        // Ready comes when both engines have shown their first picture.
        if (!Pump([&] { return c.Ready() && window.Panel(0)->PictureFrame() == 0; }, 10000)) {
            std::fprintf(stderr, "the recording did not open\n");
            return 1;
        }
        open.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::printf("selection to first picture, 1080p + 720p: %.1f ms (%.1f ms after the 500 ms "
                "wait)\n",
                Median(open), Median(open) - 500.0);

    // Ticks while both cameras play at x1.
    c.TogglePlay();
    Pump([&] { return window.Engine(0).playState == engine::kPlaying; }, 5000);
    std::vector<double> ticks;
    QElapsedTimer span;
    span.start();
    QElapsedTimer pace;
    pace.start();
    while (span.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (pace.elapsed() < 30) {
            continue; // one tick per 30 ms, as the tick timer
        }
        pace.restart();
        QElapsedTimer t;
        t.start();
        c.Tick();
        ticks.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::printf(
        "tick on the UI thread while playing: median %.3f ms, slowest %.3f ms (%zu ticks)\n",
        Median(ticks), *std::max_element(ticks.begin(), ticks.end()), ticks.size());

    // Drift between the cameras.
    const std::int64_t atOne = Drift(window, (seconds - 5) * 1000);
    std::printf("front/rear clocks after %d s at x1: largest difference %lld frames\n", seconds,
                static_cast<long long>(atOne));
    c.Faster();
    const std::int64_t atTwo = Drift(window, 1500);
    c.Faster();
    const std::int64_t atFour = Drift(window, 1500);
    c.Slower();
    const std::int64_t back = Drift(window, 1500);
    std::printf("after speed changes: x2 %lld, x4 %lld, back %lld frames\n",
                static_cast<long long>(atTwo), static_cast<long long>(atFour),
                static_cast<long long>(back));
    window.Shutdown();
    return 0;
}
