#include "video_decoder.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

#include <mutex>

namespace kv::engine {

namespace {

// A damaged chunk is an expected event here, not something to print.
void QuietLibraryLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

} // namespace

void FrameDeleter::operator()(AVFrame* frame) const {
    av_frame_free(&frame);
}

DecodedPicture SharePicture(const DecodedPicture& picture) {
    DecodedPicture copy;
    if (picture.frame) {
        copy.frame.reset(av_frame_clone(picture.frame.get()));
        copy.number = copy.frame ? picture.number : -1;
    }
    return copy;
}

VideoDecoder::~VideoDecoder() {
    Close();
}

bool VideoDecoder::Open(int threads, QString* error) {
    Close();
    QuietLibraryLog();
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (!codec) {
        if (error) {
            *error = QStringLiteral("no H.264 decoder");
        }
        return false;
    }
    context_ = avcodec_alloc_context3(codec);
    if (!context_) {
        return false;
    }
    context_->thread_count = threads;
    context_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (avcodec_open2(context_, codec, nullptr) < 0) {
        if (error) {
            *error = QStringLiteral("the H.264 decoder cannot be opened");
        }
        Close();
        return false;
    }
    ended_ = false;
    return true;
}

void VideoDecoder::Close() {
    if (context_) {
        avcodec_free_context(&context_);
    }
    context_ = nullptr;
}

bool VideoDecoder::Send(const QByteArray& chunk, std::int64_t frame, bool key) {
    if (!context_ || ended_) {
        return false;
    }
    AVPacket* packet = av_packet_alloc();
    if (!packet || av_new_packet(packet, static_cast<int>(chunk.size())) < 0) {
        av_packet_free(&packet);
        return false;
    }
    std::memcpy(packet->data, chunk.constData(), static_cast<std::size_t>(chunk.size()));
    packet->pts = frame;
    packet->dts = frame;
    if (key) {
        packet->flags |= AV_PKT_FLAG_KEY;
    }
    int result = avcodec_send_packet(context_, packet);
    av_packet_free(&packet);
    // EAGAIN cannot happen while the caller drains pictures after each send;
    // decoding errors of one chunk only lose its picture.
    return result == 0 || result == AVERROR_INVALIDDATA || result == AVERROR(EAGAIN);
}

void VideoDecoder::SendEnd() {
    if (context_ && !ended_) {
        avcodec_send_packet(context_, nullptr);
        ended_ = true;
    }
}

bool VideoDecoder::Receive(DecodedPicture& out) {
    if (!context_) {
        return false;
    }
    FramePtr frame(av_frame_alloc());
    if (!frame || avcodec_receive_frame(context_, frame.get()) != 0) {
        return false;
    }
    out.number =
        frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : frame->pts;
    out.frame = std::move(frame);
    return true;
}

void VideoDecoder::Flush() {
    if (context_) {
        avcodec_flush_buffers(context_);
    }
    ended_ = false;
}

void VideoDecoder::SetSkipLoopFilter(bool skip) {
    if (context_) {
        context_->skip_loop_filter = skip ? AVDISCARD_ALL : AVDISCARD_DEFAULT;
    }
}

LumaPlane LumaOf(const AVFrame* frame) {
    if (!frame) {
        return {};
    }
    return {frame->data[0], frame->linesize[0], frame->width, frame->height};
}

} // namespace kv::engine
