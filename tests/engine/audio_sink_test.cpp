// The sound on a real audio device: what reaches it, at which volume, from
// which camera, when it stops and how close it stays to the picture.
//
// tools/run-tests.sh starts a PulseAudio server with a null sink for these
// tests (tools/start-audio-sink.sh) and sets KOLVISTA_AUDIO_SINK=1: then a
// machine where Qt finds no audio device fails them. Without the variable (a
// developer's machine without sound) they are skipped. What a stream plays is
// recorded back from the sound server with parec, after the volume, one
// stream at a time: other test programs may play into the same sink.

#include "audio_output.h"
#include "engine_context.h"
#include "media_player.h"
#include "presentation_clock.h"
#include "tiny_recording.h"
#include "wait_for.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMediaDevices>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kv::engine {
namespace {

constexpr float kFrameMs = 1000.0f / 30.0f; // the card maker's recordings run at 30 fps

bool SinkPromised() {
    return qEnvironmentVariable("KOLVISTA_AUDIO_SINK") == QLatin1String("1");
}

// Standard output of a sound server tool run to its end; nothing when it failed.
std::optional<QByteArray> RunTool(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForStarted(10000) || !tool.waitForFinished(30000) ||
        tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        return std::nullopt;
    }
    return tool.readAllStandardOutput();
}

// This process's playback streams on the sound server, oldest first; nothing
// when the server cannot be asked.
std::optional<std::vector<int>> OurStreams() {
    const auto listing =
        RunTool(QStringLiteral("pactl"), {QStringLiteral("--format=json"), QStringLiteral("list"),
                                          QStringLiteral("sink-inputs")});
    if (!listing) {
        return std::nullopt;
    }
    const QString pid = QString::number(QCoreApplication::applicationPid());
    std::vector<int> streams;
    for (const QJsonValue& input : QJsonDocument::fromJson(*listing).array()) {
        const QJsonObject object = input.toObject();
        if (object[QStringLiteral("properties")][QStringLiteral("application.process.id")]
                .toString() == pid) {
            streams.push_back(object[QStringLiteral("index")].toInt());
        }
    }
    std::sort(streams.begin(), streams.end());
    return streams;
}

std::vector<int> Streams() {
    const auto streams = OurStreams();
    EXPECT_TRUE(streams.has_value()) << "pactl cannot list the sound server's streams";
    return streams.value_or(std::vector<int>{});
}

// Waits until this process plays exactly `count` streams; they, oldest first.
std::optional<std::vector<int>> WaitForStreams(std::size_t count) {
    std::vector<int> streams;
    if (!WaitFor([&] {
            streams = Streams();
            return streams.size() == count;
        })) {
        return std::nullopt;
    }
    return streams;
}

