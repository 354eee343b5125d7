// The engine's figures on 1080p and 720p recordings, each against ffmpeg on
// the same file in the same run. Run by hand (Release build):
//   build-release/bench/engine_bench [RUNS]
// The recordings are made once into $TMPDIR/kolvista-engine-bench-2 and kept
// for later runs: a 1080p front and a 720p rear of one minute at 12 Mbit/s each
// (noisy pictures, so that decoding costs what it costs on real footage), and a
// pair like the demo card's (1280x720 and 640x360, plain pictures, crf 23).

#include "bench_recordings.h"
#include "cardmaker.h"
#include "engine_context.h"
#include "frame_seek.h"
#include "media_player.h"
#include "picture_converter.h"
#include "recording_source.h"
#include "video_decoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

using namespace kv;
using namespace kv::engine;

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

long PeakRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// Seconds ffmpeg takes to decode the whole file with two threads (and to scale it to
// a BGRA picture of the given size, when one is given).
double FfmpegDecodeSeconds(const QString& path, QSize scaled = {}) {
    QStringList args{"-v", "error", "-threads", "2", "-i", path, "-an"};
    if (scaled.isValid()) {
        args << "-vf"
             << QStringLiteral("scale=%1:%2:flags=fast_bilinear,format=bgra")
                    .arg(scaled.width())
                    .arg(scaled.height());
    }
    args << "-f"
         << "null"
         << "-";
    QElapsedTimer t;
    t.start();
    QProcess::execute("ffmpeg", args);
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

// Seconds our pipeline takes to demux, decode and convert every frame to the panel size,
// split as in the player: demux and decode on one thread (with the player's decoder threads),
// conversion on another, a queue of four pictures between them.
double PipelineDecodeSeconds(const QString& path, QSize panel,
                             PictureConverter::Route route = PictureConverter::Route::Fastest) {
    RecordingSource source;
    VideoDecoder decoder;
    if (!source.Open(path) || !decoder.Open(kPlaybackDecoderThreads)) {
        return 0.0;
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<DecodedPicture> queue;
    bool done = false;
    std::int64_t converted = 0;
    QElapsedTimer t;
    t.start();
    std::thread presenter([&] {
        PictureConverter converter(route);
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return done || !queue.empty(); });
            if (queue.empty()) {
                return;
            }
            DecodedPicture p = std::move(queue.front());
            queue.pop_front();
            changed.notify_all();
            lock.unlock();
            if (!panel.isValid() || !converter.Convert(p.frame.get(), panel).isNull()) {
                ++converted;
            }
            lock.lock();
        }
    });
    auto hand = [&](DecodedPicture& p) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return queue.size() < 4; });
        queue.push_back(std::move(p));
        changed.notify_all();
    };
    QByteArray chunk;
    DecodedPicture p;
    for (std::int64_t f = 0; f < source.frameCount(); ++f) {
        const ChunkRef& ref = source.video()[static_cast<std::size_t>(f)];
        source.Read(ref, chunk);
        decoder.Send(chunk, f, ref.key);
        while (decoder.Receive(p)) {
            hand(p);
        }
    }
    decoder.SendEnd();
    while (decoder.Receive(p)) {
        hand(p);
    }
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    changed.notify_all();
    presenter.join();
    const double seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    if (converted != source.frameCount()) {
        std::fprintf(stderr, "pipeline converted %lld of %lld frames\n",
                     static_cast<long long>(converted),
                     static_cast<long long>(source.frameCount()));
    }
    return seconds;
}

