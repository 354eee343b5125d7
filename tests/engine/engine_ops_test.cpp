// The engine's operations table on real recordings from the card maker.

#include "engine_context.h"
#include "rate_rules.h"
#include "repair.h"
#include "tiny_recording.h"
#include "wait_for.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

namespace kv::engine {
namespace {

namespace cm = cardmaker;

int StampOf(const QImage& image) {
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    const auto stamp = cm::ReadFrameStamp(gray.constBits(), static_cast<int>(gray.bytesPerLine()),
                                          gray.width(), gray.height());
    return stamp ? stamp->frame : -1;
}

class TestSurface : public VideoSurface, public EngineListener {
public:
    QRect ClientRect() const override { return QRect(0, 0, 400, 300); }
    void SetPictureRect(const QRect& rect) override {
        std::lock_guard lock(mutex);
        pictureRect = rect;
    }
    void Present(const QImage& image, std::int64_t frame) override {
        std::lock_guard lock(mutex);
        lastFrame = frame;
        lastSize = image.size();
    }
    void OnReady(int) override { ++ready; }
    void OnEndOfPresentation(int) override { ++ends; }
    bool WaitForFrame(std::int64_t frame) {
        return WaitFor([&] {
            std::lock_guard lock(mutex);
            return lastFrame == frame;
        });
    }

    std::mutex mutex;
    QRect pictureRect;
    std::int64_t lastFrame = -1;
    QSize lastSize;
    std::atomic<int> ready{0};
    std::atomic<int> ends{0};
};

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeasurable = false; // the sanitizer's quarantine holds freed memory
#else
constexpr bool kMemoryIsMeasurable = true;
#endif

long ProcessThreads() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Threads:", 0) == 0) {
            return std::stol(line.substr(8));
        }
    }
    return -1;
}

// Whether one of the process's descriptors is open on path.
bool HeldOpen(const QString& path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd :
         fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == target) {
            return true;
        }
    }
    return false;
}

class EngineOpsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        // Repairs go to a folder of the test's own.
        qputenv("TMPDIR", QFile::encodeName(dir->path()));
        const auto write = [](const QString& name, double seconds, cm::Damage damage) {
            return WriteTinyRecording(dir->path(), name, seconds, damage);
        };
        sound = write("A__S-261205-093000-000101F.AVI", 3.0, cm::Damage::None);
        tooShort = write("A___-261205-093003-000102F.AVI", 2.0, cm::Damage::None);
        damaged = write("A___-261205-093005-000103F.AVI", 3.0, cm::Damage::PowerLoss);
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }

    void SetUp() override { ASSERT_TRUE(ops.Create(context, 0, &surface, &surface)); }
    void TearDown() override { ops.Destroy(context); }

    static QTemporaryDir* dir;
    static QString sound, tooShort, damaged;
    const EngineOps& ops = FfmpegEngine();
    TestSurface surface;
    EngineContext context;
};

QTemporaryDir* EngineOpsTest::dir = nullptr;
QString EngineOpsTest::sound;
QString EngineOpsTest::tooShort;
QString EngineOpsTest::damaged;

TEST_F(EngineOpsTest, OpenResults) {
    EXPECT_EQ(ops.Open(context, tooShort), kTooShort);
    EXPECT_EQ(ops.FrameCount(context), 0); // refused before any player exists
    EXPECT_EQ(context.playState, kClosed);
    EXPECT_EQ(ops.Open(context, dir->path() + "/missing-000001F.AVI"), kOpenFailed);

    ASSERT_EQ(ops.Open(context, sound), kOpened);
    EXPECT_EQ(context.playState, kStopped);
    EXPECT_EQ(ops.FrameCount(context), 90);
    EXPECT_NEAR(ops.FrameDuration(context), 33.333332f, 1e-5);
    EXPECT_EQ(ops.NativeSize(context), QSize(160, 96));
    ASSERT_TRUE(surface.WaitForFrame(0));
    // The player reports ready just after it has shown that first picture.
    ASSERT_TRUE(WaitFor([&] { return surface.ready.load() >= 1; }));
    EXPECT_EQ(surface.ready.load(), 1);

    // A recording whose recorder lost power plays from its repaired copy.
    ASSERT_EQ(ops.Open(context, damaged), kOpened);
    EXPECT_GT(ops.FrameCount(context), 80);
    EXPECT_TRUE(RepairedPath(damaged).startsWith(QDir(dir->path()).canonicalPath() + "/"));
    EXPECT_TRUE(HasRepairedCopy(damaged));
}

