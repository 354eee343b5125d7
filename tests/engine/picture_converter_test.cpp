// The picture converter's libyuv path against swscale on the same frames: a
// picture decoded from a tiny recording (sharp digits on a soft ramp, a faint
// tint) and a made-up picture of strong colours, in each format libyuv takes,
// at the frame's own size, an exact half and a quarter, an odd size and a
// larger one. Formats libyuv has no path for go through swscale.

#include "frame_seek.h"
#include "picture_converter.h"
#include "recording_source.h"
#include "tiny_recording.h"
#include "video_decoder.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace kv::engine {
namespace {

// Largest difference of each colour channel between two pictures of the same
// size, and the mean over all channels.
struct Difference {
    int red = 0;
    int green = 0;
    int blue = 0;
    double mean = 0;
    int Largest() const { return std::max({red, green, blue}); }
};

Difference Compare(const QImage& a, const QImage& b) {
    Difference d;
    long long sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int dr = std::abs(qRed(pa[x]) - qRed(pb[x]));
            const int dg = std::abs(qGreen(pa[x]) - qGreen(pb[x]));
            const int db = std::abs(qBlue(pa[x]) - qBlue(pb[x]));
            d.red = std::max(d.red, dr);
            d.green = std::max(d.green, dg);
            d.blue = std::max(d.blue, db);
            sum += dr + dg + db;
        }
    }
    const double pixels = static_cast<double>(a.width()) * a.height();
    d.mean = static_cast<double>(sum) / (3 * pixels);
    return d;
}

std::string Describe(const Difference& d) {
    return "largest red " + std::to_string(d.red) + " green " + std::to_string(d.green) + " blue " +
           std::to_string(d.blue) + ", mean " + std::to_string(d.mean);
}

FramePtr NewFrame(AVPixelFormat format, int width, int height) {
    FramePtr frame(av_frame_alloc());
    frame->format = format;
    frame->width = width;
    frame->height = height;
    EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    return frame;
}

// The same picture in another format (swscale, with exact chroma filtering).
FramePtr Reformat(const AVFrame* source, AVPixelFormat format) {
    FramePtr out = NewFrame(format, source->width, source->height);
    SwsContext* sws = sws_getContext(
        source->width, source->height, static_cast<AVPixelFormat>(source->format), source->width,
        source->height, format, SWS_BILINEAR | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr,
        nullptr, nullptr);
    EXPECT_NE(sws, nullptr);
    if (sws) {
        sws_scale(sws, source->data, source->linesize, 0, source->height, out->data, out->linesize);
        sws_freeContext(sws);
    }
    out->colorspace = source->colorspace;
    out->color_range = source->color_range;
    return out;
}

// Strong colours in smooth ramps: luma along the diagonal, blue-difference
// across and red-difference down, each over nearly its whole range, a level or
// two from one chroma sample to the next (so that interpolating the chroma or
// not changes little).
FramePtr ColourFrame() {
    const int width = 384;
    const int height = 256;
    FramePtr frame = NewFrame(AV_PIX_FMT_YUV420P, width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            frame->data[0][y * frame->linesize[0] + x] =
                static_cast<std::uint8_t>(20 + 210 * (x + y) / (width + height - 2));
        }
    }
    const int cw = width / 2;
    const int ch = height / 2;
    for (int y = 0; y < ch; ++y) {
        for (int x = 0; x < cw; ++x) {
            frame->data[1][y * frame->linesize[1] + x] =
                static_cast<std::uint8_t>(24 + 208 * x / (cw - 1));
            frame->data[2][y * frame->linesize[2] + x] =
                static_cast<std::uint8_t>(232 - 208 * y / (ch - 1));
        }
    }
    return frame;
}

class PictureConverterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        const QString path = WriteTinyRecording(dir->path(), "A__S-261205-093000-000201F.AVI");
        RecordingSource source;
        VideoDecoder decoder;
        DecodedPicture picture;
        if (source.Open(path) && decoder.Open(1) && DecodeExactFrame(source, decoder, 5, picture)) {
            decoded = picture.frame.release();
        }
    }
    static void TearDownTestSuite() {
        FrameDeleter()(decoded);
        decoded = nullptr;
        delete dir;
        dir = nullptr;
    }

    static QTemporaryDir* dir;
    static AVFrame* decoded;
};

QTemporaryDir* PictureConverterTest::dir = nullptr;
AVFrame* PictureConverterTest::decoded = nullptr;

TEST_F(PictureConverterTest, TheDecoderGivesAFormatWithALibyuvPath) {
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->format, AV_PIX_FMT_YUV420P);
    EXPECT_TRUE(PictureConverter::HasLibyuvPath(decoded->format));
}

struct Form {
    AVPixelFormat format;
    AVColorSpace matrix;
    AVColorRange range;
};

std::string Name(const Form& form) {
    return std::string(av_get_pix_fmt_name(form.format)) + " matrix " +
           std::to_string(form.matrix) + " range " + std::to_string(form.range);
}

