#include "audio_output.h"

#include "presentation_clock.h"
#include "thread_handoff.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

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

void AudioOutput::Start(std::int64_t frame, float frameDurationMs, std::int64_t clockStartedAt) {
    QMetaObject::invokeMethod(
        this,
        [this, frame, frameDurationMs, clockStartedAt] {
            StartHere(frame, frameDurationMs, clockStartedAt);
        },
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

void AudioOutput::StartHere(std::int64_t frame, float frameDurationMs,
                            std::int64_t clockStartedAt) {
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
    std::vector<std::int16_t> probe;
    QByteArray chunk;
    if (!source_.Read(source_.audio().front(), chunk) || !decoder_.Decode(chunk, probe) ||
        probe.empty()) {
        return;
    }
    const double chunkSeconds =
        static_cast<double>(probe.size() / static_cast<std::size_t>(channels_)) / rate_;
    decoder_.Open(source_.audioFormat(), rate_, channels_); // forget the probe's state
    pending_.clear();
    written_ = 0;

    // Without a parent: StopHere destroys it from this thread's event loop.
    auto* sink = new QAudioSink(device, format);
    sink->setVolume(volume_);
    QIODevice* io = sink->start();
    if (!io) {
        sink->deleteLater();
        return;
    }
    sink_ = sink;
    device_ = io;
    // The clock ran on while the device was made ready: start where it is now.
    // The chunks hold equal numbers of samples: decode from the chunk holding
    // the start position and drop the samples before it.
    clockSeconds_ = static_cast<double>(frame) * frameDurationMs / 1000.0;
    clockStartedAt_ = clockStartedAt;
    lagLimit_ = frameDurationMs / 2000.0;
    const double startSeconds =
        clockSeconds_ +
        std::max(0.0, static_cast<double>(PresentationClock::SteadyNow() - clockStartedAt) / 1e9);
    nextChunk_ = std::min<std::size_t>(static_cast<std::size_t>(startSeconds / chunkSeconds),
                                       source_.audio().size());
    skipSamples_ = static_cast<std::int64_t>(
        std::llround((startSeconds - static_cast<double>(nextChunk_) * chunkSeconds) * rate_));
    marks_.assign(1, Mark{0, startSeconds});
    if (!feeder_) {
        feeder_ = new QTimer(this);
        feeder_->setInterval(10);
        connect(feeder_, &QTimer::timeout, this, [this] { Feed(); });
    }
    Feed();
    feeder_->start();
}

// The position in the recording of the sample the device plays now. The
// sink reckons on while the device has run dry; it never plays more than was
// written.
double AudioOutput::HeardSeconds() const {
    const double sample = std::min(static_cast<double>(sink_->processedUSecs()) * rate_ / 1e6,
                                   static_cast<double>(written_.load()));
    auto mark = std::find_if(marks_.rbegin(), marks_.rend(), [&](const Mark& m) {
        return static_cast<double>(m.sample) <= sample;
    });
    if (mark == marks_.rend()) {
        mark = std::prev(marks_.rend());
    }
    return mark->seconds + (sample - static_cast<double>(mark->sample)) / rate_;
}

// A device that ran dry (the output's thread was held up longer than the
// device's buffer lasts) goes on from the sample it stopped at, behind the
// picture by as long as it was silent: the sound skips to where the clock is.
void AudioOutput::CatchUp() {
    if (written_ == 0 || sink_->state() != QAudio::IdleState) {
        return; // playing, or nothing written yet
    }
    const double clock =
        clockSeconds_ + static_cast<double>(PresentationClock::SteadyNow() - clockStartedAt_) / 1e9;
    const Mark last = marks_.back();
    const std::int64_t at = written_;
    const double next = last.seconds + static_cast<double>(at - last.sample) / rate_;
    const double lag = clock - next;
    if (lag <= lagLimit_) {
        return;
    }
    const std::int64_t samples = std::llround(lag * rate_);
    marks_.assign(1, last); // everything written was heard
    marks_.push_back(Mark{at, next + static_cast<double>(samples) / rate_});
    Skip(samples);
}

void AudioOutput::Skip(std::int64_t samples) {
    const std::size_t drop = std::min<std::size_t>(
        pending_.size(), static_cast<std::size_t>(samples) * static_cast<std::size_t>(channels_));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(drop));
    skipSamples_ += samples - static_cast<std::int64_t>(drop / static_cast<std::size_t>(channels_));
}

void AudioOutput::Feed() {
    if (!sink_ || !device_) {
        return;
    }
    CatchUp();
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

AudioOutput::Played AudioOutput::PlayedPosition() {
    Played played;
    QMetaObject::invokeMethod(
        this,
        [this, &played] {
            if (sink_ && sink_->state() != QAudio::StoppedState) {
                played.playing = true;
                played.seconds = HeardSeconds();
                played.atNanos = PresentationClock::SteadyNow();
            }
        },
        Qt::BlockingQueuedConnection);
    return played;
}

void AudioOutput::StopHere() {
    if (feeder_) {
        feeder_->stop();
    }
    pending_.clear();
    device_ = nullptr;
    QAudioSink* sink = std::exchange(sink_, nullptr);
    if (sink) {
        // Qt's PulseAudio sink runs the thread's pending events while it is
        // destroyed: a Stop, Start or SetSource queued behind this call would
        // run in the middle of it. It is stopped (silent) here and destroyed
        // from the event loop, where those calls find the output's state
        // complete.
        sink->stop();
        sink->deleteLater();
    }
}

} // namespace kv::engine
