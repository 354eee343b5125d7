#include "encoders.h"

#include "cardmaker.h"
#include "picture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <cmath>
#include <memory>
#include <mutex>
#include <numbers>

namespace kv::cardmaker::detail {

namespace {

struct CodecContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

QString AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromLatin1(text);
}

void Fail(QString* error, const QString& message) {
    if (error) {
        *error = message;
    }
}

// The encoders' informational chatter (x264's statistics) is of no use here.
void QuietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (av_log_get_level() == AV_LOG_INFO) {
            av_log_set_level(AV_LOG_ERROR);
        }
    });
}

bool TakeVideoPackets(AVCodecContext* ctx, AVPacket* pkt, std::vector<VideoPacket>* out,
                      QString* error) {
    for (;;) {
        const int rc = avcodec_receive_packet(ctx, pkt);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
            return true;
        }
        if (rc < 0) {
            Fail(error, QStringLiteral("H.264 encoding failed: %1").arg(AvError(rc)));
            return false;
        }
        VideoPacket packet;
        const auto* bytes = reinterpret_cast<const char*>(pkt->data);
        if (pkt->size >= 3 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1) {
            // A short start code: the chunk must begin with the four-byte form.
            packet.data.reserve(pkt->size + 1);
            packet.data.append('\0');
        }
        packet.data.append(bytes, pkt->size);
        packet.key = (pkt->flags & AV_PKT_FLAG_KEY) != 0;
        av_packet_unref(pkt);
        if (packet.data.size() < 5 || packet.data[0] != 0 || packet.data[1] != 0 ||
            packet.data[2] != 0 || packet.data[3] != 1) {
            Fail(error, QStringLiteral("the H.264 encoder gave a packet without a start code"));
            return false;
        }
        out->push_back(std::move(packet));
    }
}

} // namespace

bool EncodeVideo(const VideoSettings& s, std::vector<VideoPacket>* packets, QString* error) {
    QuietLibraries();
    packets->clear();
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) {
        Fail(error, QStringLiteral("libavcodec has no libx264 encoder"));
        return false;
    }
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    FramePtr frame(av_frame_alloc());
    PacketPtr pkt(av_packet_alloc());
    if (!ctx || !frame || !pkt) {
        Fail(error, QStringLiteral("out of memory"));
        return false;
    }
    // A key frame about every second, no B-frames, SPS and PPS in front of every key frame.
    const int keyInterval =
        std::max(1, static_cast<int>(std::lround(static_cast<double>(s.rate) / s.scale)));
    ctx->width = s.width;
    ctx->height = s.height;
    ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx->time_base = AVRational{static_cast<int>(s.scale), static_cast<int>(s.rate)};
    ctx->framerate = AVRational{static_cast<int>(s.rate), static_cast<int>(s.scale)};
    ctx->gop_size = keyInterval;
    ctx->keyint_min = keyInterval;
    ctx->max_b_frames = 0;
    ctx->thread_count = 1;
    AVDictionary* raw = nullptr;
    if (s.bitrateKbps > 0) {
        // Constant bitrate with CABAC and the loop filter, as a recorder writes: the
        // buffer holds one second.
        av_dict_set(&raw, "preset", "veryfast", 0);
        ctx->bit_rate = static_cast<std::int64_t>(s.bitrateKbps) * 1000;
        ctx->rc_max_rate = ctx->bit_rate;
        ctx->rc_buffer_size = static_cast<int>(ctx->bit_rate);
    } else {
        av_dict_set(&raw, "preset", "ultrafast", 0);
        av_dict_set(&raw, "crf", QByteArray::number(s.crf).constData(), 0);
    }
    av_dict_set(
        &raw, "x264-params",
        QStringLiteral("repeat-headers=1:scenecut=0:bframes=0:aud=0:keyint=%1:min-keyint=%1")
            .arg(keyInterval)
            .toLatin1()
            .constData(),
        0);
    int rc = avcodec_open2(ctx.get(), codec, &raw);
    av_dict_free(&raw);
    if (rc < 0) {
        Fail(error, QStringLiteral("cannot open the H.264 encoder for %1x%2: %3")
                        .arg(s.width)
                        .arg(s.height)
                        .arg(AvError(rc)));
        return false;
    }

    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = s.width;
    frame->height = s.height;
    if ((rc = av_frame_get_buffer(frame.get(), 32)) < 0) {
        Fail(error, QStringLiteral("cannot allocate a picture: %1").arg(AvError(rc)));
        return false;
    }
    packets->reserve(static_cast<std::size_t>(s.frames));
    for (int i = 0; i < s.frames; ++i) {
        if ((rc = av_frame_make_writable(frame.get())) < 0) {
            Fail(error, QStringLiteral("cannot write a picture: %1").arg(AvError(rc)));
            return false;
        }
        const YuvPicture picture{
            frame->data[0], frame->linesize[0], frame->data[1], frame->linesize[1],
            frame->data[2], frame->linesize[2], s.width,        s.height};
        DrawPicture(picture, s.camera, i, s.fileName, s.grain);
        frame->pts = i;
        if ((rc = avcodec_send_frame(ctx.get(), frame.get())) < 0) {
            Fail(error, QStringLiteral("H.264 encoding failed: %1").arg(AvError(rc)));
            return false;
        }
        if (!TakeVideoPackets(ctx.get(), pkt.get(), packets, error)) {
            return false;
        }
    }
    if ((rc = avcodec_send_frame(ctx.get(), nullptr)) < 0) {
        Fail(error, QStringLiteral("H.264 encoding failed: %1").arg(AvError(rc)));
        return false;
    }
    if (!TakeVideoPackets(ctx.get(), pkt.get(), packets, error)) {
        return false;
    }
    if (static_cast<int>(packets->size()) != s.frames) {
        Fail(error, QStringLiteral("the H.264 encoder gave %1 packets for %2 frames")
                        .arg(packets->size())
                        .arg(s.frames));
        return false;
    }
    return true;
}

