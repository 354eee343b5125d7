#pragma once

#include <cstdint>

// The telemetry block the recorder appends after the AVI index of a front
// camera file: "CSMDAT", a 32-byte header, a 16-bit big-endian record count,
// fixed-width 130-byte text records and a 28-byte "CSMEND" trailer.
namespace kv::telemetry {

constexpr std::uint32_t kTagLength = 6;
constexpr std::uint32_t kHeadLength = 40;    // tag, header, count
constexpr std::uint32_t kHeaderLength = 32;  // after the tag
constexpr std::uint32_t kCountOffset = 32;   // after the tag
constexpr std::uint32_t kRecordsOffset = 34; // after the tag
constexpr std::uint32_t kRecordLength = 130;
constexpr std::uint32_t kTrailerLength = 28;
constexpr std::uint32_t kTrailerCountOffset = 16;
constexpr std::uint32_t kFramingLength = kHeadLength + kTrailerLength; // 68

// A recording written at full length carries exactly this block.
constexpr std::uint32_t kFullBlockRecords = 4600;
constexpr std::uint32_t kFullBlockLength = kFramingLength + kRecordLength * kFullBlockRecords;
static_assert(kFullBlockLength == 598068);

// Record count meaning "records continue until one that begins with CSMEND".
constexpr std::uint16_t kOpenEndedCount = 0xFFFF;

// A block's count field is 16 bits wide, so no block holds more records than this.
constexpr std::uint32_t kMaxRecords = 0xFFFF;

inline constexpr char kBlockTag[] = "CSMDAT";
inline constexpr char kEndTag[] = "CSMEND";

} // namespace kv::telemetry
