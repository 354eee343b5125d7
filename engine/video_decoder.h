#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>

struct AVFrame;
struct AVCodecContext;

// H.264 decoding of a recording's video chunks with libavcodec. Each packet
// carries its frame number as time stamp, so every decoded picture knows
// which frame it is.
namespace kv::engine {

struct FrameDeleter {
    void operator()(AVFrame* frame) const;
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

struct DecodedPicture {
    FramePtr frame;
    std::int64_t number = -1;
};

// A second reference to the same picture (no pixels are copied).
DecodedPicture SharePicture(const DecodedPicture& picture);

// Decoder threads of a playing camera (frame threading: a frame per thread in
// flight). Three decode a single 1080p stream a few percent faster on two
// cores, but with both cameras playing at x4 two per camera show more pictures.
constexpr int kPlaybackDecoderThreads = 2;

class VideoDecoder {
public:
    VideoDecoder() = default;
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;
    ~VideoDecoder();

    // threads: decoder threads (frame threading); 1 decodes on the caller's thread.
    bool Open(int threads, QString* error = nullptr);
    void Close();
    bool isOpen() const { return context_ != nullptr; }

    // Queues one chunk. False when the decoder refuses it outright (a corrupt
    // chunk is not such a case: its picture is simply missing).
    bool Send(const QByteArray& chunk, std::int64_t frame, bool key);
    // Marks the end of the chunks, so the pictures still in flight come out.
    void SendEnd();
    // The next decoded picture; false when none is ready.
    bool Receive(DecodedPicture& out);
    // Forgets every chunk and picture in flight (before decoding from another place).
    void Flush();
    // Trades picture quality for speed when playback falls behind.
    void SetSkipLoopFilter(bool skip);

private:
    AVCodecContext* context_ = nullptr;
    bool ended_ = false;
};

// The luma plane of a decoded picture (for tests and diagnostics).
struct LumaPlane {
    const std::uint8_t* data = nullptr;
    int stride = 0;
    int width = 0;
    int height = 0;
};
LumaPlane LumaOf(const AVFrame* frame);

} // namespace kv::engine
