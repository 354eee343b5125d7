#include "audio_output.h"

#include "thread_handoff.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kv::engine {

AudioOutput::AudioOutput() {
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("audio output"));
    moveToThread(thread_);
    thread_->start();
}

AudioOutput::~AudioOutput() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            StopHere();
            delete feeder_;
            feeder_ = nullptr;
            decoder_.Close();
            source_.Close();
            HandOffRelease(this);
        },
        Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    // The members the output's thread closed are destroyed here.
    HandOffAcquire(this);
    delete thread_;
}

void AudioOutput::SetSource(const QString& path) {
    QMetaObject::invokeMethod(
        this, [this, path] { OpenSourceHere(path); }, Qt::QueuedConnection);
}

void AudioOutput::Start(std::int64_t frame, float frameDurationMs) {
    QMetaObject::invokeMethod(
        this, [this, frame, frameDurationMs] { StartHere(frame, frameDurationMs); },
        Qt::QueuedConnection);
}

void AudioOutput::Stop() {
    QMetaObject::invokeMethod(
        this, [this] { StopHere(); }, Qt::QueuedConnection);
}

void AudioOutput::SetVolume(float volume) {
    QMetaObject::invokeMethod(
        this,
        [this, volume] {
            volume_ = std::clamp(volume, 0.0f, 1.0f);
            if (sink_) {
                sink_->setVolume(volume_);
            }
        },
        Qt::QueuedConnection);
}

void AudioOutput::OpenSourceHere(const QString& path) {
    StopHere();
    decoder_.Close();
    source_.Close();
    if (path.isEmpty() || !source_.Open(path) || !source_.audioFormat().valid() ||
        source_.audio().empty()) {
        source_.Close();
    }
}

void AudioOutput::StartHere(std::int64_t frame, float frameDurationMs) {
    StopHere();
    if (source_.audio().empty()) {
        return;
    }
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    hasDevice_ = !device.isNull();
    if (device.isNull()) {
        return; // no sound on this machine: the picture plays on alone
    }
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(source_.audioFormat().sampleRate));
    format.setChannelCount(source_.audioFormat().channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        format = device.preferredFormat();
        format.setSampleFormat(QAudioFormat::Int16);
    }
    rate_ = format.sampleRate();
    channels_ = format.channelCount();
    if (!decoder_.Open(source_.audioFormat(), rate_, channels_)) {
        return;
    }
    // The chunks hold equal numbers of samples: decode from the chunk holding
    // the start position and drop the samples before it.
    const double startSeconds = static_cast<double>(frame) * frameDurationMs / 1000.0;
    std::vector<std::int16_t> probe;
    QByteArray chunk;
    if (!source_.Read(source_.audio().front(), chunk) || !decoder_.Decode(chunk, probe) ||
        probe.empty()) {
        return;
    }
    const double chunkSeconds =
        static_cast<double>(probe.size() / static_cast<std::size_t>(channels_)) / rate_;
    nextChunk_ = std::min<std::size_t>(static_cast<std::size_t>(startSeconds / chunkSeconds),
                                       source_.audio().size());
    skipSamples_ = static_cast<std::int64_t>(
        std::llround((startSeconds - static_cast<double>(nextChunk_) * chunkSeconds) * rate_));
    decoder_.Open(source_.audioFormat(), rate_, channels_); // forget the probe's state
    pending_.clear();
    written_ = 0;

    sink_ = new QAudioSink(device, format, this);
    sink_->setVolume(volume_);
    device_ = sink_->start();
    if (!device_) {
        StopHere();
        return;
    }
    if (!feeder_) {
        feeder_ = new QTimer(this);
        feeder_->setInterval(10);
        connect(feeder_, &QTimer::timeout, this, [this] { Feed(); });
    }
    Feed();
    feeder_->start();
}

void AudioOutput::Feed() {
    if (!sink_ || !device_) {
        return;
    }
    qsizetype room = sink_->bytesFree();
    const std::size_t frameBytes = static_cast<std::size_t>(channels_) * sizeof(std::int16_t);
    QByteArray chunk;
    while (room >= static_cast<qsizetype>(frameBytes)) {
        if (pending_.empty()) {
            if (nextChunk_ >= source_.audio().size() ||
                !source_.Read(source_.audio()[nextChunk_++], chunk) ||
                !decoder_.Decode(chunk, pending_)) {
                return;
            }
            const std::size_t drop = std::min<std::size_t>(
                pending_.size(), static_cast<std::size_t>(skipSamples_) * channels_);
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(drop));
            skipSamples_ -= static_cast<std::int64_t>(drop / static_cast<std::size_t>(channels_));
            continue;
        }
        const std::size_t bytes =
            std::min<std::size_t>(pending_.size() * sizeof(std::int16_t),
                                  static_cast<std::size_t>(room) / frameBytes * frameBytes);
        const qint64 done = device_->write(reinterpret_cast<const char*>(pending_.data()),
                                           static_cast<qint64>(bytes));
        if (done <= 0) {
            return;
        }
        const std::size_t samples = static_cast<std::size_t>(done) / sizeof(std::int16_t);
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(samples));
        written_ += static_cast<std::int64_t>(samples) / channels_;
        room -= done;
    }
}

void AudioOutput::StopHere() {
    if (feeder_) {
        feeder_->stop();
    }
    if (sink_) {
        sink_->stop();
        delete sink_;
    }
    sink_ = nullptr;
    device_ = nullptr;
    pending_.clear();
}

} // namespace kv::engine
