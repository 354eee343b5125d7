#pragma once

#include "presentation_clock.h"
#include "recording_source.h"
#include "video_decoder.h"
#include "video_surface.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Plays the video of one recording file: a decode thread fills a small queue
// of pictures, each marked with its frame number and the seek serial it
// belongs to; a presenter thread shows each picture when the clock reaches
// its frame and drops pictures of an older serial or whose time has passed.
//
// At speeds of 2 and more the decoder may fall behind the clock; it then
// skips the loop filter once it is more than two frames behind, and jumps to
// the next key frame when it is a whole key-frame interval behind. The clock
// never waits for pictures.
namespace kv::engine {

class MediaPlayer {
public:
    // now: the time base of the clock (a fake in tests).
    MediaPlayer(int camera, VideoSurface* surface, EngineListener* listener,
                PresentationClock::Now now = PresentationClock::SteadyNow);
    ~MediaPlayer();
    MediaPlayer(const MediaPlayer&) = delete;
    MediaPlayer& operator=(const MediaPlayer&) = delete;

    // Opens the file, starts the threads and shows frame 0; the listener
    // hears OnReady once that picture was presented.
    bool Open(const QString& path, QString* error = nullptr);
    void Close();

    std::int64_t FrameCount() const { return frameCount_; }
    float FrameDurationMs() const { return source_.frameDurationMs(); }
    QSize NativeSize() const { return source_.nativeSize(); }
    const RecordingSource& source() const { return source_; }

    // Starts the clock at speed from the current position, or from frame
    // (shown first, then the clock starts).
    void Play(double speed);
    void PlayFrom(std::int64_t frame, double speed);
    // A new speed at a frame the running clock is at (within a few frames):
    // the clock is set to frame and goes on at speed at once, keeping the
    // pictures decoded ahead, so cameras changing speed together stay in
    // step. False (nothing changed) when the clock is halted or elsewhere.
    bool ChangeSpeedAt(std::int64_t frame, double speed);
    void Pause();
    // Shows frame with the clock halted.
    void SeekFrame(std::int64_t frame);
    std::int64_t CurrentFrame() const;
    bool clockRunning() const { return clock_.running(); }

    // The size pictures are converted to (the native size when empty).
    void SetPictureSize(QSize size);
    void SetMirror(bool mirrored);
    // Presents the last picture again (after a layout change).
    void Repaint();
    // The picture shown last, at the native size (mirrored when shown so).
    QImage CurrentImage();
    // Called (on any thread, without locks held) when the clock starts to
    // run from frame at speed: the sound starts there.
    void SetClockStartedHandler(std::function<void(std::int64_t frame, double speed)> handler);

    // Frames shown and dropped since Open (diagnostics and benchmarks).
    std::int64_t framesShown() const { return shown_.load(); }
    std::int64_t framesDropped() const { return dropped_.load(); }

private:
    struct Queued {
        std::uint64_t serial = 0;
        DecodedPicture picture;
        bool immediate = false; // a seek's picture: shown at once
    };

    void DecodeLoop();
    void PresentLoop();
    void RequestSeek(std::int64_t frame, bool startAfter, double speed);
    void Show(Queued& item);
    void Push(Queued item, std::unique_lock<std::mutex>& lock);

    const int camera_;
    VideoSurface* const surface_;
    EngineListener* const listener_;

    RecordingSource source_;
    std::int64_t frameCount_ = 0;
    std::int64_t keyInterval_ = 30;
    PresentationClock clock_;

    std::mutex mutex_; // guards everything below and the decoder's commands
    std::condition_variable wake_;
    bool quit_ = false;
    std::uint64_t serial_ = 0;
    std::int64_t seekTarget_ = -1; // pending seek
    bool startAfterSeek_ = false;  // start the clock once the seek's picture is shown
    double startSpeed_ = 1.0;
    bool decodeEnded_ = false;
    bool cutShort_ = false; // decoding stopped before the last frame: the file was cut or replaced
    bool endReported_ = true;
    bool readyReported_ = false;
    std::deque<Queued> queue_;
    QSize pictureSize_;
    bool mirrored_ = false;
    DecodedPicture lastShown_; // a reference to the picture shown last
    bool repaintRequested_ = false;

    std::function<void(std::int64_t, double)> clockStarted_; // set before Open
    std::atomic<std::int64_t> shown_{0};
    std::atomic<std::int64_t> dropped_{0};
    std::thread decodeThread_;
    std::thread presentThread_;
};

} // namespace kv::engine