TEST_F(EngineOpsTest, PlayStatesAndRates) {
    ASSERT_EQ(ops.Open(context, sound), kOpened);
    EXPECT_EQ(ops.SeekPlaying(context, 10), 0); // only while playing
    EXPECT_EQ(ops.PlayFrom(context, 10), 1);
    EXPECT_EQ(context.playState, kPlaying);
    EXPECT_EQ(ops.PlayFrom(context, 20), 0); // not while playing
    EXPECT_EQ(ops.SeekPlaying(context, 20), 1);
    EXPECT_EQ(ops.Pause(context), 1);
    EXPECT_EQ(context.playState, kPaused);
    EXPECT_EQ(ops.Run(context), 1);
    EXPECT_EQ(context.playState, kPlaying);
    EXPECT_EQ(ops.Stop(context), 1);
    EXPECT_EQ(context.playState, kStopped);
    ASSERT_TRUE(surface.WaitForFrame(0));
    EXPECT_EQ(ops.CurrentFrame(context), 0);
    // A stopped engine moved by a seek pauses where it stands; Play goes on
    // from there.
    EXPECT_EQ(ops.SeekFrame(context, 30), 1);
    ASSERT_TRUE(surface.WaitForFrame(30));
    EXPECT_EQ(ops.Pause(context), 1);
    EXPECT_EQ(context.playState, kPaused);
    EXPECT_EQ(ops.CurrentFrame(context), 30);
    EXPECT_EQ(ops.Stop(context), 1);

    ops.SetRate(context, -1);
    EXPECT_EQ(context.rateCode, -2);
    EXPECT_EQ(context.rate, 0.5f);
    ops.SetRate(context, -1);
    EXPECT_EQ(context.rateCode, 1);
    EXPECT_EQ(RateStep(context, true), 1); // not playing
    ops.Run(context);
    EXPECT_EQ(RateStep(context, true), 2);
    EXPECT_EQ(RateStep(context, false), -1);
    ops.SetVolume(context, 70000);
    EXPECT_EQ(context.volume, 65535);
}

TEST_F(EngineOpsTest, LayoutMirrorAndStills) {
    ASSERT_EQ(ops.Open(context, sound), kOpened);
    ASSERT_TRUE(ops.SetAspectMode(context, 0));
    ASSERT_TRUE(ops.SetLayout(context, 2.0f, 100, 50, 0, 0, true));
    EXPECT_EQ(context.pictureRect, QRect(QPoint(-100, -50), QSize(800, 600)));
    ASSERT_TRUE(ops.SetAspectMode(context, 1));
    ASSERT_TRUE(ops.SetLayout(context, 1.0f, 0, 0, 0, 0, true));
    // 160 x 96 fitted into 400 x 300: (0, 30, 400, 271).
    EXPECT_EQ(context.pictureRect, QRect(QPoint(0, 30), QSize(400, 241)));
    EXPECT_FALSE(ops.SetLayout(context, 0.0f, 0, 0, 0, 0, true));

    ops.SeekFrame(context, 37);
    ASSERT_TRUE(surface.WaitForFrame(37));
    EXPECT_EQ(surface.lastSize, QSize(400, 241)); // pictures arrive at the placed size
    const QString still = dir->path() + "/still-000037.jpg";
    ASSERT_TRUE(ops.SaveFrame(context, still));
    QImage saved(still);
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(160, 96));
    EXPECT_EQ(StampOf(saved), 37);
    EXPECT_FALSE(ops.SaveFrame(context, dir->path())); // a folder is never written

    EXPECT_EQ(ops.ToggleMirror(context), 1);
    EXPECT_EQ(ops.ToggleMirror(context), 0);
}

