#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <vector>

struct AVFrame;
struct SwsContext;

namespace kv::engine {

// Converts decoded pictures to 32-bit RGB images (QImage::Format_RGB32) of a
// given size.
//
// The decoder's own formats go through libyuv, which scales the YUV planes to
// the target size (its box filter: bilinear down to half the size, an average
// over each target pixel's area below that) and then converts them: 8-bit planar YUV 4:2:0, 4:2:2
// and 4:4:4 in either range (YUV420P, YUVJ420P, YUV422P, YUVJ422P, YUV444P, YUVJ444P) and the
// semi-planar NV12 and NV21. libyuv has no scaler for the rest, so swscale
// (fast bilinear) converts them: more than 8 bits per sample (YUV420P10 and
// the like), packed YUV (YUYV422, UYVY422), 4:1:0, 4:1:1 and 4:4:0, grey,
// formats with alpha, and RGB input.
//
// Both paths take the YUV matrix from the frame (BT.709 or BT.2020 where the
// stream says so, BT.601 otherwise, as swscale does by default) and read the
// samples as full range for the YUVJ formats or a frame marked full range.
class PictureConverter {
public:
    enum class Route {
        Fastest, // libyuv where it has a path, swscale otherwise
        Swscale, // swscale for every format (to compare against)
    };

    explicit PictureConverter(Route route = Route::Fastest);
    PictureConverter(const PictureConverter&) = delete;
    PictureConverter& operator=(const PictureConverter&) = delete;
    ~PictureConverter();

    // A picture of size (the frame's own size when size is empty); a null
    // image when the frame cannot be converted.
    QImage Convert(const AVFrame* frame, QSize size = {});

    // Whether frames of this AVPixelFormat take the libyuv path.
    static bool HasLibyuvPath(int pixelFormat);

private:
    bool ConvertWithLibyuv(const AVFrame* frame, QImage& image);
    bool ConvertWithSwscale(const AVFrame* frame, QImage& image);

    Route route_;
    SwsContext* context_ = nullptr;
    // The YUV planes scaled to the target size, before the conversion to RGB
    // (and NV12's chroma pairs split into two planes ahead of the scaling).
    std::vector<std::uint8_t> scaled_;
};

} // namespace kv::engine
