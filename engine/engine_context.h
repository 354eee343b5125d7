#pragma once

#include "picture_layout.h"
#include "telemetry_reader.h"
#include "video_surface.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

// The video engine as the playback controller sees it: one context record
// per camera (0 front, 1 rear) and one table of operations over it.
namespace kv::engine {

enum PlayState : int { kClosed = 0, kStopped = 1, kPlaying = 2, kPaused = 3 };
enum OpenResult : int { kOpenFailed = 0, kOpened = 1, kTooShort = 2 };

// What an engine plays a file with; each operations table brings its own.
class EngineBackend {
public:
    virtual ~EngineBackend() = default;
};

struct EngineContext {
    int camera = 0;
    bool created = false;
    bool telemetryFlag = false; // this camera holds the telemetry of the recording
    int openResult = kOpenFailed;
    int playState = kClosed;
    int rateCode = 1;
    float rate = 1.0f;          // the speed the next Run, PlayFrom or SeekPlaying applies
    int volume = 0;             // 0..65535
    float frameDuration = 0.0f; // milliseconds per frame of the open file
    bool canPlayBackwards = false;
    bool hardwareDecoding = false;
    int aspectMode = 1; // 1 keep the aspect ratio, 0 stretch
    ViewZoom zoom;
    QRect pictureRect;
    std::int64_t currentFrame = 0;
    bool mirrored = false;
    std::atomic<std::uint64_t> opens{0}; // Open calls so far: a reopen shows as a new count
    VideoSurface* surface = nullptr;
    EngineListener* listener = nullptr;

    // Lock order: the controller's list locks, then mainLock, then loadLock.
    std::recursive_mutex mainLock; // held by every operation
    std::recursive_mutex loadLock; // held while telemetry is decoded into a reader
    // -- The readers below are guarded by loadLock while they are filled.
    TelemetryReader display;  // what the views read
    TelemetryReader working;  // what LoadTelemetry fills
    TelemetryReader prefetch; // the next recording's, decoded ahead
    QString prefetchPath;
    std::atomic<bool> prefetchBusy{false};
    std::atomic<bool> prefetchCancel{false}; // LoadTelemetry asks a running prefetch to stop
    QString lastLoadedPath;

    std::unique_ptr<EngineBackend> backend;
};

// Threads waiting for an engine lock (diagnostics only).
extern std::atomic<int> gEngineLockWaiters;

// Takes an engine lock and counts the wait.
class EngineLock {
public:
    explicit EngineLock(std::recursive_mutex& mutex) : mutex_(mutex) {
        ++gEngineLockWaiters;
        mutex_.lock();
        --gEngineLockWaiters;
    }
    ~EngineLock() { mutex_.unlock(); }
    EngineLock(const EngineLock&) = delete;
    EngineLock& operator=(const EngineLock&) = delete;

private:
    std::recursive_mutex& mutex_;
};

struct EngineOps {
    bool (*Create)(EngineContext&, int camera, VideoSurface*, EngineListener*);
    int (*Destroy)(EngineContext&);
    bool (*Probe)(const QString& path);
    int (*Open)(EngineContext&, const QString& path); // 0 failed, 1 opened, 2 too short
    int (*Close)(EngineContext&);
    bool (*LoadTelemetry)(EngineContext&, const QString& path);
    int (*ResetTelemetry)(EngineContext&);
    int (*Run)(EngineContext&);
    int (*SeekPlaying)(EngineContext&, std::int64_t frame);
    int (*PlayFrom)(EngineContext&, std::int64_t frame);
    int (*Pause)(EngineContext&);
    int (*Stop)(EngineContext&);
    std::int64_t (*CurrentFrame)(EngineContext&);
    int (*SeekFrame)(EngineContext&, std::int64_t frame);
    void (*SetHardwareDecoding)(EngineContext&, bool on);
    bool (*SetRate)(EngineContext&, int code);
    bool (*SetAspectMode)(EngineContext&, int mode);
    std::int64_t (*FrameCount)(EngineContext&);
    float (*FrameDuration)(EngineContext&);
    QSize (*NativeSize)(EngineContext&);
    int (*SetVolume)(EngineContext&, int volume);
    bool (*SetLayout)(EngineContext&, float factor, int anchorX, int anchorY, int offsetX,
                      int offsetY, bool repaint);
    bool (*SaveFrame)(EngineContext&, const QString& path);
    int (*Repaint)(EngineContext&);
    int (*ToggleMirror)(EngineContext&);
};

// The engine on FFmpeg.
const EngineOps& FfmpegEngine();

// Decodes the telemetry of the next recording ahead: into the front
// context's prefetch reader from frontPath, or (no front path) the rear's
// from rearPath. With neither path the rear's prefetch reader is emptied.
void Prefetch(EngineContext& front, EngineContext& rear, const QString& frontPath,
              const QString& rearPath);

// The speed code Faster (faster = true) or Slower moves to (1 when not playing).
int RateStep(const EngineContext& context, bool faster);

} // namespace kv::engine
