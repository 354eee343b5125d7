#pragma once

#include "recording_source.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

struct AVCodecContext;
struct SwrContext;

// The recorder's sound (IMA ADPCM, or plain PCM) as 16-bit interleaved samples.
namespace kv::engine {

class AudioDecoder {
public:
    AudioDecoder() = default;
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;
    ~AudioDecoder();

    // outRate, outChannels: the format the samples are wanted in.
    bool Open(const AudioFormat& format, int outRate, int outChannels);
    void Close();
    // Appends the samples of one chunk (interleaved, outChannels per frame).
    bool Decode(const QByteArray& chunk, std::vector<std::int16_t>& out);

private:
    AVCodecContext* context_ = nullptr;
    SwrContext* resampler_ = nullptr;
    int outRate_ = 0;
    int outChannels_ = 0;
};

} // namespace kv::engine
