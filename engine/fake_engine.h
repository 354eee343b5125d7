#pragma once

#include "engine_context.h"

#include <QStringList>

#include <map>

// An engine without media: it keeps the states, rates and positions the real
// one keeps, answers Open from a script and logs every call, so the playback
// controller can be tested without decoding anything.
namespace kv::engine {

struct FakeRecording {
    int openResult = kOpened;
    std::int64_t frameCount = 300;
    float frameDurationMs = 1000.0f / 30.0f;
    QSize nativeSize{1280, 720};
};

// The script and the log of one fake engine; lives in its context's backend.
struct FakeEngineState : EngineBackend {
    std::map<QString, FakeRecording> recordings; // by path; others fail to open
    QStringList calls;                           // "Open path", "PlayFrom 10", ...
    QString openPath;
    FakeRecording open;
    std::int64_t position = 0; // what CurrentFrame answers
    bool ready = false;        // Open notifies the listener at once when set
};

const EngineOps& FakeEngine();

// The fake state of a context created with FakeEngine (made on first use).
FakeEngineState& FakeStateOf(EngineContext& context);

} // namespace kv::engine
