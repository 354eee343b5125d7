#pragma once

// The two encoders of a recording, both through libavcodec: H.264 (libx264) in
// byte-stream form for the video chunks, IMA ADPCM blocks for the audio chunks.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace kv::cardmaker::detail {

struct VideoPacket {
    QByteArray data; // begins with 00 00 00 01
    bool key = false;
};

struct VideoSettings {
    int width = 0;
    int height = 0;
    std::uint32_t rate = 30;
    std::uint32_t scale = 1;
    int frames = 0;
    int crf = 23;
    int grain = 0;       // see RecordingSpec::grain
    int bitrateKbps = 0; // 0 = crf
    char camera = 'F';
    QString fileName; // drawn into every picture
};

// One packet per frame, in frame order.
bool EncodeVideo(const VideoSettings& settings, std::vector<VideoPacket>* packets, QString* error);

// `blocks` blocks of 256 bytes (505 samples each, 8000 Hz mono): a quiet tone with a short
// beep at the start of every second.
bool EncodeAudio(int blocks, std::vector<QByteArray>* out, QString* error);

} // namespace kv::cardmaker::detail
