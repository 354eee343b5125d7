// The recorder's sound: decoded to the samples the chunks hold, and played
// (or, without an audio device, silently dropped) without disturbing anything.

#include "audio_decoder.h"
#include "audio_output.h"
#include "presentation_clock.h"
#include "recording_source.h"
#include "tiny_recording.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace kv::engine {
namespace {

QString WriteTiny(const QTemporaryDir& dir) {
    return WriteTinyRecording(dir.path(), "A__S-261205-093000-000101F.AVI");
}

TEST(AudioDecoder, DecodesEveryChunkToItsSamples) {
    QTemporaryDir dir;
    RecordingSource source;
    ASSERT_TRUE(source.Open(WriteTiny(dir)));
    const AudioFormat& format = source.audioFormat();
    ASSERT_TRUE(format.valid());
    for (int outRate : {static_cast<int>(format.sampleRate), 48000}) {
        AudioDecoder decoder;
        ASSERT_TRUE(decoder.Open(format, outRate, 2));
        std::vector<std::int16_t> pcm;
        QByteArray chunk;
        for (const ChunkRef& ref : source.audio()) {
            ASSERT_TRUE(source.Read(ref, chunk));
            ASSERT_TRUE(decoder.Decode(chunk, pcm));
        }
        // Each IMA ADPCM block of 256 bytes holds 505 samples.
        const double seconds =
            static_cast<double>(source.audio().size()) * 505.0 / format.sampleRate;
        const double got = static_cast<double>(pcm.size()) / 2.0 / outRate;
        EXPECT_NEAR(got, seconds, 0.01) << outRate;
        EXPECT_TRUE(std::any_of(pcm.begin(), pcm.end(), [](std::int16_t s) { return s != 0; }));
    }
    AudioDecoder refuses;
    EXPECT_FALSE(
        refuses.Open(AudioFormat{0x55, 1, 8000, 1, 0}, 8000, 1)); // MP3: not the recorder's
}

TEST(AudioOutput, StartsAndStopsWithOrWithoutADevice) {
    QTemporaryDir dir;
    const QString path = WriteTiny(dir);
    AudioOutput output;
    output.SetSource(path);
    output.SetVolume(0.0f);
    output.Start(30, 1000.0f / 30.0f, PresentationClock::SteadyNow());
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    if (output.hasDevice()) {
        EXPECT_GT(output.samplesWritten(), 0);
    } else {
        EXPECT_EQ(output.samplesWritten(), 0); // no device: nothing is written, nothing fails
    }
    output.Stop();
    output.SetSource(QString());
    output.Start(0, 33.0f, PresentationClock::SteadyNow()); // no source: silent
}

} // namespace
} // namespace kv::engine
