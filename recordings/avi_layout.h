#pragma once

#include <cstdint>

// The recorder writes every AVI in one fixed layout: a header of fixed length,
// one "movi" list, an "idx1" index, and (front camera) the telemetry block.
// Fields are read at fixed offsets, never by walking the RIFF tree.
namespace kv::avi {

constexpr std::uint32_t kNormalHeaderLength = 384;    // one video and one audio stream
constexpr std::uint32_t kTimeLapseHeaderLength = 280; // video only: no audio stream list

// Offsets into the header (both layouts; the audio fields exist only in the normal one).
constexpr std::uint32_t kRiffSize = 4;
constexpr std::uint32_t kTotalFrames = 48;
constexpr std::uint32_t kVideoScale = 128;
constexpr std::uint32_t kVideoRate = 132;
constexpr std::uint32_t kVideoLength = 140;
constexpr std::uint32_t kVideoFormatSize = 168;
constexpr std::uint32_t kVideoWidth = 176;
constexpr std::uint32_t kVideoHeight = 180;
constexpr std::uint32_t kAudioRate = 256;
constexpr std::uint32_t kAudioLength = 264;
constexpr std::uint32_t kAudioAverageBytes = 304;

// The timing read covers the main header and the video stream header.
constexpr std::uint32_t kTimingReadLength = 344;

constexpr std::uint32_t HeaderLength(bool timeLapse) {
    return timeLapse ? kTimeLapseHeaderLength : kNormalHeaderLength;
}
// Offset of the "movi" tag; index offsets are relative to it.
constexpr std::uint32_t MoviTagOffset(bool timeLapse) {
    return HeaderLength(timeLapse) + 8;
}
// First chunk; also the length of the header copy a repair starts from.
constexpr std::uint32_t PayloadStart(bool timeLapse) {
    return HeaderLength(timeLapse) + 12;
}

constexpr std::uint32_t kIndexEntryLength = 16;
constexpr std::uint32_t kKeyFrameFlag = 0x10;

// Chunk tags as they appear in the file.
inline constexpr char kVideoTag[] = "00dc";
inline constexpr char kAudioTag[] = "01wb";

// One entry of "idx1", fields in host order.
struct IndexEntry {
    std::uint32_t tag = 0; // the four tag bytes, little-endian ("00dc" = 0x63643030)
    std::uint32_t flags = 0;
    std::uint32_t offset = 0; // of the chunk's tag, relative to the "movi" tag
    std::uint32_t size = 0;   // payload bytes
};

constexpr std::uint32_t FourCc(const char (&t)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(t[0])) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(t[1])) << 8) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(t[2])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(t[3])) << 24);
}

constexpr std::uint32_t kVideoFourCc = FourCc(kVideoTag);
constexpr std::uint32_t kAudioFourCc = FourCc(kAudioTag);

} // namespace kv::avi
