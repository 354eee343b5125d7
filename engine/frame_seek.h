#pragma once

#include "recording_source.h"
#include "video_decoder.h"

namespace kv::engine {

// Decodes exactly frame n: from the key frame at or before n forward, the
// pictures before n discarded. False when n is outside the recording or its
// picture cannot be decoded. The decoder is flushed first; afterwards it may
// hold pictures after n, which follow in order (continued is the next frame
// number to send).
bool DecodeExactFrame(RecordingSource& source, VideoDecoder& decoder, std::int64_t n,
                      DecodedPicture& out, std::int64_t* continued = nullptr);

} // namespace kv::engine