// The loudness (RMS of the 16-bit samples) of half a second of what one stream
// plays, as the sink receives it, after the volume; negative when the stream
// ended first. The recordings' sound is a tone of amplitude 1200 with a beep
// of amplitude 3000 for the first 83 ms of every second: half a second of it
// at full volume measures between 849 (tone alone) and 1211 (a whole beep).
double StreamLevel(int stream) {
    constexpr int kRate = 8000;
    constexpr qsizetype kBytes = kRate / 2 * 2;
    QProcess parec;
    parec.start(QStringLiteral("parec"),
                {QStringLiteral("--monitor-stream=%1").arg(stream), QStringLiteral("--raw"),
                 QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(kRate),
                 QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
    if (!parec.waitForStarted(10000)) {
        return -1.0;
    }
    QByteArray pcm;
    WaitFor([&] {
        pcm += parec.readAllStandardOutput();
        return pcm.size() >= kBytes || parec.state() == QProcess::NotRunning;
    });
    pcm += parec.readAllStandardOutput();
    parec.kill();
    parec.waitForFinished(10000);
    if (pcm.size() < kBytes) {
        return -1.0;
    }
    double sum = 0.0;
    const auto* samples = reinterpret_cast<const std::int16_t*>(pcm.constData());
    for (qsizetype i = 0; i < kBytes / 2; ++i) {
        sum += static_cast<double>(samples[i]) * samples[i];
    }
    return std::sqrt(sum / static_cast<double>(kBytes / 2));
}

// Whether a level is the recording's sound at volume (0..1), with room for
// the encoding and the server's resampling.
bool AtVolume(double level, double volume) {
    if (volume == 0.0) {
        return level >= 0.0 && level < 1.0;
    }
    return level >= 849.0 * volume * 0.85 && level <= 1211.0 * volume * 1.15;
}

// Waits until the stream plays at volume; the last level measured.
double WaitForLevel(int stream, double volume) {
    double level = -1.0;
    WaitFor([&] {
        level = StreamLevel(stream);
        return AtVolume(level, volume);
    });
    return level;
}

class Surface : public VideoSurface, public EngineListener {
public:
    QRect ClientRect() const override { return QRect(0, 0, 320, 192); }
    void SetPictureRect(const QRect&) override {}
    void Present(const QImage&, std::int64_t frame) override {
        std::lock_guard lock(mutex_);
        last_ = frame;
    }
    void OnReady(int) override {}
    void OnEndOfPresentation(int) override {}
    std::int64_t last() const {
        std::lock_guard lock(mutex_);
        return last_;
    }

private:
    mutable std::mutex mutex_;
    std::int64_t last_ = -1;
};

class AudioSinkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        front = WriteTinyRecording(dir->path(), "A__S-261205-093000-000101F.AVI", 12.0);
        rear = WriteTinyRecording(dir->path(), "A__S-261205-093000-000101R.AVI", 12.0);
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }

    void SetUp() override {
        QString missing;
        if (QMediaDevices::defaultAudioOutput().isNull()) {
            missing = QStringLiteral("Qt finds no audio device");
        }
        for (const char* tool : {"pactl", "parec"}) {
            if (missing.isEmpty() && QStandardPaths::findExecutable(tool).isEmpty()) {
                missing = QStringLiteral("%1 is missing").arg(tool);
            }
        }
        if (missing.isEmpty()) {
            return;
        }
        if (SinkPromised()) {
            FAIL() << missing.toStdString()
                   << " although KOLVISTA_AUDIO_SINK=1: is the sink of "
                      "tools/start-audio-sink.sh running, and PULSE_SERVER exported?";
        }
        GTEST_SKIP() << missing.toStdString()
                     << ": no audio sink (eval \"$(bash tools/start-audio-sink.sh)\" starts one)";
    }

    static QTemporaryDir* dir;
    static QString front;
    static QString rear;
};

QTemporaryDir* AudioSinkTest::dir = nullptr;
QString AudioSinkTest::front;
QString AudioSinkTest::rear;

// One engine per camera on the real engine's operations.
class Engines {
public:
    Engines() {
        for (int camera : {0, 1}) {
            EXPECT_TRUE(ops.Create(context[camera], camera, &surface[camera], &surface[camera]));
        }
    }
    ~Engines() {
        for (EngineContext& c : context) {
            ops.Destroy(c);
        }
    }
    const EngineOps& ops = FfmpegEngine();
    Surface surface[2];
    EngineContext context[2];
};

TEST_F(AudioSinkTest, PlaysAtNormalSpeedAtTheVolumeSet) {
    Engines engines;
    const EngineOps& ops = engines.ops;
    EngineContext& c = engines.context[0];
    ASSERT_EQ(ops.Open(c, front), kOpened);
    ops.SetVolume(c, 65535);
    ASSERT_EQ(ops.PlayFrom(c, 0), 1);
    const auto streams = WaitForStreams(1);
    ASSERT_TRUE(streams) << "no stream reached the sound server";
    const int stream = streams->front();
    EXPECT_PRED2(AtVolume, WaitForLevel(stream, 1.0), 1.0);

    // The volume changes the sound as it plays, without restarting it.
    for (const int volume : {19661, 0, 65535}) {
        ops.SetVolume(c, volume);
        const double v = volume / 65535.0;
        EXPECT_PRED2(AtVolume, WaitForLevel(stream, v), v) << volume;
    }
    EXPECT_EQ(Streams(), std::vector<int>{stream});
}

