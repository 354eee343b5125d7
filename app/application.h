#pragma once

#include <QStringList>

// The viewer's application object: starts the toolkit's pieces, runs the main
// window for the whole life of the process and releases what it started.
namespace kv::app {

class PlaybackHost;

// The first folder among the arguments (after the program's name): until the
// file browser exists its recordings form one list and the first is opened.
// False when there is no such folder or it holds no recording.
bool OpenFolderArgument(PlaybackHost& playback, const QStringList& arguments);

class CQuillonApp {
public:
    // Runs the viewer; the process's exit code.
    // --first-paint-exit: print "first-paint <monotonic ns>" when the main
    // window has painted once, then close (start-up measurement).
    // A folder argument (a card or a copy of one): its recordings are listed
    // and the first is opened.
    int Run(const QStringList& arguments);
};

} // namespace kv::app
