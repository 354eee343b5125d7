#pragma once

#include <QImage>
#include <QRect>

#include <cstdint>

namespace kv::engine {

// Where an engine shows its pictures: the video panel, or a test surface.
// Present is called on the engine's presenter thread; the surface copies
// what it needs and repaints on its own thread.
class VideoSurface {
public:
    virtual ~VideoSurface() = default;
    // The panel's client rectangle, for placing the picture.
    virtual QRect ClientRect() const = 0;
    // Where the picture goes in the panel; the rest of the panel is black.
    virtual void SetPictureRect(const QRect& rect) = 0;
    // The picture of frame, already at the picture rectangle's size.
    virtual void Present(const QImage& picture, std::int64_t frame) = 0;
};

// What an engine tells its owner. Called on engine threads: implementations
// post to their own thread and return at once (never wait for it).
class EngineListener {
public:
    virtual ~EngineListener() = default;
    // The picture can be shown and positioned.
    virtual void OnReady(int camera) = 0;
    // The last frame was presented and 200 ms have passed.
    virtual void OnEndOfPresentation(int camera) = 0;
};

} // namespace kv::engine