// The controller lets one camera be heard: the front, with the rear at volume
// 0. Both play, and only the front's stream carries sound, also after both
// were moved to another frame together.
TEST_F(AudioSinkTest, OnlyTheCameraAtAVolumeIsHeard) {
    Engines engines;
    const EngineOps& ops = engines.ops;
    EngineContext& f = engines.context[0];
    EngineContext& r = engines.context[1];
    ASSERT_EQ(ops.Open(f, front), kOpened);
    ASSERT_EQ(ops.Open(r, rear), kOpened);
    ops.SetVolume(f, 40000);
    ops.SetVolume(r, 0);
    const double heard = 40000 / 65535.0;

    ASSERT_EQ(ops.PlayFrom(f, 0), 1);
    const auto first = WaitForStreams(1);
    ASSERT_TRUE(first);
    ASSERT_EQ(ops.PlayFrom(r, 0), 1);
    const auto both = WaitForStreams(2);
    ASSERT_TRUE(both);
    const int frontStream = first->front();
    const int rearStream = both->front() == frontStream ? both->back() : both->front();
    EXPECT_PRED2(AtVolume, WaitForLevel(frontStream, heard), heard);
    EXPECT_PRED2(AtVolume, WaitForLevel(rearStream, 0.0), 0.0);

    // Moved together, both start anew: still exactly one of them is heard.
    ASSERT_EQ(ops.SeekPlaying(f, 150), 1);
    ASSERT_EQ(ops.SeekPlaying(r, 150), 1);
    std::vector<int> again;
    ASSERT_TRUE(WaitFor([&] {
        again = Streams();
        return again.size() == 2 && again.front() > std::max(frontStream, rearStream);
    }));
    std::vector<double> levels;
    EXPECT_TRUE(WaitFor([&] {
        levels = {StreamLevel(again[0]), StreamLevel(again[1])};
        std::sort(levels.begin(), levels.end());
        return AtVolume(levels[0], 0.0) && AtVolume(levels[1], heard);
    })) << "levels "
        << levels[0] << " and " << levels[1];
}

// The sound stops with the picture, and when the speed leaves x1; it comes
// back at x1.
TEST_F(AudioSinkTest, StopsAtPauseSeekAndSpeedChange) {
    Engines engines;
    const EngineOps& ops = engines.ops;
    EngineContext& c = engines.context[0];
    ASSERT_EQ(ops.Open(c, front), kOpened);
    ops.SetVolume(c, 65535);
    ASSERT_EQ(ops.PlayFrom(c, 0), 1);
    auto playing = WaitForStreams(1);
    ASSERT_TRUE(playing);

    ops.Pause(c);
    EXPECT_TRUE(WaitForStreams(0)) << "the sound plays on after a pause";
    ASSERT_EQ(ops.Run(c), 1);
    const auto resumed = WaitForStreams(1);
    ASSERT_TRUE(resumed);
    EXPECT_GT(resumed->front(), playing->front());

    // A seek while playing ends the stream and starts another.
    ASSERT_EQ(ops.SeekPlaying(c, 150), 1);
    std::vector<int> sought;
    ASSERT_TRUE(WaitFor([&] {
        sought = Streams();
        return sought.size() == 1 && sought.front() > resumed->front();
    }));
    EXPECT_PRED2(AtVolume, WaitForLevel(sought.front(), 1.0), 1.0);

    // x2 as the controller sets it: the rate, then a seek to where the clock is.
    ASSERT_TRUE(ops.SetRate(c, 2));
    ASSERT_EQ(ops.SeekPlaying(c, ops.CurrentFrame(c)), 1);
    EXPECT_TRUE(WaitForStreams(0)) << "the sound plays on at x2";
    const std::int64_t at = ops.CurrentFrame(c);
    ASSERT_TRUE(WaitFor([&] { return ops.CurrentFrame(c) >= at + 30; }));
    EXPECT_EQ(Streams(), std::vector<int>{}) << "the sound came back at x2";

    ASSERT_TRUE(ops.SetRate(c, 1));
    ASSERT_EQ(ops.SeekPlaying(c, ops.CurrentFrame(c)), 1);
    const auto normal = WaitForStreams(1);
    ASSERT_TRUE(normal) << "no sound back at x1";
    EXPECT_PRED2(AtVolume, WaitForLevel(normal->front(), 1.0), 1.0);

    ops.Stop(c);
    EXPECT_TRUE(WaitForStreams(0)) << "the sound plays on after a stop";
}

// A player and a sound output wired as the engine wires them, and where the
// sound is against the picture's clock.
class PlayerWithSound {
public:
    PlayerWithSound(const QString& path) : player(0, &surface, &surface) {
        player.SetClockStartedHandler([this](std::int64_t frame, double speed) {
            const std::int64_t now = PresentationClock::SteadyNow();
            if (speed == 1.0) {
                {
                    std::lock_guard lock(mutex);
                    startFrame = frame;
                    startedAt = now;
                }
                audio.Start(frame, kFrameMs, now);
            }
        });
        EXPECT_TRUE(player.Open(path));
        audio.SetSource(path);
        audio.SetVolume(1.0f);
    }

