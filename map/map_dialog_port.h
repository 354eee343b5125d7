#pragma once

#include <QString>

namespace kv::map {

// The map dialog as the wrapper sees it: the values the update message is
// built from (written by the main window) and the two ways to reach the page.
class IMapDialog {
public:
    virtual ~IMapDialog() = default;

    // Runs script text in the page; the result is ignored. Nothing happens
    // before the web view exists.
    virtual void RunScript(const QString& script) = 0;
    // Sends the update message to the page; false before the web view exists.
    virtual bool PostUpdate(const QString& json) = 0;

    double mapLat = 0.0;
    double mapLng = 0.0;
    QString mapStatus; // empty while playing, "pause", "stop"
};

} // namespace kv::map
