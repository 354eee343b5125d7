#include "audio_decoder.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace kv::engine {

AudioDecoder::~AudioDecoder() {
    Close();
}

bool AudioDecoder::Open(const AudioFormat& format, int outRate, int outChannels) {
    Close();
    AVCodecID id = AV_CODEC_ID_NONE;
    if (format.formatTag == 0x0011) {
        id = AV_CODEC_ID_ADPCM_IMA_WAV;
    } else if (format.formatTag == 0x0001 && format.bitsPerSample == 16) {
        id = AV_CODEC_ID_PCM_S16LE;
    }
    const AVCodec* codec = id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_decoder(id);
    if (!codec || !format.valid() || format.channels > 8 || outRate <= 0 || outChannels <= 0) {
        return false;
    }
    context_ = avcodec_alloc_context3(codec);
    if (!context_) {
        return false;
    }
    context_->sample_rate = static_cast<int>(format.sampleRate);
    av_channel_layout_default(&context_->ch_layout, format.channels);
    context_->block_align = format.blockAlign;
    context_->bits_per_coded_sample = format.bitsPerSample;
    if (avcodec_open2(context_, codec, nullptr) < 0) {
        Close();
        return false;
    }
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, outChannels);
    if (swr_alloc_set_opts2(&resampler_, &outLayout, AV_SAMPLE_FMT_S16, outRate,
                            &context_->ch_layout, context_->sample_fmt, context_->sample_rate, 0,
                            nullptr) < 0 ||
        swr_init(resampler_) < 0) {
        av_channel_layout_uninit(&outLayout);
        Close();
        return false;
    }
    av_channel_layout_uninit(&outLayout);
    outRate_ = outRate;
    outChannels_ = outChannels;
    return true;
}

void AudioDecoder::Close() {
    swr_free(&resampler_);
    if (context_) {
        avcodec_free_context(&context_);
    }
}

bool AudioDecoder::Decode(const QByteArray& chunk, std::vector<std::int16_t>& out) {
    if (!context_ || chunk.isEmpty()) {
        return false;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    bool ok = packet && frame && av_new_packet(packet, static_cast<int>(chunk.size())) == 0;
    if (ok) {
        std::memcpy(packet->data, chunk.constData(), static_cast<std::size_t>(chunk.size()));
        ok = avcodec_send_packet(context_, packet) == 0;
    }
    while (ok && avcodec_receive_frame(context_, frame) == 0) {
        const int room = swr_get_out_samples(resampler_, frame->nb_samples);
        if (room <= 0) {
            continue;
        }
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(room) * static_cast<std::size_t>(outChannels_));
        uint8_t* target = reinterpret_cast<uint8_t*>(out.data() + at);
        const int got =
            swr_convert(resampler_, &target, room,
                        const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
        out.resize(at + static_cast<std::size_t>(std::max(got, 0)) *
                            static_cast<std::size_t>(outChannels_));
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    return ok;
}

} // namespace kv::engine
