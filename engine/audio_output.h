#pragma once

#include "audio_decoder.h"
#include "recording_source.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class QAudioSink;
class QIODevice;
class QThread;
class QTimer;

// The sound of one recording through the system's audio output, started at
// the frame the picture starts at and stopped whenever the picture stops or
// leaves normal speed. It starts where the picture's clock is by the time the
// device is ready, and skips ahead when the device ran dry and left it more
// than half a frame behind. Without an audio device the sound is silently
// dropped: playback never depends on it.
namespace kv::engine {

class AudioOutput : public QObject {
    Q_OBJECT

public:
    AudioOutput();
    ~AudioOutput() override;

    // All of these may be called from any thread; the work happens on the
    // output's own thread.
    void SetSource(const QString& path); // empty: no sound
    // The picture's clock started running at normal speed from frame at
    // clockStartedAt (PresentationClock::SteadyNow): the sound starts where
    // the clock is when the device is ready, so the time the output takes to
    // get there does not put the sound behind the picture.
    void Start(std::int64_t frame, float frameDurationMs, std::int64_t clockStartedAt);
    void Stop();
    void SetVolume(float volume); // 0..1

    // Samples handed to the device since the last Start (tests and diagnostics).
    std::int64_t samplesWritten() const { return written_; }
    bool hasDevice() const { return hasDevice_; }

    // How far the device has played the sound: the position in the recording
    // (seconds) of the sample being heard, read at steady time atNanos
    // (PresentationClock::SteadyNow). Not playing (stopped, no device, no
    // sound): playing is false. Waits for the output's thread; never call it
    // from there (tests and diagnostics).
    struct Played {
        bool playing = false;
        double seconds = 0.0;
        std::int64_t atNanos = 0;
    };
    Played PlayedPosition();

private:
    // From this sample on (counted from the Start, per channel) the device
    // plays the recording from seconds.
    struct Mark {
        std::int64_t sample = 0;
        double seconds = 0.0;
    };

    void OpenSourceHere(const QString& path);
    void StartHere(std::int64_t frame, float frameDurationMs, std::int64_t clockStartedAt);
    void StopHere();
    void Feed();
    double HeardSeconds() const;
    void CatchUp();
    void Skip(std::int64_t samples);

    QThread* thread_ = nullptr;
    // -- Everything below lives on the output's thread.
    RecordingSource source_;
    AudioDecoder decoder_;
    QAudioSink* sink_ = nullptr;
    QIODevice* device_ = nullptr;
    QTimer* feeder_ = nullptr;
    std::vector<std::int16_t> pending_; // decoded, not yet written
    std::size_t nextChunk_ = 0;
    std::int64_t skipSamples_ = 0; // samples not to play, dropped as they are decoded
    std::vector<Mark> marks_;      // where the written samples jump in the recording
    double clockSeconds_ = 0.0;    // the clock's position when it started
    std::int64_t clockStartedAt_ = 0;
    double lagLimit_ = 0.0; // seconds the sound may fall behind the clock
    int rate_ = 0;
    int channels_ = 0;
    float volume_ = 0.0f;
    std::atomic<std::int64_t> written_{0};
    std::atomic<bool> hasDevice_{false};
};

} // namespace kv::engine
