#include "frame_seek.h"

namespace kv::engine {

bool DecodeExactFrame(RecordingSource& source, VideoDecoder& decoder, std::int64_t n,
                      DecodedPicture& out, std::int64_t* continued) {
    if (n < 0 || n >= source.frameCount()) {
        return false;
    }
    decoder.Flush();
    QByteArray chunk;
    std::int64_t next = source.KeyFrameAtOrBefore(n);
    const std::int64_t count = source.frameCount();
    bool found = false;
    while (!found) {
        if (next < count) {
            const ChunkRef& ref = source.video()[static_cast<std::size_t>(next)];
            if (!source.Read(ref, chunk) || !decoder.Send(chunk, next, ref.key)) {
                return false;
            }
            ++next;
        } else {
            decoder.SendEnd();
        }
        DecodedPicture picture;
        bool any = false;
        while (decoder.Receive(picture)) {
            any = true;
            if (picture.number == n) {
                out = std::move(picture);
                found = true;
                break;
            }
            if (picture.number > n) {
                return false; // frame n could not be decoded
            }
        }
        if (next >= count && !any && !found) {
            return false; // drained without frame n
        }
    }
    if (continued) {
        *continued = next;
    }
    return true;
}

} // namespace kv::engine
