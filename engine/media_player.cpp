#include "media_player.h"

#include "frame_seek.h"
#include "picture_converter.h"
#include "thinning.h"

#include <algorithm>
#include <chrono>

namespace kv::engine {

namespace {

constexpr std::size_t kQueueCapacity = 4; // pictures decoded ahead
constexpr auto kPoll = std::chrono::milliseconds(20);
constexpr auto kEndDelay = std::chrono::milliseconds(200);

} // namespace

MediaPlayer::MediaPlayer(int camera, VideoSurface* surface, EngineListener* listener,
                         PresentationClock::Now now)
    : camera_(camera), surface_(surface), listener_(listener), clock_(std::move(now)) {}

MediaPlayer::~MediaPlayer() {
    Close();
}

bool MediaPlayer::Open(const QString& path, QString* error) {
    Close();
    if (!source_.Open(path, error)) {
        return false;
    }
    frameCount_ = source_.frameCount();
    keyInterval_ = std::max<std::int64_t>(1, source_.LongestKeyInterval());
    clock_.SetFrameRate(source_.rate(), source_.scale());
    {
        std::lock_guard lock(mutex_);
        quit_ = false;
        readyReported_ = false;
        endReported_ = true;
        decodeEnded_ = false;
        cutShort_ = false;
        queue_.clear();
        lastShown_ = {};
    }
    shown_ = 0;
    dropped_ = 0;
    decodeThread_ = std::thread([this] { DecodeLoop(); });
    presentThread_ = std::thread([this] { PresentLoop(); });
    SeekFrame(0);
    return true;
}

void MediaPlayer::Close() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (decodeThread_.joinable()) {
        decodeThread_.join();
    }
    if (presentThread_.joinable()) {
        presentThread_.join();
    }
    std::lock_guard lock(mutex_);
    queue_.clear();
    lastShown_ = {};
    source_.Close();
    frameCount_ = 0;
    clock_.Halt();
    clock_.SeekTo(0);
}

void MediaPlayer::RequestSeek(std::int64_t frame, bool startAfter, double speed) {
    {
        std::lock_guard lock(mutex_);
        const std::int64_t target = std::clamp<std::int64_t>(frame, 0, frameCount_ - 1);
        ++serial_;
        seekTarget_ = target;
        startAfterSeek_ = startAfter;
        startSpeed_ = speed;
        endReported_ = false;
        decodeEnded_ = false;
        cutShort_ = false;
        queue_.clear();
        clock_.Halt();
        clock_.SeekTo(target);
    }
    wake_.notify_all();
}

void MediaPlayer::SetClockStartedHandler(std::function<void(std::int64_t, double)> handler) {
    clockStarted_ = std::move(handler);
}

void MediaPlayer::Play(double speed) {
    std::int64_t from = 0;
    {
        std::lock_guard lock(mutex_);
        endReported_ = false;
        clock_.Start(speed);
        from = clock_.CurrentFrame();
    }
    wake_.notify_all();
    if (clockStarted_) {
        clockStarted_(from, speed);
    }
}

void MediaPlayer::PlayFrom(std::int64_t frame, double speed) {
    RequestSeek(frame, true, speed);
}

bool MediaPlayer::ChangeSpeedAt(std::int64_t frame, double speed) {
    constexpr std::int64_t kInPlace = 3;
    {
        std::lock_guard lock(mutex_);
        const std::int64_t at = clock_.CurrentFrame();
        if (!clock_.running() || seekTarget_ >= 0 || startAfterSeek_ || frame < 0 ||
            frame >= frameCount_ || frame < at - kInPlace || frame > at + kInPlace) {
            return false;
        }
        clock_.SeekTo(frame);
        clock_.Start(speed);
        startSpeed_ = speed;
        endReported_ = false;
    }
    wake_.notify_all();
    if (clockStarted_) {
        clockStarted_(frame, speed);
    }
    return true;
}

