#include "engine_context.h"

#include "audio_output.h"
#include "avi_verify.h"
#include "catalogue.h"
#include "media_player.h"
#include "rate_rules.h"
#include "repair.h"
#include "saved_output.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

namespace kv::engine {

std::atomic<int> gEngineLockWaiters{0};

namespace {

// What an engine keeps between recordings: the sound output, and the player
// of the open file.
struct FfmpegState : EngineBackend {
    AudioOutput audio;
    std::unique_ptr<MediaPlayer> player;
};

FfmpegState* StateOf(EngineContext& c) {
    return dynamic_cast<FfmpegState*>(c.backend.get());
}

MediaPlayer* PlayerOf(EngineContext& c) {
    FfmpegState* state = StateOf(c);
    return state ? state->player.get() : nullptr;
}

void StopSound(EngineContext& c) {
    if (FfmpegState* state = StateOf(c)) {
        state->audio.Stop();
    }
}

// Sound is heard at normal speed only.
void ApplyVolume(EngineContext& c) {
    if (FfmpegState* state = StateOf(c)) {
        state->audio.SetVolume(SoundAtCode(c.rateCode) ? static_cast<float>(c.volume) / 65535.0f
                                                       : 0.0f);
    }
}

bool Create(EngineContext& c, int camera, VideoSurface* surface, EngineListener* listener) {
    EngineLock lock(c.mainLock);
    c.camera = camera;
    c.surface = surface;
    c.listener = listener;
    c.display.Init();
    c.working.Init();
    c.prefetch.Init();
    c.playState = kClosed;
    c.rateCode = 1;
    c.rate = 1.0f;
    c.aspectMode = 1;
    c.volume = 0;
    c.zoom = {};
    c.backend = std::make_unique<FfmpegState>();
    c.created = true;
    return true;
}

int Close(EngineContext& c) {
    EngineLock lock(c.mainLock);
    if (FfmpegState* state = StateOf(c)) {
        // The sound stops and its reader lets go of the file too.
        state->audio.SetSource(QString());
        state->player.reset(); // stops the player's threads and releases the file
    }
    c.playState = kClosed;
    c.openResult = kOpenFailed;
    c.currentFrame = 0;
    return 1;
}

int Destroy(EngineContext& c) {
    EngineLock lock(c.mainLock);
    EngineLock load(c.loadLock);
    Close(c);
    c.backend.reset();
    c.display.Destroy();
    c.working.Destroy();
    c.prefetch.Destroy();
    c.created = false;
    return 1;
}

bool Probe(const QString& path) {
    return ProbeRecording(path);
}

bool ApplyLayout(EngineContext& c, bool repaint);

int Open(EngineContext& c, const QString& path) {
    EngineLock lock(c.mainLock);
    ++c.opens;
    Close(c);
    if (!c.created || !Probe(path)) {
        return c.openResult = kOpenFailed;
    }
    // A damaged recording is played from its repaired copy.
    const QString play = PrepareForPlay(path);
    const auto timing = ReadTiming(play);
    if (!timing) {
        return c.openResult = kOpenFailed;
    }
    if (timing->durationSeconds <= 2.0) {
        return c.openResult = kTooShort;
    }
    c.frameDuration = timing->frameDurationMs;
    // The prefetch reader is not touched here: a prefetch thread may be filling
    // it; LoadTelemetry gives it the duration when it takes it over.
    c.display.frameDurationMs = c.working.frameDurationMs = timing->frameDurationMs;
    FfmpegState* state = StateOf(c);
    auto player = std::make_unique<MediaPlayer>(c.camera, c.surface, c.listener);
    AudioOutput* audio = &state->audio;
    const float d = timing->frameDurationMs;
    player->SetClockStartedHandler([audio, d](std::int64_t frame, double speed) {
        if (speed == 1.0) {
            audio->Start(frame, d, PresentationClock::SteadyNow());
        }
    });
    if (!player->Open(play) || player->FrameCount() <= 0) {
        return c.openResult = kOpenFailed;
    }
    player->SetMirror(c.mirrored);
    state->player = std::move(player);
    audio->SetSource(play);
    ApplyVolume(c);
    c.playState = kStopped;
    c.rate = ResolveRate(c.rateCode, c.rateCode, c.canPlayBackwards).rate;
    ApplyLayout(c, false);
    return c.openResult = kOpened;
}

bool LoadTelemetry(EngineContext& c, const QString& path) {
    EngineLock lock(c.mainLock);
    // A prefetch in progress is told to give up rather than waited out; what
    // it decoded is used only when it finished.
    if (c.prefetchBusy) {
        c.prefetchCancel = true;
    }
    EngineLock load(c.loadLock);
    c.prefetchCancel = false;
    c.lastLoadedPath = path;
    if (!c.prefetchPath.isEmpty() && c.prefetchPath == path && c.prefetch.loaded) {
        MoveFrom(c.working, c.prefetch);
        c.prefetch.loaded = false;
        c.working.loaded = true;
    } else {
        c.prefetch.Destroy();
        c.prefetch.Init();
        c.working.Open(path);
    }
    c.prefetchPath.clear();
    MediaPlayer* player = PlayerOf(c);
    c.working.frameDurationMs = c.frameDuration;
    if (player) {
        c.working.BuildFrameIndex(player->FrameCount());
    }
    return c.created && player != nullptr;
}

int ResetTelemetry(EngineContext& c) {
    EngineLock lock(c.mainLock);
    EngineLock load(c.loadLock);
    const float d = c.frameDuration;
    c.display.Destroy();
    c.display.Init();
    c.working.Destroy();
    c.working.Init();
    c.display.frameDurationMs = c.working.frameDurationMs = d;
    return 1;
}

int Run(EngineContext& c) {
    EngineLock lock(c.mainLock);
    MediaPlayer* p = PlayerOf(c);
    if (!p || (c.playState != kPaused && c.playState != kStopped)) {
        return 0;
    }
    p->Play(c.rate);
    c.playState = kPlaying;
    return 1;
}

int SeekPlaying(EngineContext& c, std::int64_t frame) {
    EngineLock lock(c.mainLock);
    MediaPlayer* p = PlayerOf(c);
    if (!p || c.playState != kPlaying) {
        return 0;
    }
    StopSound(c);
    // At the position the clock is at (a speed change) both cameras go on at
    // once from there; elsewhere the clock waits for the picture of frame.
    if (!p->ChangeSpeedAt(frame, c.rate)) {
        p->PlayFrom(frame, c.rate);
    }
    return 1;
}

int PlayFrom(EngineContext& c, std::int64_t frame) {
    EngineLock lock(c.mainLock);
    MediaPlayer* p = PlayerOf(c);
    if (!p || c.playState == kPlaying) {
        return 0;
    }
    StopSound(c);
    p->PlayFrom(frame, c.rate);
    c.playState = kPlaying;
    return 1;
}

// Pausing a stopped engine holds it where it stands (a seek may have moved
// it from the first frame), so that Play continues from there.
int Pause(EngineContext& c) {
    EngineLock lock(c.mainLock);
    MediaPlayer* p = PlayerOf(c);
    if (p && c.playState == kPlaying) {
        p->Pause();
        StopSound(c);
        c.playState = kPaused;
    } else if (p && c.playState == kStopped) {
        c.playState = kPaused;
    }
    return 1;
}

int Stop(EngineContext& c) {
    EngineLock lock(c.mainLock);
    MediaPlayer* p = PlayerOf(c);
    if (p && c.playState != kStopped) {
        StopSound(c);
        p->SeekFrame(0); // the first frame is shown, the clock halted
        c.playState = kStopped;
    }
    return 1;
}

std::int64_t CurrentFrame(EngineContext& c) {
    EngineLock lock(c.mainLock);
    MediaPlayer* p = PlayerOf(c);
    c.currentFrame = p ? p->CurrentFrame() : 0;
    return c.currentFrame;
}

int SeekFrame(EngineContext& c, std::int64_t frame) {
    EngineLock lock(c.mainLock);
    if (MediaPlayer* p = PlayerOf(c)) {
        StopSound(c);
        p->SeekFrame(frame);
    }
    return 1;
}

void SetHardwareDecoding(EngineContext& c, bool on) {
    EngineLock lock(c.mainLock);
    c.hardwareDecoding = on; // stored; our decoder runs on the processor either way
}

bool SetRate(EngineContext& c, int code) {
    EngineLock lock(c.mainLock);
    const RateChoice choice = ResolveRate(c.rateCode, code, c.canPlayBackwards);
    c.rateCode = choice.code;
    c.rate = choice.rate; // applied by the next Run, PlayFrom or SeekPlaying
    ApplyVolume(c);
    return true;
}

std::int64_t FrameCount(EngineContext& c) {
    EngineLock lock(c.mainLock);
    MediaPlayer* p = PlayerOf(c);
    return p ? p->FrameCount() : 0;
}

float FrameDuration(EngineContext& c) {
    EngineLock lock(c.mainLock);
    return c.frameDuration;
}

QSize NativeSize(EngineContext& c) {
    EngineLock lock(c.mainLock);
    MediaPlayer* p = PlayerOf(c);
    return p ? p->NativeSize() : QSize();
}

int SetVolume(EngineContext& c, int volume) {
    EngineLock lock(c.mainLock);
    c.volume = std::clamp(volume, 0, 65535);
    ApplyVolume(c);
    return 1;
}

bool ApplyLayout(EngineContext& c, bool repaint) {
    if (!c.surface) {
        return false;
    }
    const QSize native = NativeSize(c);
    const auto placed = PlacePicture(c.surface->ClientRect(), native, c.aspectMode == 1, c.zoom);
    if (!placed) {
        return false;
    }
    c.pictureRect = *placed;
    c.surface->SetPictureRect(*placed);
    if (MediaPlayer* p = PlayerOf(c)) {
        p->SetPictureSize(placed->size());
        if (repaint && c.playState != kClosed) {
            p->Repaint();
        }
    }
    return true;
}

bool SetLayout(EngineContext& c, float factor, int anchorX, int anchorY, int offsetX, int offsetY,
               bool repaint) {
    EngineLock lock(c.mainLock);
    c.zoom = {factor, anchorX, anchorY, offsetX, offsetY};
    return ApplyLayout(c, repaint);
}

bool SetAspectMode(EngineContext& c, int mode) {
    EngineLock lock(c.mainLock);
    c.aspectMode = mode == 1 ? 1 : 0;
    return ApplyLayout(c, true);
}

bool SaveFrame(EngineContext& c, const QString& path) {
    EngineLock lock(c.mainLock);
    MediaPlayer* p = PlayerOf(c);
    const QImage image = p ? p->CurrentImage() : QImage();
    if (image.isNull() || QFileInfo(path).isDir()) {
        return false;
    }
    // The image appears under its name only when it was written completely.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QImageWriter writer(&file, "jpg");
    writer.setQuality(90);
    if (!writer.write(image)) {
        file.cancelWriting();
        return false;
    }
    return CommitComplete(file); // a disk that runs full part-way leaves no image
}

int Repaint(EngineContext& c) {
    EngineLock lock(c.mainLock);
    if (MediaPlayer* p = PlayerOf(c)) {
        p->Repaint();
    }
    return 1;
}

int ToggleMirror(EngineContext& c) {
    EngineLock lock(c.mainLock);
    c.mirrored = !c.mirrored;
    if (MediaPlayer* p = PlayerOf(c)) {
        p->SetMirror(c.mirrored);
        p->Repaint();
    }
    return c.mirrored ? 1 : 0;
}

const EngineOps kOps = {
    Create,        Destroy,        Probe,        Open,          Close,
    LoadTelemetry, ResetTelemetry, Run,          SeekPlaying,   PlayFrom,
    Pause,         Stop,           CurrentFrame, SeekFrame,     SetHardwareDecoding,
    SetRate,       SetAspectMode,  FrameCount,   FrameDuration, NativeSize,
    SetVolume,     SetLayout,      SaveFrame,    Repaint,       ToggleMirror,
};

} // namespace

const EngineOps& FfmpegEngine() {
    return kOps;
}

void Prefetch(EngineContext& front, EngineContext& rear, const QString& frontPath,
              const QString& rearPath) {
    if (frontPath.isEmpty() && rearPath.isEmpty()) {
        EngineLock load(rear.loadLock);
        rear.prefetch.Destroy();
        rear.prefetch.Init();
        rear.prefetchPath.clear();
        return;
    }
    EngineContext& c = frontPath.isEmpty() ? rear : front;
    const QString& path = frontPath.isEmpty() ? rearPath : frontPath;
    if (!c.created) {
        return;
    }
    // The load lock makes a running prefetch or telemetry load finish first.
    EngineLock load(c.loadLock);
    c.prefetchBusy = true;
    c.prefetch.Destroy();
    c.prefetch.Init();
    c.prefetchPath = path;
    if (!c.prefetch.Open(path, &c.prefetchCancel)) {
        c.prefetchPath.clear();
    }
    c.prefetchCancel = false;
    c.prefetchBusy = false;
}

int RateStep(const EngineContext& context, bool faster) {
    return RateStep(context.playState == kPlaying, context.rateCode, faster,
                    context.canPlayBackwards, true);
}

} // namespace kv::engine