bool EncodeAudio(int blocks, std::vector<QByteArray>* out, QString* error) {
    QuietLibraries();
    out->clear();
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_ADPCM_IMA_WAV);
    if (!codec) {
        Fail(error, QStringLiteral("libavcodec has no adpcm_ima_wav encoder"));
        return false;
    }
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    FramePtr frame(av_frame_alloc());
    PacketPtr pkt(av_packet_alloc());
    if (!ctx || !frame || !pkt) {
        Fail(error, QStringLiteral("out of memory"));
        return false;
    }
    ctx->sample_fmt = AV_SAMPLE_FMT_S16P;
    ctx->sample_rate = kAudioSampleRate;
    ctx->time_base = AVRational{1, kAudioSampleRate};
    const AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    av_channel_layout_copy(&ctx->ch_layout, &mono);
    AVDictionary* raw = nullptr;
    av_dict_set(&raw, "block_size", QByteArray::number(kAudioBlockAlign).constData(), 0);
    int rc = avcodec_open2(ctx.get(), codec, &raw);
    av_dict_free(&raw);
    if (rc < 0) {
        Fail(error, QStringLiteral("cannot open the IMA ADPCM encoder: %1").arg(AvError(rc)));
        return false;
    }
    if (ctx->frame_size != kAudioSamplesPerBlock || ctx->block_align != kAudioBlockAlign) {
        Fail(error, QStringLiteral("the IMA ADPCM encoder uses blocks of %1 bytes, %2 samples")
                        .arg(ctx->block_align)
                        .arg(ctx->frame_size));
        return false;
    }
    frame->format = AV_SAMPLE_FMT_S16P;
    frame->sample_rate = kAudioSampleRate;
    frame->nb_samples = kAudioSamplesPerBlock;
    av_channel_layout_copy(&frame->ch_layout, &mono);
    if ((rc = av_frame_get_buffer(frame.get(), 0)) < 0) {
        Fail(error, QStringLiteral("cannot allocate audio: %1").arg(AvError(rc)));
        return false;
    }
    out->reserve(static_cast<std::size_t>(blocks));
    for (int b = 0; b < blocks; ++b) {
        if ((rc = av_frame_make_writable(frame.get())) < 0) {
            Fail(error, QStringLiteral("cannot write audio: %1").arg(AvError(rc)));
            return false;
        }
        auto* samples = reinterpret_cast<std::int16_t*>(frame->data[0]);
        for (int k = 0; k < kAudioSamplesPerBlock; ++k) {
            const long n = static_cast<long>(b) * kAudioSamplesPerBlock + k;
            const double t = static_cast<double>(n) / kAudioSampleRate;
            double v = 1200.0 * std::sin(2.0 * std::numbers::pi * 440.0 * t);
            if (n % kAudioSampleRate < kAudioSampleRate / 12) {
                v += 3000.0 * std::sin(2.0 * std::numbers::pi * 1000.0 * t);
            }
            samples[k] = static_cast<std::int16_t>(std::lround(v));
        }
        frame->pts = static_cast<std::int64_t>(b) * kAudioSamplesPerBlock;
        if ((rc = avcodec_send_frame(ctx.get(), frame.get())) < 0) {
            Fail(error, QStringLiteral("IMA ADPCM encoding failed: %1").arg(AvError(rc)));
            return false;
        }
        while ((rc = avcodec_receive_packet(ctx.get(), pkt.get())) >= 0) {
            out->emplace_back(reinterpret_cast<const char*>(pkt->data), pkt->size);
            av_packet_unref(pkt.get());
        }
        if (rc != AVERROR(EAGAIN)) {
            Fail(error, QStringLiteral("IMA ADPCM encoding failed: %1").arg(AvError(rc)));
            return false;
        }
    }
    if (static_cast<int>(out->size()) != blocks) {
        Fail(error, QStringLiteral("the IMA ADPCM encoder gave %1 blocks instead of %2")
                        .arg(out->size())
                        .arg(blocks));
        return false;
    }
    for (const QByteArray& block : *out) {
        if (block.size() != kAudioBlockAlign) {
            Fail(
                error,
                QStringLiteral("the IMA ADPCM encoder gave a block of %1 bytes").arg(block.size()));
            return false;
        }
    }
    return true;
}

} // namespace kv::cardmaker::detail
