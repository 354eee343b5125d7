// The new index of a repair and the header patched to match it.

#include "repair.h"

#include "byte_order.h"

#include <cstring>

namespace kv {

namespace {

constexpr std::uint32_t kAudioRateWhenZero = 16000;
constexpr std::uint32_t kAudioBytesPerSecondWhenZero = 4000;

// After the index the copy holds "CCCCCCCC" and an empty telemetry block
// (40-byte head, 28-byte trailer).
constexpr std::uint64_t kCopyTail = 8 + 68;

} // namespace

bool BuildIndex(RepairContext& context) {
    const std::uint32_t payloadStart = avi::PayloadStart(context.timeLapse);
    const std::uint64_t count = context.entries.size();
    if (count == 0 || context.header.size() != static_cast<qsizetype>(payloadStart)) {
        return false;
    }
    const avi::IndexEntry& last = context.entries.back();
    const std::uint64_t movi = std::uint64_t{last.offset} + 8 + last.size + (last.size & 1);
    const std::uint64_t indexBytes = avi::kIndexEntryLength * count;
    // The copy must stay readable as a recording: below 4 GiB, so that every
    // size field (RIFF size included) holds its value.
    const std::uint64_t copySize = payloadStart + (movi - 4) + 8 + indexBytes + kCopyTail;
    if (copySize > 0xFFFFFFFFu) {
        return false;
    }

    context.index.resize(static_cast<qsizetype>(8 + indexBytes));
    auto* index = reinterpret_cast<unsigned char*>(context.index.data());
    std::memcpy(index, "idx1", 4);
    WriteLe32(index + 4, static_cast<std::uint32_t>(indexBytes));
    std::uint32_t video = 0;
    std::uint32_t audio = 0;
    unsigned char* entry = index + 8;
    for (const avi::IndexEntry& e : context.entries) {
        WriteLe32(entry, e.tag);
        WriteLe32(entry + 4, e.flags);
        WriteLe32(entry + 8, e.offset);
        WriteLe32(entry + 12, e.size);
        entry += avi::kIndexEntryLength;
        video += e.tag == avi::kVideoFourCc ? 1 : 0;
        audio += e.tag == avi::kAudioFourCc ? 1 : 0;
    }

    auto* header = reinterpret_cast<unsigned char*>(context.header.data());
    WriteLe32(header + payloadStart - 8, static_cast<std::uint32_t>(movi)); // 4 bytes before "movi"
    WriteLe32(header + avi::kRiffSize,
              static_cast<std::uint32_t>(payloadStart - 12 + movi + indexBytes + 8));
    WriteLe32(header + avi::kTotalFrames, video);
    WriteLe32(header + avi::kVideoLength, video);
    if (!context.timeLapse) {
        WriteLe32(header + avi::kAudioLength, audio);
        if (ReadLe32(header + avi::kAudioRate) == 0) {
            WriteLe32(header + avi::kAudioRate, kAudioRateWhenZero);
        }
        if (ReadLe32(header + avi::kAudioAverageBytes) == 0) {
            WriteLe32(header + avi::kAudioAverageBytes, kAudioBytesPerSecondWhenZero);
        }
    }
    context.moviSize = static_cast<std::uint32_t>(movi);
    context.videoChunks = video;
    context.audioChunks = audio;
    return true;
}

} // namespace kv