void MediaPlayer::Pause() {
    {
        std::lock_guard lock(mutex_);
        clock_.Halt();
        // A play whose first picture is still being decoded stays paused:
        // the picture is shown, the clock (and the sound) do not start.
        startAfterSeek_ = false;
    }
    wake_.notify_all();
}

void MediaPlayer::SeekFrame(std::int64_t frame) {
    RequestSeek(frame, false, 1.0);
}

std::int64_t MediaPlayer::CurrentFrame() const {
    if (frameCount_ <= 0) {
        return 0;
    }
    return std::clamp<std::int64_t>(clock_.CurrentFrame(), 0, frameCount_ - 1);
}

void MediaPlayer::SetPictureSize(QSize size) {
    std::lock_guard lock(mutex_);
    pictureSize_ = size;
}

void MediaPlayer::SetMirror(bool mirrored) {
    std::lock_guard lock(mutex_);
    mirrored_ = mirrored;
}

void MediaPlayer::Repaint() {
    {
        std::lock_guard lock(mutex_);
        repaintRequested_ = true;
    }
    wake_.notify_all();
}

QImage MediaPlayer::CurrentImage() {
    DecodedPicture picture;
    bool mirrored = false;
    {
        std::lock_guard lock(mutex_);
        picture = SharePicture(lastShown_);
        mirrored = mirrored_;
    }
    if (!picture.frame) {
        return {};
    }
    PictureConverter converter;
    const QImage image = converter.Convert(picture.frame.get());
    return mirrored ? image.mirrored(true, false) : image;
}

void MediaPlayer::Push(Queued item, std::unique_lock<std::mutex>& lock) {
    (void)lock; // held by the caller
    queue_.push_back(std::move(item));
    wake_.notify_all();
}

void MediaPlayer::DecodeLoop() {
    VideoDecoder decoder;
    if (!decoder.Open(kPlaybackDecoderThreads)) {
        std::lock_guard lock(mutex_);
        decodeEnded_ = true;
        return;
    }
    QByteArray chunk;
    std::int64_t next = 0;
    std::uint64_t serial = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] {
            return quit_ || seekTarget_ >= 0 || (!decodeEnded_ && queue_.size() < kQueueCapacity);
        });
        if (quit_) {
            return;
        }
        if (seekTarget_ >= 0) {
            const std::int64_t target = std::exchange(seekTarget_, -1);
            serial = serial_;
            lock.unlock();
            DecodedPicture picture;
            std::int64_t continued = target + 1;
            const bool ok = DecodeExactFrame(source_, decoder, target, picture, &continued);
            lock.lock();
            if (serial != serial_) {
                continue; // another seek came meanwhile
            }
            next = continued;
            if (ok) {
                Push({serial, std::move(picture), true}, lock);
            } else if (startAfterSeek_) {
                // No picture for the frame: start the clock all the same.
                startAfterSeek_ = false;
                clock_.Start(startSpeed_);
            }
            continue;
        }

        // Sequential decoding, thinned when the clock runs fast and the decoder is behind.
        const bool running = clock_.running();
        const double speed = clock_.speed();
        const std::int64_t clockFrame = clock_.CurrentFrame();
        lock.unlock();
        const ThinningStep step = ThinBeforeSend(running, speed, clockFrame, next, keyInterval_,
                                                 source_.KeyFrameAtOrAfter(clockFrame + 1));
        decoder.SetSkipLoopFilter(step.skipLoopFilter);
        if (step.jumpTo >= 0) {
            decoder.Flush();
            next = step.jumpTo;
        }
        bool ended = false;
        bool cut = false;
        if (next < frameCount_) {
            const ChunkRef& ref = source_.video()[static_cast<std::size_t>(next)];
            if (!source_.Read(ref, chunk) || !decoder.Send(chunk, next, ref.key)) {
                ended = true; // the file was cut or replaced, or the decoder gave up
                cut = true;
            }
            ++next;
        } else {
            decoder.SendEnd();
            ended = true;
        }
        std::vector<DecodedPicture> pictures;
        DecodedPicture picture;
        while (decoder.Receive(picture)) {
            pictures.push_back(std::move(picture));
        }
        lock.lock();
        if (serial != serial_) {
            continue; // the pictures belong to a position given up since
        }
        const std::int64_t now = clock_.CurrentFrame();
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            if (!KeepDecodedPicture(clock_.running(), now, pictures[i].number,
                                    i + 1 == pictures.size(), queue_.empty())) {
                ++dropped_; // late: never converted
                continue;
            }
            Push({serial, std::move(pictures[i]), false}, lock);
        }
        if (ended && pictures.empty()) {
            decodeEnded_ = true;
            cutShort_ = cut;
            wake_.notify_all();
        }
    }
}

