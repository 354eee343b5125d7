#pragma once

#include "mapped_file.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <cstdint>
#include <vector>

// The chunks of one recording, found through the recording's own index (the
// recorder writes a plain index; no container parsing is needed to play).
namespace kv::engine {

struct ChunkRef {
    std::uint64_t offset = 0; // of the payload in the file
    std::uint32_t size = 0;
    bool key = false;
};

struct AudioFormat {
    std::uint16_t formatTag = 0; // 0x0011 IMA ADPCM, 0x0001 PCM
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    bool valid() const { return formatTag != 0 && channels > 0 && sampleRate > 0; }
};

class RecordingSource {
public:
    // Opens path and reads its header and index. False (with a message) when
    // the file is no playable recording.
    bool Open(const QString& path, QString* error = nullptr);
    void Close();

    const QString& path() const { return path_; }
    std::int64_t frameCount() const { return static_cast<std::int64_t>(video_.size()); }
    float frameDurationMs() const { return frameDurationMs_; }
    std::uint32_t rate() const { return rate_; }
    std::uint32_t scale() const { return scale_; }
    QSize nativeSize() const { return nativeSize_; }
    const AudioFormat& audioFormat() const { return audio_format_; }
    const std::vector<ChunkRef>& video() const { return video_; }
    const std::vector<ChunkRef>& audio() const { return audio_; }

    // The last key frame at or before frame (0 when there is none).
    std::int64_t KeyFrameAtOrBefore(std::int64_t frame) const;
    // The first key frame at or after frame (-1 when there is none).
    std::int64_t KeyFrameAtOrAfter(std::int64_t frame) const;
    // The longest distance between two key frames (the frame count without any).
    std::int64_t LongestKeyInterval() const;

    // The payload of a chunk; false when it can no longer be read (the file
    // was cut or replaced while open).
    bool Read(const ChunkRef& chunk, QByteArray& out);

private:
    MappedFile file_;
    QString path_;
    std::vector<ChunkRef> video_;
    std::vector<ChunkRef> audio_;
    std::vector<std::int64_t> keyFrames_;
    float frameDurationMs_ = 0.0f;
    std::uint32_t rate_ = 0;
    std::uint32_t scale_ = 0;
    QSize nativeSize_;
    AudioFormat audio_format_;
};

} // namespace kv::engine
