#include "recording_source.h"

#include "avi_clip.h"
#include "avi_layout.h"
#include "byte_order.h"

#include <algorithm>

namespace kv::engine {

namespace {

// The WAVEFORMATEX of the audio stream, right after its "strf" head (normal layout).
constexpr std::uint32_t kAudioFormatOffset = 296;

} // namespace

bool RecordingSource::Open(const QString& path, QString* error) {
    Close();
    const auto fail = [&](const char* why) {
        if (error) {
            *error = QString::fromUtf8(why);
        }
        Close();
        return false;
    };
    const auto clip = LoadClip(path, ClipContents::MediaOnly);
    if (!clip) {
        return fail("the file is no readable recording");
    }
    if (!OpenMapped(path, file_)) {
        return fail("the file cannot be opened");
    }
    const auto* h = reinterpret_cast<const unsigned char*>(clip->header.constData());
    scale_ = ReadLe32(h + avi::kVideoScale);
    rate_ = ReadLe32(h + avi::kVideoRate);
    if (rate_ == 0 || scale_ == 0) {
        return fail("the frame rate is missing");
    }
    frameDurationMs_ = static_cast<float>(static_cast<double>(scale_) * 1000.0 / rate_);
    nativeSize_ = QSize(static_cast<std::int32_t>(ReadLe32(h + avi::kVideoWidth)),
                        static_cast<std::int32_t>(ReadLe32(h + avi::kVideoHeight)));
    if (nativeSize_.width() <= 0 || nativeSize_.height() <= 0 || nativeSize_.width() > 8192 ||
        nativeSize_.height() > 8192) {
        return fail("the picture size is not usable");
    }
    if (!clip->timeLapse &&
        clip->header.size() >= static_cast<qsizetype>(kAudioFormatOffset + 16)) {
        const unsigned char* f = h + kAudioFormatOffset;
        audio_format_ = {ReadLe16(f), ReadLe16(f + 2), ReadLe32(f + 4), ReadLe16(f + 12),
                         ReadLe16(f + 14)};
    }

    // Index offsets are relative to the "movi" tag; the payload follows the 8-byte chunk head.
    const std::uint64_t movi = avi::MoviTagOffset(clip->timeLapse);
    for (const avi::IndexEntry& e : clip->index) {
        const std::uint64_t payload = movi + e.offset + 8;
        if (payload + e.size > file_.size) {
            continue; // a chunk the file does not hold
        }
        const ChunkRef ref{payload, e.size, (e.flags & avi::kKeyFrameFlag) != 0};
        if (e.tag == avi::kVideoFourCc) {
            if (ref.key) {
                keyFrames_.push_back(static_cast<std::int64_t>(video_.size()));
            }
            video_.push_back(ref);
        } else if (e.tag == avi::kAudioFourCc) {
            audio_.push_back(ref);
        }
    }
    if (video_.empty()) {
        return fail("the recording holds no video");
    }
    path_ = path;
    return true;
}

void RecordingSource::Close() {
    CloseMapped(file_);
    path_.clear();
    video_.clear();
    audio_.clear();
    keyFrames_.clear();
    frameDurationMs_ = 0.0f;
    rate_ = scale_ = 0;
    nativeSize_ = {};
    audio_format_ = {};
}

std::int64_t RecordingSource::KeyFrameAtOrBefore(std::int64_t frame) const {
    const auto it = std::upper_bound(keyFrames_.begin(), keyFrames_.end(), frame);
    return it == keyFrames_.begin() ? 0 : *(it - 1);
}

std::int64_t RecordingSource::KeyFrameAtOrAfter(std::int64_t frame) const {
    const auto it = std::lower_bound(keyFrames_.begin(), keyFrames_.end(), frame);
    return it == keyFrames_.end() ? -1 : *it;
}

std::int64_t RecordingSource::LongestKeyInterval() const {
    std::int64_t longest = keyFrames_.empty() ? frameCount() : 1;
    for (std::size_t i = 1; i < keyFrames_.size(); ++i) {
        longest = std::max(longest, keyFrames_[i] - keyFrames_[i - 1]);
    }
    if (!keyFrames_.empty()) {
        longest = std::max(longest, frameCount() - keyFrames_.back());
    }
    return longest;
}

bool RecordingSource::Read(const ChunkRef& chunk, QByteArray& out) {
    out.resize(static_cast<qsizetype>(chunk.size));
    return chunk.size == 0 || ReadMapped(file_, chunk.offset, out.data(), chunk.size);
}

} // namespace kv::engine