TEST_F(EngineOpsTest, TelemetryAndPrefetch) {
    ASSERT_EQ(ops.Open(context, sound), kOpened);
    ASSERT_TRUE(ops.LoadTelemetry(context, sound));
    EXPECT_EQ(context.working.sensors.size(), 30u); // one record per 100 ms of 3 s
    EXPECT_EQ(context.working.frameIndex.size(), 90u);

    EngineContext rear;
    ASSERT_TRUE(ops.Create(rear, 1, &surface, &surface));
    Prefetch(context, rear, sound, QString());
    EXPECT_EQ(context.prefetch.sensors.size(), 30u);
    ops.ResetTelemetry(context);
    EXPECT_TRUE(context.working.sensors.empty());
    ASSERT_TRUE(ops.LoadTelemetry(context, sound)); // taken over, not decoded again
    EXPECT_EQ(context.working.sensors.size(), 30u);
    EXPECT_TRUE(context.prefetch.sensors.empty());

    // A prefetch told to give up leaves nothing behind to be taken over, and
    // the load decodes the recording itself.
    context.prefetchCancel = true;
    Prefetch(context, rear, sound, QString());
    EXPECT_TRUE(context.prefetch.sensors.empty());
    EXPECT_TRUE(context.prefetchPath.isEmpty());
    EXPECT_FALSE(context.prefetchCancel);
    ops.ResetTelemetry(context);
    ASSERT_TRUE(ops.LoadTelemetry(context, sound));
    EXPECT_EQ(context.working.sensors.size(), 30u);
    ops.Destroy(rear);
}

// The prefetch thread fills its reader while the window thread opens and
// loads recordings on the same engine (ThreadSanitizer watches this one).
TEST_F(EngineOpsTest, OpenAndLoadWhileAPrefetchRuns) {
    EngineContext rear;
    ASSERT_TRUE(ops.Create(rear, 1, &surface, &surface));
    std::atomic<bool> stop{false};
    std::thread prefetch([&] {
        while (!stop) {
            Prefetch(context, rear, sound, QString());
        }
    });
    for (int i = 0; i < 20 && !HasFailure(); ++i) {
        EXPECT_EQ(ops.Open(context, sound), kOpened) << i;
        EXPECT_TRUE(ops.LoadTelemetry(context, sound)) << i;
        EXPECT_EQ(context.working.sensors.size(), 30u) << i;
        ops.Close(context);
    }
    stop = true;
    prefetch.join();
    ops.Destroy(rear);
}

TEST_F(EngineOpsTest, ManyOpenCloseCyclesLeaveNoThreadsBehind) {
    // One cycle first, so that threads made once per process (sound) exist.
    ASSERT_EQ(ops.Open(context, sound), kOpened);
    ops.Close(context);
    // The sound output lets go of the file on its own thread: once it has, the
    // threads of a closed engine are all that is left.
    ASSERT_TRUE(WaitFor([&] { return !HeldOpen(sound); }));
    const long before = ProcessThreads();
    const long memoryBefore = ResidentKb();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(ops.Open(context, sound), kOpened) << i;
        if (i % 3 == 0) {
            ops.PlayFrom(context, i % 90);
        }
        ops.Close(context);
    }
    EXPECT_TRUE(WaitFor([&] { return ProcessThreads() <= before; }))
        << ProcessThreads() << " threads, " << before << " before";
    if (kMemoryIsMeasurable) {
        EXPECT_LT(ResidentKb() - memoryBefore, 20 * 1024); // no growth beyond allocator slack
    }
}

TEST_F(EngineOpsTest, CloseLetsGoOfTheRecordingFile) {
    // A recording with sound: the player and the sound output both read it,
    // the sound on its own thread.
    const QString copy = dir->path() + "/A___-261205-093020-000105F.AVI";
    QFile::remove(copy);
    ASSERT_TRUE(QFile::copy(sound, copy));
    ASSERT_EQ(ops.Open(context, copy), kOpened);
    ASSERT_TRUE(surface.WaitForFrame(0));
    ASSERT_TRUE(HeldOpen(copy));
    ops.Close(context);
    // The sound output closes its reader when it takes the queued call; a card
    // stays busy as long as any descriptor is left on one of its files.
    EXPECT_TRUE(WaitFor([&] { return !HeldOpen(copy); }))
        << "a descriptor on the closed recording is still open";
}

