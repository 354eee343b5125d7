#pragma once

#include <QString>

#include <functional>

namespace kv {
class MessageSink;
}

namespace kv::map {

// Whether Qt WebEngine can run the map here, and if not, what is missing.
struct WebEngineCheck {
    enum class Problem {
        None,
        HelperMissing,    // the engine's page process (QtWebEngineProcess)
        ResourcesMissing, // its resources (qtwebengine_resources.pak)
        ProcessFailed,    // both are there, but the page process did not run
    };
    Problem problem = Problem::None;
    QString path;    // the file concerned
    QString package; // the Debian package that brings it

    bool available() const { return problem == Problem::None; }
};

// Looks for the engine's page process and its resources where this Qt looks
// for them (or where QTWEBENGINEPROCESS_PATH and QTWEBENGINE_RESOURCES_PATH
// point).
WebEngineCheck CheckWebEngine();
bool IsWebEngineAvailable();
// What to tell when the page process was there but did not run.
WebEngineCheck ProcessFailure();

// The notice's text for a check that found a problem: what the map needs,
// the file concerned and the package to install. Plain text.
QString RuntimeNoticeText(const WebEngineCheck& check);

// Shows the notice with the caption "地図の表示に必要な Qt WebEngine を起動できません。"
// when the check found a problem: through compactNotice (the update dialog in
// its compact layout, which returns when the dialog is closed) when one is
// given, else as a message through messages. False when nothing was shown.
using CompactNotice = std::function<void(const QString& caption, const QString& text)>;
bool ShowRuntimeMissingNotice(const WebEngineCheck& check, const CompactNotice& compactNotice,
                              MessageSink* messages);

} // namespace kv::map
