#include "picture_converter.h"

#include <cstring>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <libyuv/convert_argb.h>
#include <libyuv/planar_functions.h>
#include <libyuv/scale.h>

namespace kv::engine {

namespace {

enum class Matrix { Bt601, Bt709, Bt2020 };

Matrix MatrixOf(const AVFrame* frame) {
    switch (frame->colorspace) {
    case AVCOL_SPC_BT709:
        return Matrix::Bt709;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return Matrix::Bt2020;
    default:
        return Matrix::Bt601; // also what an untagged stream gets
    }
}

bool IsFullRange(const AVFrame* frame) {
    switch (frame->format) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
        return true;
    default:
        return frame->color_range == AVCOL_RANGE_JPEG;
    }
}

const libyuv::YuvConstants* LibyuvConstants(const AVFrame* frame) {
    const bool full = IsFullRange(frame);
    switch (MatrixOf(frame)) {
    case Matrix::Bt709:
        return full ? &libyuv::kYuvF709Constants : &libyuv::kYuvH709Constants;
    case Matrix::Bt2020:
        return full ? &libyuv::kYuvV2020Constants : &libyuv::kYuv2020Constants;
    case Matrix::Bt601:
        break;
    }
    return full ? &libyuv::kYuvJPEGConstants : &libyuv::kYuvI601Constants;
}

int SwscaleMatrix(const AVFrame* frame) {
    switch (MatrixOf(frame)) {
    case Matrix::Bt709:
        return SWS_CS_ITU709;
    case Matrix::Bt2020:
        return SWS_CS_BT2020;
    case Matrix::Bt601:
        break;
    }
    return SWS_CS_DEFAULT;
}

// How the chroma planes of a libyuv format are laid out.
enum class Layout { None, I420, I422, I444, NV12, NV21 };

Layout LayoutOf(int format) {
    switch (format) {
    case AV_PIX_FMT_YUV420P:
    case AV_PIX_FMT_YUVJ420P:
        return Layout::I420;
    case AV_PIX_FMT_YUV422P:
    case AV_PIX_FMT_YUVJ422P:
        return Layout::I422;
    case AV_PIX_FMT_YUV444P:
    case AV_PIX_FMT_YUVJ444P:
        return Layout::I444;
    case AV_PIX_FMT_NV12:
        return Layout::NV12;
    case AV_PIX_FMT_NV21:
        return Layout::NV21;
    default:
        return Layout::None;
    }
}

// Width and height of one chroma plane of a picture of width x height (for
// NV12 and NV21, in sample pairs).
QSize ChromaSize(Layout layout, int width, int height) {
    switch (layout) {
    case Layout::I444:
        return {width, height};
    case Layout::I422:
        return {(width + 1) / 2, height};
    default:
        return {(width + 1) / 2, (height + 1) / 2};
    }
}

bool IsSemiPlanar(Layout layout) {
    return layout == Layout::NV12 || layout == Layout::NV21;
}

} // namespace

PictureConverter::PictureConverter(Route route) : route_(route) {}

PictureConverter::~PictureConverter() {
    sws_freeContext(context_);
}

bool PictureConverter::HasLibyuvPath(int pixelFormat) {
    return LayoutOf(pixelFormat) != Layout::None;
}

QImage PictureConverter::Convert(const AVFrame* frame, QSize size) {
    if (!frame || frame->width <= 0 || frame->height <= 0) {
        return {};
    }
    if (size.isEmpty()) {
        size = QSize(frame->width, frame->height);
    }
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    const bool converted = route_ == Route::Fastest && HasLibyuvPath(frame->format)
                               ? ConvertWithLibyuv(frame, image)
                               : ConvertWithSwscale(frame, image);
    return converted ? image : QImage();
}