// The source picture in the form (the YUVJ formats keep the samples and read
// them as full range).
FramePtr InForm(const AVFrame* source, const Form& form) {
    FramePtr frame;
    if (form.format == AV_PIX_FMT_YUVJ420P) {
        frame.reset(av_frame_clone(source));
    } else {
        frame = Reformat(source, form.format);
    }
    frame->format = form.format;
    frame->colorspace = form.matrix;
    frame->color_range = form.range;
    return frame;
}

// What a careful scaler makes of the frame: area averaging down, bicubic up,
// chroma interpolated, exact rounding. Untagged limited-range BT.601 only.
QImage Reference(const AVFrame* frame, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    const int filter = size.width() < frame->width ? SWS_AREA : SWS_BICUBIC;
    SwsContext* sws =
        sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                       size.width(), size.height(), AV_PIX_FMT_BGRA,
                       filter | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP, nullptr,
                       nullptr, nullptr);
    EXPECT_NE(sws, nullptr);
    if (sws) {
        std::uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
        int strides[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
        sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides);
        sws_freeContext(sws);
    }
    return image;
}

// At the frame's own size (what a still gets) both paths turn each sample
// into the same colour, in every format, matrix and range libyuv takes: on
// the smooth colours within 4 levels per channel (swscale interpolates the
// chroma of most formats, libyuv takes each sample as it is), save one known
// gap. libyuv's
// fast tables cap the blue-difference weight at 2.0, which limited-range
// BT.709 (2.112) and BT.2020 (2.142) exceed: there the most saturated blues
// come out up to 14 levels less blue than swscale makes them (BT.601's 2.018
// stays within the 4). On the decoded picture, whose chroma changes sharply
// at the stamp, swscale filters the chroma of every format but planar 4:2:0
// (libyuv takes each chroma sample as it is), so there only the mean is held
// to 1.5 levels.
TEST_F(PictureConverterTest, OwnSizeColoursMatchSwscale) {
    ASSERT_NE(decoded, nullptr);
    const FramePtr colour = ColourFrame();
    const Form forms[] = {
        {AV_PIX_FMT_YUV420P, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED},
        {AV_PIX_FMT_YUV420P, AVCOL_SPC_BT470BG, AVCOL_RANGE_MPEG},
        {AV_PIX_FMT_YUV420P, AVCOL_SPC_BT709, AVCOL_RANGE_MPEG},
        {AV_PIX_FMT_YUV420P, AVCOL_SPC_BT2020_NCL, AVCOL_RANGE_MPEG},
        {AV_PIX_FMT_YUV420P, AVCOL_SPC_SMPTE170M, AVCOL_RANGE_JPEG},
        {AV_PIX_FMT_YUV420P, AVCOL_SPC_BT709, AVCOL_RANGE_JPEG},
        {AV_PIX_FMT_YUVJ420P, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED},
        {AV_PIX_FMT_YUVJ420P, AVCOL_SPC_BT709, AVCOL_RANGE_JPEG},
        {AV_PIX_FMT_YUV422P, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED},
        {AV_PIX_FMT_YUVJ422P, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED},
        {AV_PIX_FMT_YUV444P, AVCOL_SPC_BT709, AVCOL_RANGE_MPEG},
        {AV_PIX_FMT_YUVJ444P, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED},
        {AV_PIX_FMT_NV12, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED},
        {AV_PIX_FMT_NV12, AVCOL_SPC_BT709, AVCOL_RANGE_MPEG},
        {AV_PIX_FMT_NV21, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED},
    };
    PictureConverter libyuv;
    PictureConverter swscale(PictureConverter::Route::Swscale);
    for (const AVFrame* source :
         {static_cast<const AVFrame*>(decoded), static_cast<const AVFrame*>(colour.get())}) {
        // The strong colours tell the matrices and ranges apart, so a wrong
        // choice on either side shows.
        QImage untagged;
        for (const Form& form : forms) {
            ASSERT_TRUE(PictureConverter::HasLibyuvPath(form.format)) << Name(form);
            const FramePtr frame = InForm(source, form);
            const QImage ours = libyuv.Convert(frame.get());
            const QImage theirs = swscale.Convert(frame.get());
            ASSERT_EQ(ours.size(), QSize(source->width, source->height)) << Name(form);
            ASSERT_EQ(theirs.size(), ours.size()) << Name(form);
            EXPECT_EQ(ours.format(), QImage::Format_RGB32);
            const Difference d = Compare(ours, theirs);
            const bool cappedBlue =
                form.range != AVCOL_RANGE_JPEG && form.format != AV_PIX_FMT_YUVJ420P &&
                form.format != AV_PIX_FMT_YUVJ422P && form.format != AV_PIX_FMT_YUVJ444P &&
                (form.matrix == AVCOL_SPC_BT709 || form.matrix == AVCOL_SPC_BT2020_NCL);
            if (source != decoded) {
                EXPECT_LE(std::max(d.red, d.green), 4) << Name(form) << ": " << Describe(d);
                EXPECT_LE(d.blue, cappedBlue ? 14 : 4) << Name(form) << ": " << Describe(d);
            } else if (form.format == AV_PIX_FMT_YUV420P && !cappedBlue) {
                EXPECT_LE(d.Largest(), 3) << Name(form) << ": " << Describe(d);
            }
            EXPECT_LE(d.mean, 1.5) << Name(form) << ": " << Describe(d);
            EXPECT_EQ(qAlpha(ours.pixel(ours.width() - 1, ours.height() - 1)), 255);
            if (untagged.isNull()) {
                untagged = ours;
            } else if (source != decoded && form.matrix != AVCOL_SPC_UNSPECIFIED &&
                       form.matrix != AVCOL_SPC_BT470BG && form.matrix != AVCOL_SPC_SMPTE170M) {
                EXPECT_GT(Compare(ours, untagged).Largest(), 10) << Name(form) << " looks BT.601";
            }
        }
    }
}

