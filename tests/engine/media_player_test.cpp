// The player on a real recording whose pictures print their frame number.

#include "media_player.h"
#include "tiny_recording.h"
#include "wait_for.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

namespace kv::engine {
namespace {

namespace cm = cardmaker;

// Keeps what the player presented: frame numbers and the number each picture prints.
class RecordingSurface : public VideoSurface, public EngineListener {
public:
    QRect ClientRect() const override { return QRect(0, 0, 320, 192); }
    void SetPictureRect(const QRect&) override {}
    void Present(const QImage& picture, std::int64_t frame) override {
        const QImage gray = picture.convertToFormat(QImage::Format_Grayscale8);
        const auto stamp = cm::ReadFrameStamp(
            gray.constBits(), static_cast<int>(gray.bytesPerLine()), gray.width(), gray.height());
        std::lock_guard lock(mutex);
        frames.push_back(frame);
        stamps.push_back(stamp ? stamp->frame : -1);
        size = picture.size();
    }
    void OnReady(int) override {
        std::lock_guard lock(mutex);
        ++ready;
    }
    void OnEndOfPresentation(int) override {
        std::lock_guard lock(mutex);
        ++ends;
    }
    // Waits until the last presented frame is frame (or the time is up).
    bool WaitFor(std::int64_t frame) {
        return kv::WaitFor([&] {
            std::lock_guard lock(mutex);
            return !frames.empty() && frames.back() == frame;
        });
    }
    template <typename F> auto With(F&& f) {
        std::lock_guard lock(mutex);
        return f();
    }

