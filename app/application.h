#pragma once

#include <QStringList>

// The viewer's application object: starts the toolkit's pieces, runs the main
// window for the whole life of the process and releases what it started.
namespace kv::app {

class CQuillonApp {
public:
    // Runs the viewer; the process's exit code.
    // --first-paint-exit: print "first-paint <monotonic ns>" when the main
    // window has painted once, then close (start-up measurement).
    // A folder argument opens as the source (as a card when it has the
    // recorder's folders), a recording file as a one-file source; without
    // one the browser opens a card, or the remembered folder or file.
    int Run(const QStringList& arguments);
};

} // namespace kv::app
