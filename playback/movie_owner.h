#pragma once

#include <QPoint>

namespace kv::playback {

class CMovieStatic;

// What a video panel hands to the window that owns it (the main window). All
// calls arrive on the window thread.
class MovieOwner {
public:
    virtual ~MovieOwner() = default;

    // Right click or the menu key: the video menu at globalPos (screen).
    virtual void ShowVideoMenu(QPoint globalPos, CMovieStatic* panel) = 0;
    // A single click recognised at point (panel client coordinates).
    virtual void VideoClick(int camera, QPoint point) = 0;
    // A double click on the main view's panel with zoom mode off.
    virtual void ToggleFullScreen() = 0;
    // The panel's engine presented its last frame.
    virtual void OnEndOfStream(int camera) = 0;
    // The panel's engine can show its picture.
    virtual void OnEnginesReady(int camera) = 0;
    // The camera shown in the main video pane.
    virtual int MainView() const = 0;
};

} // namespace kv::playback
