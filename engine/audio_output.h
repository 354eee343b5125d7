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
// leaves normal speed. Without an audio device the sound is silently
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
    void Start(std::int64_t frame, float frameDurationMs);
    void Stop();
    void SetVolume(float volume); // 0..1

    // Samples handed to the device since the last Start (tests and diagnostics).
    std::int64_t samplesWritten() const { return written_; }
    bool hasDevice() const { return hasDevice_; }

private:
    void OpenSourceHere(const QString& path);
    void StartHere(std::int64_t frame, float frameDurationMs);
    void StopHere();
    void Feed();

    QThread* thread_ = nullptr;
    // -- Everything below lives on the output's thread.
    RecordingSource source_;
    AudioDecoder decoder_;
    QAudioSink* sink_ = nullptr;
    QIODevice* device_ = nullptr;
    QTimer* feeder_ = nullptr;
    std::vector<std::int16_t> pending_; // decoded, not yet written
    std::size_t nextChunk_ = 0;
    std::int64_t skipSamples_ = 0; // samples before the start position, dropped
    int rate_ = 0;
    int channels_ = 0;
    float volume_ = 0.0f;
    std::atomic<std::int64_t> written_{0};
    std::atomic<bool> hasDevice_{false};
};

} // namespace kv::engine
