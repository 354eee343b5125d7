#include "fake_engine.h"

#include "rate_rules.h"

namespace kv::engine {

FakeEngineState& FakeStateOf(EngineContext& c) {
    auto* state = dynamic_cast<FakeEngineState*>(c.backend.get());
    if (!state) {
        c.backend = std::make_unique<FakeEngineState>();
        state = static_cast<FakeEngineState*>(c.backend.get());
    }
    return *state;
}

namespace {

void Log(EngineContext& c, const QString& call) {
    FakeStateOf(c).calls << call;
}

bool IsOpen(EngineContext& c) {
    return c.openResult == kOpened;
}

bool Create(EngineContext& c, int camera, VideoSurface* surface, EngineListener* listener) {
    c.camera = camera;
    c.surface = surface;
    c.listener = listener;
    c.created = true;
    c.display.Init();
    c.working.Init();
    c.prefetch.Init();
    Log(c, QStringLiteral("Create"));
    return true;
}

int Destroy(EngineContext& c) {
    Log(c, QStringLiteral("Destroy"));
    c.created = false;
    c.playState = kClosed;
    return 1;
}

bool Probe(const QString& path) {
    return !path.isEmpty();
}

int Open(EngineContext& c, const QString& path) {
    FakeEngineState& s = FakeStateOf(c);
    s.calls << QStringLiteral("Open ") + path;
    ++c.opens;
    const auto it = s.recordings.find(path);
    c.openResult = it == s.recordings.end() ? kOpenFailed : it->second.openResult;
    if (c.openResult != kOpened) {
        c.playState = kClosed;
        return c.openResult;
    }
    s.open = it->second;
    s.openPath = path;
    s.position = 0;
    c.frameDuration = s.open.frameDurationMs;
    c.playState = kStopped;
    if (s.ready && c.listener) {
        c.listener->OnReady(c.camera);
    }
    return c.openResult;
}

int Close(EngineContext& c) {
    Log(c, QStringLiteral("Close"));
    c.playState = kClosed;
    c.openResult = kOpenFailed;
    return 1;
}

bool LoadTelemetry(EngineContext& c, const QString& path) {
    Log(c, QStringLiteral("LoadTelemetry ") + path);
    return c.created && IsOpen(c);
}

int ResetTelemetry(EngineContext& c) {
    Log(c, QStringLiteral("ResetTelemetry"));
    return 1;
}

int Run(EngineContext& c) {
    Log(c, QStringLiteral("Run"));
    if (!IsOpen(c) || (c.playState != kPaused && c.playState != kStopped)) {
        return 0;
    }
    c.playState = kPlaying;
    return 1;
}

int SeekPlaying(EngineContext& c, std::int64_t frame) {
    Log(c, QStringLiteral("SeekPlaying %1").arg(frame));
    if (!IsOpen(c) || c.playState != kPlaying) {
        return 0;
    }
    FakeStateOf(c).position = frame;
    return 1;
}

int PlayFrom(EngineContext& c, std::int64_t frame) {
    Log(c, QStringLiteral("PlayFrom %1").arg(frame));
    if (!IsOpen(c) || c.playState == kPlaying) {
        return 0;
    }
    FakeStateOf(c).position = frame;
    c.playState = kPlaying;
    return 1;
}

int Pause(EngineContext& c) {
    Log(c, QStringLiteral("Pause"));
    if (IsOpen(c) && (c.playState == kPlaying || c.playState == kStopped)) {
        c.playState = kPaused;
    }
    return 1;
}

int Stop(EngineContext& c) {
    Log(c, QStringLiteral("Stop"));
    if (IsOpen(c) && c.playState != kStopped) {
        FakeStateOf(c).position = 0;
        c.playState = kStopped;
    }
    return 1;
}

std::int64_t CurrentFrame(EngineContext& c) {
    c.currentFrame = IsOpen(c) ? FakeStateOf(c).position : 0;
    return c.currentFrame;
}

int SeekFrame(EngineContext& c, std::int64_t frame) {
    Log(c, QStringLiteral("SeekFrame %1").arg(frame));
    if (IsOpen(c)) {
        FakeStateOf(c).position = frame;
    }
    return 1;
}

void SetHardwareDecoding(EngineContext& c, bool on) {
    c.hardwareDecoding = on;
}

bool SetRate(EngineContext& c, int code) {
    Log(c, QStringLiteral("SetRate %1").arg(code));
    const RateChoice choice = ResolveRate(c.rateCode, code, c.canPlayBackwards);
    c.rateCode = choice.code;
    c.rate = choice.rate;
    return true;
}

bool SetAspectMode(EngineContext& c, int mode) {
    c.aspectMode = mode == 1 ? 1 : 0;
    return true;
}

std::int64_t FrameCount(EngineContext& c) {
    return IsOpen(c) ? FakeStateOf(c).open.frameCount : 0;
}

float FrameDuration(EngineContext& c) {
    return IsOpen(c) ? c.frameDuration : 0.0f;
}

QSize NativeSize(EngineContext& c) {
    return IsOpen(c) ? FakeStateOf(c).open.nativeSize : QSize();
}

int SetVolume(EngineContext& c, int volume) {
    Log(c, QStringLiteral("SetVolume %1").arg(volume));
    c.volume = volume;
    return 1;
}

bool SetLayout(EngineContext& c, float factor, int ax, int ay, int ox, int oy, bool) {
    c.zoom = {factor, ax, ay, ox, oy};
    return factor != 0.0f;
}

bool SaveFrame(EngineContext& c, const QString& path) {
    Log(c, QStringLiteral("SaveFrame ") + path);
    return IsOpen(c);
}

int Repaint(EngineContext& c) {
    Log(c, QStringLiteral("Repaint"));
    return 1;
}

int ToggleMirror(EngineContext& c) {
    c.mirrored = !c.mirrored;
    return c.mirrored ? 1 : 0;
}

const EngineOps kFake = {
    Create,        Destroy,        Probe,        Open,          Close,
    LoadTelemetry, ResetTelemetry, Run,          SeekPlaying,   PlayFrom,
    Pause,         Stop,           CurrentFrame, SeekFrame,     SetHardwareDecoding,
    SetRate,       SetAspectMode,  FrameCount,   FrameDuration, NativeSize,
    SetVolume,     SetLayout,      SaveFrame,    Repaint,       ToggleMirror,
};

} // namespace

const EngineOps& FakeEngine() {
    return kFake;
}

} // namespace kv::engine