void MediaPlayer::Show(Queued& item) {
    // Called without the lock.
    QSize size;
    bool mirrored = false;
    {
        std::lock_guard lock(mutex_);
        size = pictureSize_;
        mirrored = mirrored_;
    }
    thread_local PictureConverter converter;
    QImage image = converter.Convert(item.picture.frame.get(), size);
    if (mirrored) {
        image = image.mirrored(true, false);
    }
    if (surface_) {
        surface_->Present(image, item.picture.number);
    }
    ++shown_;
}

void MediaPlayer::PresentLoop() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (repaintRequested_) {
            repaintRequested_ = false;
            Queued again{serial_, SharePicture(lastShown_), true};
            if (again.picture.frame) {
                lock.unlock();
                Show(again);
                lock.lock();
            }
            continue;
        }
        if (queue_.empty()) {
            // A recording cut short (its file cut or replaced while it
            // plays) ends with its last picture, not when the clock would
            // have reached its nominal length.
            if (decodeEnded_ && !endReported_ && clock_.running() &&
                (cutShort_ || clock_.Position() >= static_cast<double>(frameCount_))) {
                endReported_ = true;
                clock_.Halt();
                if (!cutShort_) {
                    clock_.SeekTo(frameCount_ - 1);
                }
                const std::uint64_t serial = serial_;
                wake_.wait_for(lock, kEndDelay, [&] { return quit_ || serial != serial_; });
                if (!quit_ && serial == serial_ && listener_) {
                    lock.unlock();
                    listener_->OnEndOfPresentation(camera_);
                    lock.lock();
                }
                continue;
            }
            wake_.wait_for(lock, kPoll);
            continue;
        }
        Queued& head = queue_.front();
        if (head.serial != serial_) {
            queue_.pop_front();
            wake_.notify_all();
            continue;
        }
        if (!head.immediate) {
            // A halted clock has stopped at a frame: the picture of that frame
            // is still shown when its time came just before the clock stopped,
            // so that a paused picture is always the frame the clock is at.
            // Pictures after it wait for the clock to run again.
            const std::int64_t wait = clock_.NanosUntil(head.picture.number);
            if (wait > 0) {
                wake_.wait_for(lock, std::min<std::chrono::nanoseconds>(
                                         std::chrono::nanoseconds(wait), kPoll));
                continue;
            }
            // Late: when the next picture is due as well, this one is skipped.
            if (queue_.size() > 1 && queue_[1].serial == serial_ && !queue_[1].immediate &&
                clock_.NanosUntil(queue_[1].picture.number) <= 0) {
                queue_.pop_front();
                ++dropped_;
                wake_.notify_all();
                continue;
            }
        }
        Queued item = std::move(head);
        queue_.pop_front();
        wake_.notify_all();
        bool started = false;
        if (item.immediate && startAfterSeek_) {
            startAfterSeek_ = false;
            clock_.SeekTo(item.picture.number);
            clock_.Start(startSpeed_);
            started = true;
        }
        const double speed = startSpeed_;
        lastShown_ = SharePicture(item.picture);
        const bool first = !readyReported_;
        readyReported_ = true;
        lock.unlock();
        if (started && clockStarted_) {
            clockStarted_(item.picture.number, speed);
        }
        Show(item);
        if (first && listener_) {
            listener_->OnReady(camera_);
        }
        lock.lock();
    }
}

} // namespace kv::engine