    // A seek while playing, as the engine makes it.
    void PlayFrom(std::int64_t frame) {
        audio.Stop();
        player.PlayFrom(frame, 1.0);
    }

    // Samples the sound's position between two readings of the clock: in step
    // when it is within one frame of the clock at the moment it was read. The
    // clock's position at that moment follows from when and where the clock
    // started; the frames read before and after check that reckoning against
    // the player itself (the clock was at `before` or later, and before
    // `after` + 1, when the sound's position was read).
    bool InStep(std::string* why) {
        const std::int64_t before = player.CurrentFrame();
        const AudioOutput::Played played = audio.PlayedPosition();
        const std::int64_t after = player.CurrentFrame();
        if (!played.playing) {
            *why = "no sound playing";
            return false;
        }
        double clock = 0.0;
        {
            std::lock_guard lock(mutex);
            clock = static_cast<double>(startFrame) +
                    static_cast<double>(played.atNanos - startedAt) / 1e6 / kFrameMs;
        }
        const double heard = played.seconds * 1000.0 / kFrameMs;
        *why = "sound at frame " + std::to_string(heard) + ", clock at " + std::to_string(clock) +
               " (read between frames " + std::to_string(before) + " and " + std::to_string(after) +
               ")";
        return std::abs(heard - clock) <= 1.0 && heard >= static_cast<double>(before) - 1.0 &&
               heard <= static_cast<double>(after) + 2.0;
    }

    // Waits until 20 readings in a row, over about a third of a second, are in
    // step. A device may start late or run dry on a busy machine: the sound
    // then catches up, and stays.
    bool StaysInStep(std::string* why) {
        int streak = 0;
        std::string reading;
        why->clear();
        const bool kept = WaitFor([&] {
            if (InStep(&reading)) {
                return ++streak >= 20;
            }
            streak = 0;
            if (why->empty()) {
                *why = "first out of step: " + reading;
            }
            return false;
        });
        if (!kept) {
            *why += "; last: " + reading;
        }
        return kept;
    }

    Surface surface;
    MediaPlayer player;
    AudioOutput audio;
    std::mutex mutex;
    std::int64_t startFrame = 0;
    std::int64_t startedAt = 0;
};

TEST_F(AudioSinkTest, StaysWithinAFrameOfThePicture) {
    PlayerWithSound p(front);
    std::string why;
    p.PlayFrom(30);
    EXPECT_TRUE(p.StaysInStep(&why)) << why;

    // The output's thread held up until the clock has run 10 frames on: the
    // device runs dry, and the sound catches up with the picture again.
    const std::int64_t held = p.player.CurrentFrame();
    MediaPlayer* player = &p.player;
    QMetaObject::invokeMethod(
        &p.audio,
        [player, held] {
            // Not WaitFor: the output's events must wait too.
            const QDeadlineTimer limit(20000);
            while (player->CurrentFrame() < held + 10 && !limit.hasExpired()) {
                QThread::msleep(1);
            }
        },
        Qt::QueuedConnection);
    ASSERT_TRUE(WaitFor([&] { return p.player.CurrentFrame() >= held + 10; }));
    EXPECT_TRUE(p.StaysInStep(&why)) << "after the device ran dry: " << why;

    // A seek restarts the sound at the new position.
    p.PlayFrom(150);
    EXPECT_TRUE(p.StaysInStep(&why)) << "after a seek: " << why;
}

// A pause that comes before the picture a play started with is shown holds:
// neither the clock nor the sound starts when the picture arrives.
TEST_F(AudioSinkTest, APauseBeforeThePlayedPictureArrivesHolds) {
    PlayerWithSound p(front);
    ASSERT_TRUE(WaitFor([&] { return p.surface.last() == 0; }));
    for (const std::int64_t frame : {std::int64_t{60}, std::int64_t{200}}) {
        p.PlayFrom(frame);
        p.player.Pause();
        p.audio.Stop();
        ASSERT_TRUE(WaitFor([&] { return p.surface.last() == frame; })) << frame;
        // The clock starts (and the sound's start is queued) before the picture
        // is handed to the surface.
        EXPECT_FALSE(p.player.clockRunning()) << frame;
        EXPECT_FALSE(p.audio.PlayedPosition().playing) << frame;
        EXPECT_EQ(p.player.CurrentFrame(), frame);
    }
}

} // namespace
} // namespace kv::engine