bool PictureConverter::ConvertWithLibyuv(const AVFrame* frame, QImage& image) {
    const int width = image.width();
    const int height = image.height();
    const std::uint8_t* y = frame->data[0];
    const std::uint8_t* u = frame->data[1];
    const std::uint8_t* v = frame->data[2];
    int yStride = frame->linesize[0];
    int uStride = frame->linesize[1];
    int vStride = frame->linesize[2];

    Layout layout = LayoutOf(frame->format);
    if (width != frame->width || height != frame->height) {
        // Scale the planes first: the conversion then runs once per target pixel.
        // libyuv's NV12 scaler has no box filter for the chroma pairs and shrinks
        // them poorly, so NV12 and NV21 are split into two planes and scaled as
        // 4:2:0.
        const bool split = IsSemiPlanar(layout);
        const QSize sourceChroma = ChromaSize(layout, frame->width, frame->height);
        const std::size_t splitBytes =
            split ? static_cast<std::size_t>(sourceChroma.width()) * sourceChroma.height() : 0;
        const Layout scaledLayout = split ? Layout::I420 : layout;
        const QSize chroma = ChromaSize(scaledLayout, width, height);
        const std::size_t lumaBytes = static_cast<std::size_t>(width) * height;
        const std::size_t chromaBytes = static_cast<std::size_t>(chroma.width()) * chroma.height();
        scaled_.resize(2 * splitBytes + lumaBytes + 2 * chromaBytes);
        std::uint8_t* first = scaled_.data();
        std::uint8_t* second = first + splitBytes;
        std::uint8_t* sy = second + splitBytes;
        std::uint8_t* su = sy + lumaBytes;
        std::uint8_t* sv = su + chromaBytes;
        if (split) {
            libyuv::SplitUVPlane(u, uStride, first, sourceChroma.width(), second,
                                 sourceChroma.width(), sourceChroma.width(), sourceChroma.height());
            u = layout == Layout::NV12 ? first : second;
            v = layout == Layout::NV12 ? second : first;
            uStride = sourceChroma.width();
            vStride = sourceChroma.width();
        }
        layout = scaledLayout;
        int result = -1;
        switch (layout) {
        case Layout::I420:
            result = libyuv::I420Scale(y, yStride, u, uStride, v, vStride, frame->width,
                                       frame->height, sy, width, su, chroma.width(), sv,
                                       chroma.width(), width, height, libyuv::kFilterBox);
            break;
        case Layout::I422:
            result = libyuv::I422Scale(y, yStride, u, uStride, v, vStride, frame->width,
                                       frame->height, sy, width, su, chroma.width(), sv,
                                       chroma.width(), width, height, libyuv::kFilterBox);
            break;
        case Layout::I444:
            result = libyuv::I444Scale(y, yStride, u, uStride, v, vStride, frame->width,
                                       frame->height, sy, width, su, chroma.width(), sv,
                                       chroma.width(), width, height, libyuv::kFilterBox);
            break;
        default:
            break;
        }
        if (result != 0) {
            return false;
        }
        y = sy;
        u = su;
        v = sv;
        yStride = width;
        uStride = chroma.width();
        vStride = chroma.width();
    }

    const libyuv::YuvConstants* constants = LibyuvConstants(frame);
    std::uint8_t* out = image.bits();
    const int outStride = static_cast<int>(image.bytesPerLine());
    // libyuv's ARGB is a 32-bit 0xAARRGGBB word per pixel in native byte order,
    // as QImage::Format_RGB32 is, with alpha 255.
    int result = -1;
    switch (layout) {
    case Layout::I420:
        result = libyuv::I420ToARGBMatrix(y, yStride, u, uStride, v, vStride, out, outStride,
                                          constants, width, height);
        break;
    case Layout::I422:
        result = libyuv::I422ToARGBMatrix(y, yStride, u, uStride, v, vStride, out, outStride,
                                          constants, width, height);
        break;
    case Layout::I444:
        result = libyuv::I444ToARGBMatrix(y, yStride, u, uStride, v, vStride, out, outStride,
                                          constants, width, height);
        break;
    case Layout::NV12:
        result = libyuv::NV12ToARGBMatrix(y, yStride, u, uStride, out, outStride, constants, width,
                                          height);
        break;
    case Layout::NV21:
        result = libyuv::NV21ToARGBMatrix(y, yStride, u, uStride, out, outStride, constants, width,
                                          height);
        break;
    case Layout::None:
        break;
    }
    return result == 0;
}

bool PictureConverter::ConvertWithSwscale(const AVFrame* frame, QImage& image) {
    context_ = sws_getCachedContext(context_, frame->width, frame->height,
                                    static_cast<AVPixelFormat>(frame->format), image.width(),
                                    image.height(), AV_PIX_FMT_BGRA, SWS_FAST_BILINEAR, nullptr,
                                    nullptr, nullptr);
    if (!context_) {
        return false;
    }
    // The context keeps its colour settings while the sizes and formats stay
    // the same: set them only when the frame asks for others. RGB and grey
    // input have no matrix.
    const AVPixFmtDescriptor* description =
        av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
    const bool yuv = description && description->nb_components >= 3 &&
                     (description->flags & AV_PIX_FMT_FLAG_RGB) == 0;
    int* inverse = nullptr;
    int* table = nullptr;
    int sourceFull = 0;
    int targetFull = 0;
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
    const int* wanted = sws_getCoefficients(SwscaleMatrix(frame));
    const int full = IsFullRange(frame) ? 1 : 0;
    if (yuv &&
        sws_getColorspaceDetails(context_, &inverse, &sourceFull, &table, &targetFull, &brightness,
                                 &contrast, &saturation) >= 0 &&
        (sourceFull != full || std::memcmp(inverse, wanted, 4 * sizeof(int)) != 0)) {
        sws_setColorspaceDetails(context_, wanted, full, table, targetFull, brightness, contrast,
                                 saturation);
    }
    std::uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    int strides[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
    return sws_scale(context_, frame->data, frame->linesize, 0, frame->height, planes, strides) > 0;
}

} // namespace kv::engine