TEST_F(EngineOpsTest, AFileCutWhilePlayingEndsAndTheEngineStaysUsable) {
    const QString copy = dir->path() + "/A___-261205-093010-000104F.AVI";
    QFile::remove(copy);
    ASSERT_TRUE(QFile::copy(sound, copy));
    ASSERT_EQ(ops.Open(context, copy), kOpened);
    ASSERT_TRUE(surface.WaitForFrame(0));
    ops.SetRate(context, 4);
    ASSERT_EQ(ops.PlayFrom(context, 0), 1);
    QFile cut(copy);
    ASSERT_TRUE(cut.resize(cut.size() / 3)); // the recorder's card pulled mid-write, say
    ASSERT_TRUE(WaitFor([&] { return surface.ends.load() > 0; })) << "never ended";
    EXPECT_EQ(surface.ends.load(), 1);
    ops.Close(context);
    ops.SetRate(context, 1);
    ASSERT_EQ(ops.Open(context, sound), kOpened);
    ops.SeekFrame(context, 12);
    EXPECT_TRUE(surface.WaitForFrame(12));
}

} // namespace
// A seek at or past the last frame shows the last frame, on a rear camera
// shorter than the front as well (its frame is mapped from the front's and can
// run past its own end); a later seek inside the recording still lands.
TEST_F(EngineOpsTest, SeeksAtAndPastTheEndShowTheLastFrameOnBothCameras) {
    const QString shortRear =
        WriteTinyRecording(dir->path(), "A__S-261205-093000-000101R.AVI", 2.5, cm::Damage::None);
    TestSurface rearSurface;
    EngineContext rear;
    ASSERT_TRUE(ops.Create(rear, 1, &rearSurface, &rearSurface));
    ASSERT_EQ(ops.Open(context, sound), kOpened);
    ASSERT_EQ(ops.Open(rear, shortRear), kOpened);
    struct Camera {
        const char* what;
        EngineContext& engine;
        TestSurface& shown;
    };
    for (Camera camera : {Camera{"front", context, surface}, Camera{"rear", rear, rearSurface}}) {
        SCOPED_TRACE(camera.what);
        const std::int64_t count = ops.FrameCount(camera.engine);
        ASSERT_GT(count, 10);
        const std::int64_t last = count - 1;
        for (const std::int64_t target : {last, count, count + 1, std::int64_t{89}, count * 100}) {
            SCOPED_TRACE(target);
            ops.SeekFrame(camera.engine, 5);
            ASSERT_TRUE(camera.shown.WaitForFrame(5));
            ops.SeekFrame(camera.engine, target);
            ASSERT_TRUE(camera.shown.WaitForFrame(last)) << "the seek was lost";
            // The picture is that frame's (read at the native size, where its stamp reads).
            const QString still = dir->path() + "/past-the-end.jpg";
            ASSERT_TRUE(ops.SaveFrame(camera.engine, still));
            EXPECT_EQ(StampOf(QImage(still)), last);
            EXPECT_EQ(ops.CurrentFrame(camera.engine), last);
        }
        // Played from past the end: the last frame, the end reported, the clock stopped there.
        const int endsBefore = camera.shown.ends.load();
        ops.SeekFrame(camera.engine, 5);
        ASSERT_TRUE(camera.shown.WaitForFrame(5));
        ASSERT_EQ(ops.PlayFrom(camera.engine, count + 3), 1);
        ASSERT_TRUE(WaitFor([&] { return camera.shown.ends.load() > endsBefore; }))
            << "no end after playing from past the end";
        ASSERT_TRUE(camera.shown.WaitForFrame(last));
        EXPECT_EQ(ops.CurrentFrame(camera.engine), last);
        ops.Pause(camera.engine);
        ops.SeekFrame(camera.engine, 7);
        EXPECT_TRUE(camera.shown.WaitForFrame(7)) << "no seek after the end";
    }
    ops.Destroy(rear);
}

} // namespace kv::engine
