#include "avi_clip.h"

#include "byte_order.h"
#include "mapped_file.h"
#include "recording_name.h"
#include "telemetry_layout.h"

#include <cstring>

namespace kv {

std::uint32_t AviClip::moviSize() const {
    return ReadLe32(moviHead.data() + 4);
}
std::uint32_t AviClip::indexSize() const {
    return ReadLe32(indexHead.data() + 4);
}

namespace {

bool LoadIndex(MappedFile& file, std::uint64_t at, AviClip& clip) {
    if (!ReadMapped(file, at, clip.indexHead.data(), 8)) {
        return false;
    }
    if (!HasTag(clip.indexHead.data(), "idx1", 4)) {
        clip.indexHead.fill(0);
        return true; // no index: the clip has no entries
    }
    const std::uint64_t bytes = ReadLe32(clip.indexHead.data() + 4);
    if (at + 8 + bytes > file.size) {
        return false; // the index would run past the end of the file
    }
    const std::uint64_t count = bytes / avi::kIndexEntryLength;
    if (count == 0) {
        return true;
    }
    MappedView view = MapWindow(file, at + 8, count * avi::kIndexEntryLength);
    if (!view) {
        return false;
    }
    clip.index.resize(count);
    const unsigned char* p = view.data();
    for (auto& entry : clip.index) {
        entry = {ReadLe32(p), ReadLe32(p + 4), ReadLe32(p + 8), ReadLe32(p + 12)};
        p += avi::kIndexEntryLength;
    }
    return true;
}

bool LoadTelemetry(MappedFile& file, std::uint64_t endOfIndex, AviClip& clip) {
    using namespace telemetry;
    const std::uint64_t size = file.size;
    if (size < endOfIndex + kFramingLength ||
        !ReadMapped(file, size - kTrailerLength, clip.trailer.data(), kTrailerLength) ||
        !HasTag(clip.trailer.data(), kEndTag, kTagLength)) {
        return false;
    }
    const std::uint64_t slotCount = ReadBe32(clip.trailer.data() + kTrailerCountOffset);
    const std::uint64_t blockLength = std::uint64_t{kRecordLength} * slotCount + kFramingLength;
    if (blockLength > size - endOfIndex) {
        return false; // the block would overlap the index
    }
    const std::uint64_t blockStart = size - blockLength;
    if (!ReadMapped(file, blockStart, clip.blockHead.data(), kHeadLength) ||
        !HasTag(clip.blockHead.data(), kBlockTag, kTagLength)) {
        return false;
    }
    std::uint64_t count = ReadBe16(clip.blockHead.data() + kTagLength + kCountOffset);
    const bool openEnded = count == kOpenEndedCount;
    if (openEnded) {
        count = slotCount;
    } else if (count > slotCount) {
        return false; // more records than the block has room for
    }
    if (count > 0) {
        MappedView view = MapWindow(file, blockStart + kHeadLength, count * kRecordLength);
        if (!view || view.length() < count * kRecordLength) {
            return false;
        }
        if (openEnded) {
            std::uint64_t real = 0;
            while (real < count &&
                   !HasTag(view.data() + real * kRecordLength, kEndTag, kTagLength)) {
                ++real;
            }
            count = std::min<std::uint64_t>(real, kMaxRecords - 1);
        }
        clip.records = QByteArray(reinterpret_cast<const char*>(view.data()),
                                  static_cast<qsizetype>(count * kRecordLength));
    }
    clip.recordCount = static_cast<std::uint16_t>(count);
    clip.trailerCount = openEnded ? static_cast<std::uint32_t>(count)
                                  : ReadBe32(clip.trailer.data() + kTrailerCountOffset);
    clip.hasTelemetry = true;
    return true;
}

} // namespace

std::unique_ptr<AviClip> LoadClip(const QString& path, ClipContents contents) {
    auto clip = std::make_unique<AviClip>();
    MappedFile file;
    if (!OpenMapped(path, file)) {
        return nullptr;
    }
    clip->fileSize = file.size;
    clip->parkingGroup = IsParkingGroup(path);
    clip->timeLapse = IsTimeLapse(path);
    const std::uint32_t header = avi::HeaderLength(clip->timeLapse);

    clip->header.resize(header);
    if (!ReadMapped(file, 0, clip->header.data(), header) ||
        !ReadMapped(file, header, clip->moviHead.data(), 12)) {
        return nullptr;
    }
    const std::uint64_t movi = clip->moviSize();
    if (movi < 4 || header + 8 + movi > file.size) {
        return nullptr;
    }
    clip->segments.push_back({path, avi::PayloadStart(clip->timeLapse), movi - 4});

    const std::uint64_t indexAt = header + 8 + movi;
    if (!LoadIndex(file, indexAt, *clip)) {
        return nullptr;
    }
    if (contents == ClipContents::WithTelemetry && IsFrontName(path)) {
        const std::uint64_t endOfIndex = indexAt + 8 + clip->indexSize();
        if (!LoadTelemetry(file, endOfIndex, *clip)) {
            return nullptr;
        }
    }
    return clip;
}

void FreeClip(std::unique_ptr<AviClip>& clip) {
    clip.reset();
}

} // namespace kv