// Scaled, the two paths weigh the pixels differently (swscale's fast bilinear
// skips pixels when it shrinks by half or more, and sits up to a pixel off
// when it shrinks by less or enlarges), so they are compared with a careful
// scaler instead: libyuv's picture is at most 2 levels (mean absolute
// difference per channel) further from it than swscale's.
TEST_F(PictureConverterTest, ScaledPicturesAreAtLeastAsGoodAsSwscales) {
    ASSERT_NE(decoded, nullptr);
    const FramePtr colour = ColourFrame();
    const AVPixelFormat formats[] = {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUV444P,
                                     AV_PIX_FMT_NV12, AV_PIX_FMT_NV21};
    PictureConverter libyuv;
    PictureConverter swscale(PictureConverter::Route::Swscale);
    for (const AVFrame* source :
         {static_cast<const AVFrame*>(decoded), static_cast<const AVFrame*>(colour.get())}) {
        const int w = source->width;
        const int h = source->height;
        const QSize sizes[] = {{w / 2, h / 2}, {w / 4, h / 4}, {97, 53}, {w * 2 + 13, h * 2 + 7}};
        for (const AVPixelFormat format : formats) {
            const Form form{format, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED};
            const FramePtr frame = InForm(source, form);
            for (const QSize size : sizes) {
                const QImage ours = libyuv.Convert(frame.get(), size);
                const QImage theirs = swscale.Convert(frame.get(), size);
                const QImage reference = Reference(frame.get(), size);
                ASSERT_EQ(ours.size(), size) << Name(form);
                ASSERT_EQ(theirs.size(), size) << Name(form);
                const Difference ourError = Compare(ours, reference);
                const Difference theirError = Compare(theirs, reference);
                EXPECT_LE(ourError.mean, theirError.mean + 2.0)
                    << Name(form) << " at " << size.width() << "x" << size.height() << ": libyuv "
                    << Describe(ourError) << "; swscale " << Describe(theirError);
            }
        }
    }
}

// Formats libyuv has no path for go through swscale and give the picture the
// 8-bit 4:2:0 original gives; a hardware surface (no pixels in memory) gives
// no picture.
TEST_F(PictureConverterTest, OtherFormatsGoThroughSwscale) {
    ASSERT_NE(decoded, nullptr);
    PictureConverter converter;
    PictureConverter swscale(PictureConverter::Route::Swscale);
    const QImage original = converter.Convert(decoded);
    for (const AVPixelFormat format :
         {AV_PIX_FMT_YUV420P10LE, AV_PIX_FMT_YUYV422, AV_PIX_FMT_YUV411P, AV_PIX_FMT_RGB24}) {
        const char* name = av_get_pix_fmt_name(format);
        EXPECT_FALSE(PictureConverter::HasLibyuvPath(format)) << name;
        const FramePtr frame = Reformat(decoded, format);
        const QImage own = converter.Convert(frame.get());
        ASSERT_EQ(own.size(), original.size()) << name;
        // swscale filters these formats' chroma and libyuv does not: the
        // sharp chroma edges at the stamp differ, the picture as a whole not.
        const Difference d = Compare(own, original);
        EXPECT_LE(d.mean, 2.0) << name << ": " << Describe(d);
        const QImage half = converter.Convert(frame.get(), QSize(80, 48));
        ASSERT_EQ(half.size(), QSize(80, 48)) << name;
        EXPECT_EQ(half, swscale.Convert(frame.get(), QSize(80, 48))) << name;
    }

    FramePtr surface(av_frame_alloc());
    surface->format = AV_PIX_FMT_VAAPI;
    surface->width = 160;
    surface->height = 96;
    EXPECT_FALSE(PictureConverter::HasLibyuvPath(AV_PIX_FMT_VAAPI));
    EXPECT_TRUE(converter.Convert(surface.get()).isNull());
    EXPECT_TRUE(converter.Convert(nullptr).isNull());
}

} // namespace
} // namespace kv::engine