    std::mutex mutex;
    std::vector<std::int64_t> frames;
    std::vector<int> stamps;
    QSize size;
    int ready = 0;
    int ends = 0;
};

// A clock the test moves by hand, so positions are exact whatever the machine's load.
struct FakeTime {
    std::atomic<std::int64_t> nanos{1'000'000'000};
    PresentationClock::Now now() {
        return [this] { return nanos.load(); };
    }
    void Advance(int ms) { nanos += std::int64_t{ms} * 1'000'000; }
};

class MediaPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        path = WriteTinyRecording(dir->path(), "A__S-261205-093000-000101F.AVI");
        frames = 90;
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    static QTemporaryDir* dir;
    static QString path;
    static int frames;
};

QTemporaryDir* MediaPlayerTest::dir = nullptr;
QString MediaPlayerTest::path;
int MediaPlayerTest::frames = 0;

TEST_F(MediaPlayerTest, OpensShowingFrameZeroAndSeeksExactly) {
    RecordingSurface surface;
    MediaPlayer player(0, &surface, &surface);
    ASSERT_TRUE(player.Open(path));
    ASSERT_TRUE(surface.WaitFor(0));
    EXPECT_EQ(surface.With([&] { return surface.ready; }), 1);
    EXPECT_EQ(player.FrameCount(), frames);
    for (std::int64_t n : {std::int64_t{45}, std::int64_t{7}, std::int64_t{frames - 1},
                           std::int64_t{31}, std::int64_t{0}}) {
        player.SeekFrame(n);
        ASSERT_TRUE(surface.WaitFor(n)) << n;
        EXPECT_EQ(surface.With([&] { return surface.stamps.back(); }), n);
        EXPECT_EQ(player.CurrentFrame(), n);
        EXPECT_FALSE(player.clockRunning());
    }
    // At the last frame and past it: the last frame, never a lost seek.
    for (std::int64_t n :
         {std::int64_t{frames}, std::int64_t{frames + 1}, std::int64_t{10 * frames}}) {
        player.SeekFrame(3);
        ASSERT_TRUE(surface.WaitFor(3));
        player.SeekFrame(n);
        ASSERT_TRUE(surface.WaitFor(frames - 1)) << n;
        EXPECT_EQ(surface.With([&] { return surface.stamps.back(); }), frames - 1) << n;
        EXPECT_EQ(player.CurrentFrame(), frames - 1) << n;
    }
    // Repainted at a new size: a picture of that size is presented again.
    const std::size_t shown = surface.With([&] { return surface.frames.size(); });
    player.SetPictureSize(QSize(320, 192));
    player.Repaint();
    EXPECT_TRUE(kv::WaitFor([&] {
        return surface.With([&] { return surface.frames.size() > shown; });
    })) << "nothing presented after the repaint";
    EXPECT_EQ(surface.With([&] { return surface.size; }), QSize(320, 192));
    const QImage still = player.CurrentImage();
    EXPECT_EQ(still.size(), QSize(160, 96)); // saved at the native size
    EXPECT_EQ(surface.With([&] { return surface.ready; }), 1);
}

TEST_F(MediaPlayerTest, PlaysInStepWithTheClockToTheEnd) {
    RecordingSurface surface;
    FakeTime time;
    MediaPlayer player(1, &surface, &surface, time.now());
    ASSERT_TRUE(player.Open(path));
    ASSERT_TRUE(surface.WaitFor(0));
    player.PlayFrom(30, 1.0);
    ASSERT_TRUE(surface.WaitFor(30));
    EXPECT_TRUE(player.clockRunning());
    EXPECT_EQ(player.CurrentFrame(), 30);
    time.Advance(500); // 15 frames at 30 per second
    EXPECT_EQ(player.CurrentFrame(), 45);
    ASSERT_TRUE(surface.WaitFor(45));
    // Every picture shown is the frame it claims to be, in increasing order.
    surface.With([&] {
        for (std::size_t i = 0; i < surface.frames.size(); ++i) {
            EXPECT_EQ(surface.stamps[i], surface.frames[i]);
            if (i > 1) {
                EXPECT_GT(surface.frames[i], surface.frames[i - 1]);
            }
        }
        return 0;
    });
    time.Advance(100000); // far past the end
    ASSERT_TRUE(kv::WaitFor([&] { return surface.With([&] { return surface.ends; }) > 0; }));
    RunEventsFor(300); // the end is reported once, not again while the player stands
    EXPECT_EQ(surface.With([&] { return surface.ends; }), 1);
    EXPECT_FALSE(player.clockRunning());
    EXPECT_EQ(player.CurrentFrame(), frames - 1);
}

TEST_F(MediaPlayerTest, FastPlayKeepsTheClockAndPauseHoldsIt) {
    RecordingSurface surface;
    FakeTime time;
    MediaPlayer player(0, &surface, &surface, time.now());
    ASSERT_TRUE(player.Open(path));
    ASSERT_TRUE(surface.WaitFor(0));
    player.Play(4.0);
    time.Advance(250); // 4 x 30 frames per second
    EXPECT_EQ(player.CurrentFrame(), 30);
    ASSERT_TRUE(surface.WaitFor(30));
    player.Pause();
    time.Advance(150);
    EXPECT_EQ(player.CurrentFrame(), 30);
    player.Play(0.5);
    time.Advance(200); // half speed: 3 frames
    EXPECT_EQ(player.CurrentFrame(), 33);
}

// The clock passes a frame and is paused before the presenter has shown that
// frame's picture: the picture still follows, so the paused picture is the
// frame the clock stopped at (the panel and the slider show that frame).
TEST_F(MediaPlayerTest, APauseShowsThePictureOfTheFrameTheClockStoppedAt) {
    RecordingSurface surface;
    FakeTime time;
    MediaPlayer player(0, &surface, &surface, time.now());
    ASSERT_TRUE(player.Open(path));
    ASSERT_TRUE(surface.WaitFor(0));
    for (int round = 1; round <= 5; ++round) {
        SCOPED_TRACE(round);
        player.Play(1.0);
        time.Advance(34); // just past the next frame's time
        player.Pause();
        const std::int64_t stopped = player.CurrentFrame();
        ASSERT_EQ(stopped, round);
        ASSERT_TRUE(surface.WaitFor(stopped))
            << "the paused picture stays at "
            << surface.With([&] { return surface.frames.back(); });
        EXPECT_EQ(surface.With([&] { return surface.stamps.back(); }), stopped);
    }
}

TEST_F(MediaPlayerTest, ASpeedChangeInPlaceKeepsTheClockRunning) {
    RecordingSurface surface;
    FakeTime time;
    MediaPlayer player(0, &surface, &surface, time.now());
    ASSERT_TRUE(player.Open(path));
    ASSERT_TRUE(surface.WaitFor(0));
    player.Play(1.0);
    time.Advance(1000); // frame 30
    ASSERT_EQ(player.CurrentFrame(), 30);
    // Where the clock is (a frame either way): no seek, no wait for a picture.
    EXPECT_TRUE(player.ChangeSpeedAt(29, 2.0));
    EXPECT_EQ(player.CurrentFrame(), 29);
    time.Advance(100); // 2 x 3 frames
    EXPECT_EQ(player.CurrentFrame(), 35);
    // Elsewhere, or halted: refused, the clock untouched.
    EXPECT_FALSE(player.ChangeSpeedAt(60, 4.0));
    EXPECT_EQ(player.CurrentFrame(), 35);
    player.Pause();
    EXPECT_FALSE(player.ChangeSpeedAt(35, 4.0));
    time.Advance(100);
    EXPECT_EQ(player.CurrentFrame(), 35);
}

TEST_F(MediaPlayerTest, ReopensAgainAndAgain) {
    RecordingSurface surface;
    MediaPlayer player(0, &surface, &surface);
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(player.Open(path));
        player.PlayFrom(i % frames, 2.0);
        player.Close();
    }
    EXPECT_FALSE(player.Open(dir->path() + "/missing-000001F.AVI"));
}

} // namespace
} // namespace kv::engine