// Milliseconds one conversion of a decoded picture to size takes (the median of a
// hundred), on the given route.
double ConvertMs(const AVFrame* frame, QSize size, PictureConverter::Route route) {
    PictureConverter converter(route);
    std::vector<double> times;
    for (int i = 0; i < 100; ++i) {
        QElapsedTimer t;
        t.start();
        converter.Convert(frame, size);
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    return Median(times);
}

class CountingSurface : public VideoSurface, public EngineListener {
public:
    QRect ClientRect() const override { return QRect(0, 0, 960, 540); }
    void SetPictureRect(const QRect&) override {}
    void Present(const QImage&, std::int64_t frame) override {
        ++presented;
        last = frame;
        if (trace) {
            std::fprintf(stderr, "%s %lld\n", trace, static_cast<long long>(frame));
        }
    }
    const char* trace = nullptr;
    void OnReady(int) override { ready = true; }
    void OnEndOfPresentation(int) override {}
    std::atomic<int> presented{0};
    std::atomic<std::int64_t> last{-1};
    std::atomic<bool> ready{false};
};

// Milliseconds from SeekFrame to the picture on screen, for the last frame of a GOP.
double SeekLatencyMs(const QString& path, std::int64_t frame) {
    CountingSurface surface;
    MediaPlayer player(0, &surface, &surface);
    player.Open(path);
    while (surface.last != 0) {
        QThread::usleep(200);
    }
    QElapsedTimer t;
    t.start();
    player.SeekFrame(frame);
    while (surface.last != frame) {
        QThread::usleep(100);
    }
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// Milliseconds a plain libavcodec loop needs from the key frame to frame.
double RawSeekMs(const QString& path, std::int64_t frame) {
    RecordingSource source;
    VideoDecoder decoder;
    source.Open(path);
    decoder.Open(kPlaybackDecoderThreads);
    QElapsedTimer t;
    t.start();
    DecodedPicture p;
    DecodeExactFrame(source, decoder, frame, p);
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

struct PlayFigures {
    double cpuPerVideoSecond = 0;
    double picturesPerSecond[2] = {0, 0};
    double lagFrames = 0;    // clock position minus the frame on screen, median of samples
    double maxLagFrames = 0; // and the largest sample
};

PlayFigures PlayBoth(const QString& front, const QString& rear, int code, double seconds) {
    CountingSurface s0, s1;
    if (qEnvironmentVariableIsSet("KV_TRACE")) {
        s0.trace = "front";
        s1.trace = "rear";
    }
    EngineContext c0, c1;
    const EngineOps& ops = FfmpegEngine();
    ops.Create(c0, 0, &s0, &s0);
    ops.Create(c1, 1, &s1, &s1);
    ops.Open(c0, front);
    ops.Open(c1, rear);
    while (!s0.ready || !s1.ready) {
        QThread::msleep(1);
    }
    ops.SetRate(c0, code);
    ops.SetRate(c1, code);
    const int before0 = s0.presented, before1 = s1.presented;
    const double cpu0 = CpuSeconds();
    QElapsedTimer t;
    t.start();
    ops.PlayFrom(c0, 0);
    ops.PlayFrom(c1, 0);
    std::vector<double> leads;
    while (t.nsecsElapsed() < static_cast<qint64>(seconds * 1e9)) {
        QThread::msleep(50);
        leads.push_back(static_cast<double>(ops.CurrentFrame(c0) - s0.last));
    }
    PlayFigures f;
    const double wall = static_cast<double>(t.nsecsElapsed()) / 1e9;
    const double speed = code == 4 ? 4.0 : code == 2 ? 2.0 : 1.0;
    f.cpuPerVideoSecond = (CpuSeconds() - cpu0) / (wall * speed);
    f.picturesPerSecond[0] = (s0.presented - before0) / wall;
    f.picturesPerSecond[1] = (s1.presented - before1) / wall;
    f.lagFrames = Median(leads);
    f.maxLagFrames = leads.empty() ? 0.0 : *std::max_element(leads.begin(), leads.end());
    ops.Destroy(c0);
    ops.Destroy(c1);
    return f;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const QString front =
        bench::BenchRecording("A__S-261205-090000-000001F.AVI", 1920, 1080, 12000);
    const QString rear = bench::BenchRecording("A__S-261205-090000-000001R.AVI", 1280, 720, 12000);
    const QString demo = bench::BenchRecording("A__S-261205-091000-000002F.AVI", 1280, 720, 0);
    const QString demoRear = bench::BenchRecording("A__S-261205-091000-000002R.AVI", 640, 360, 0);
    for (const QString& path : {front, rear, demo, demoRear}) {
        std::printf("%s: %.1f Mbit/s\n", qPrintable(QFileInfo(path).fileName()),
                    static_cast<double>(QFileInfo(path).size()) * 8 / 60 / 1e6);
    }

    RecordingSource probe;
    probe.Open(front);
    const double frames = static_cast<double>(probe.frameCount());
    const std::int64_t worst = probe.KeyFrameAtOrAfter(1) - 1; // last frame of the first GOP

    // "play" as the second argument measures playback only (KV_TRACE=1 lists the
    // pictures shown); a third argument picks one rate code.
    const bool playOnly = argc > 2 && std::string(argv[2]) == "play";
    const int onlyCode = argc > 3 ? std::atoi(argv[3]) : 0;
    std::vector<double> ours, theirs, theirsScaled, bare, swscaled, seek, raw, open;
    for (int i = 0; i < (playOnly ? 0 : runs); ++i) {
        theirs.push_back(FfmpegDecodeSeconds(front));
        theirsScaled.push_back(FfmpegDecodeSeconds(front, QSize(960, 540)));
        ours.push_back(PipelineDecodeSeconds(front, QSize(960, 540)));
        bare.push_back(PipelineDecodeSeconds(front, QSize()));
        swscaled.push_back(
            PipelineDecodeSeconds(front, QSize(960, 540), PictureConverter::Route::Swscale));
        seek.push_back(SeekLatencyMs(front, worst));
        raw.push_back(RawSeekMs(front, worst));
        CountingSurface s;
        QElapsedTimer t;
        t.start();
        EngineContext c;
        FfmpegEngine().Create(c, 0, &s, &s);
        FfmpegEngine().Open(c, front);
        while (!s.ready) {
            QThread::usleep(100);
        }
        open.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        FfmpegEngine().Destroy(c);
    }
    if (!playOnly) {
        std::printf(
            "decode 1080p (demux+decode+convert to 960x540): ours %.1f fps, ffmpeg -threads 2 "
            "%.1f fps, ratio %.2f\n",
            frames / Median(ours), frames / Median(theirs), Median(theirs) / Median(ours));
        std::printf("decode 1080p without conversion: ours %.1f fps, ratio %.2f\n",
                    frames / Median(bare), Median(theirs) / Median(bare));
        std::printf("decode 1080p with the conversion through swscale (fast bilinear) instead of "
                    "libyuv: ours %.1f fps, ratio %.2f\n",
                    frames / Median(swscaled), Median(theirs) / Median(swscaled));
        std::printf("ffmpeg -threads 2 with the same conversion (scale=960:540, bgra): %.1f fps, "
                    "ratio to its plain decoding %.2f; ours against it %.2f\n",
                    frames / Median(theirsScaled), Median(theirs) / Median(theirsScaled),
                    Median(theirsScaled) / Median(ours));
        std::printf(
            "seek to frame %lld (last of its GOP): %.1f ms; plain decode from the key frame "
            "%.1f ms; ratio %.2f\n",
            static_cast<long long>(worst), Median(seek), Median(raw), Median(seek) / Median(raw));
        std::printf("open to ready, 1080p: %.1f ms\n", Median(open));
        VideoDecoder decoder;
        DecodedPicture picture;
        decoder.Open(1);
        DecodeExactFrame(probe, decoder, 0, picture);
        for (const QSize size : {QSize(960, 540), QSize(1280, 720), QSize(1920, 1080)}) {
            const double fast =
                ConvertMs(picture.frame.get(), size, PictureConverter::Route::Fastest);
            const double sws =
                ConvertMs(picture.frame.get(), size, PictureConverter::Route::Swscale);
            std::printf("convert a 1080p picture to %dx%d: libyuv %.2f ms, swscale %.2f ms, "
                        "ratio %.1f\n",
                        size.width(), size.height(), fast, sws, sws / fast);
        }
    }

    for (int code : {1, 2, 4}) {
        if (onlyCode != 0 && code != onlyCode) {
            continue;
        }
        for (const auto& [label, f, r] : {std::tuple{"1080p+720p", front, rear},
                                          std::tuple{"demo 720p+360p", demo, demoRear}}) {
            std::vector<double> cpu, p0, p1, lag, maxLag;
            for (int i = 0; i < std::max(1, runs / 2); ++i) {
                const PlayFigures fig = PlayBoth(f, r, code, code == 1 ? 4.0 : 3.0);
                cpu.push_back(fig.cpuPerVideoSecond);
                p0.push_back(fig.picturesPerSecond[0]);
                p1.push_back(fig.picturesPerSecond[1]);
                lag.push_back(fig.lagFrames);
                maxLag.push_back(fig.maxLagFrames);
            }
            std::printf("x%d %s: CPU %.2f core-seconds per video second; pictures/s front %.1f "
                        "rear %.1f; front clock lead over the picture %.1f frames (largest %.0f)\n",
                        code, label, Median(cpu), Median(p0), Median(p1), Median(lag),
                        Median(maxLag));
        }
    }
    std::printf("peak resident memory: %.1f MB\n", PeakRssKb() / 1024.0);
    return 0;
}
