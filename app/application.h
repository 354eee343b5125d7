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
    int Run(const QStringList& arguments);
};

} // namespace kv::app
