// The chunk scan of a repair: finds the chunk tags in the source and keeps
// the chunks that follow each other without gap or overlap.

#include "repair.h"

#include "byte_order.h"

#include <algorithm>
#include <cstring>

namespace kv {

namespace {

// The bytes at a tag: from the window when they are in it, else read from the
// file (a tag near the end of a window, or of a small test window). Null when
// they are not all in the file.
const unsigned char* Peek(MappedFile& file, std::uint64_t offset, const unsigned char* at,
                          std::uint64_t available, std::uint32_t length, unsigned char* buffer) {
    if (available >= length) {
        return at;
    }
    return ReadMapped(file, offset, buffer, length) ? buffer : nullptr;
}

// Calls visit(offset, tag, bytes at the tag, bytes of the window from there)
// for every tag from start in file order, through the scan's windows; visit
// returns false to stop the walk.
template <typename Visit>
OperationResult WalkChunkTags(MappedFile& file, std::uint64_t start, const ScanWindows& windows,
                              const OperationControl* control, Visit&& visit) {
    if (!windows.Valid()) {
        return kOperationFailed;
    }
    const std::uint64_t size = file.size;
    // The search goes on 4 bytes after each tag, which may lie in the next window.
    std::uint64_t resume = start;
    for (std::uint64_t w = start; w < size;) {
        if (control && control->Cancelled()) {
            return kOperationCancelled;
        }
        const std::uint64_t length = std::min(windows.length, size - w);
        if (length < 4) {
            break; // no whole tag left
        }
        MappedView view = MapWindow(file, w, length);
        if (!view || view.length() != length) {
            return kOperationFailed;
        }
        const unsigned char* base = view.data();
        // Positions in the window's first `step` bytes whose four bytes lie in the window.
        const std::uint64_t positions = std::min(windows.step, length - 3);
        const unsigned char* last = base + positions;
        std::uint64_t from = resume > w ? std::min(resume - w, positions) : 0;
        for (;;) {
            const unsigned char* hit = FindChunkTag(base + from, last);
            if (hit == last) {
                break;
            }
            const std::uint64_t at = static_cast<std::uint64_t>(hit - base);
            if (!visit(w + at, ReadLe32(hit), hit, length - at)) {
                return kOperationDone;
            }
            resume = w + at + 4;
            from = std::min(at + 4, positions);
        }
        if (control) {
            control->Progress(
                static_cast<std::int64_t>(std::min(size - w, windows.step) + w - start),
                static_cast<std::int64_t>(size - start));
        }
        if (size - w <= windows.step) {
            break;
        }
        w += windows.step;
    }
    return kOperationDone;
}

} // namespace

const unsigned char* FindChunkTag(const unsigned char* first, const unsigned char* last) {
    // Both tags begin with '0'; in compressed video and audio that byte is rare
    // enough that memchr skips most of the data at memory speed.
    while (first < last) {
        const auto* p = static_cast<const unsigned char*>(
            std::memchr(first, '0', static_cast<std::size_t>(last - first)));
        if (!p) {
            return last;
        }
        const std::uint32_t word = ReadLe32(p);
        if (word == avi::kVideoFourCc || word == avi::kAudioFourCc) {
            return p;
        }
        first = p + 1;
    }
    return last;
}

std::vector<std::uint64_t> FindChunkTags(const QString& path, std::uint64_t start,
                                         const ScanWindows& windows) {
    std::vector<std::uint64_t> offsets;
    MappedFile file;
    if (!OpenMapped(path, file)) {
        return offsets;
    }
    const OperationResult result = WalkChunkTags(
        file, start, windows, nullptr,
        [&offsets](std::uint64_t offset, std::uint32_t, const unsigned char*, std::uint64_t) {
            offsets.push_back(offset);
            return true;
        });
    if (result != kOperationDone) {
        offsets.clear();
    }
    return offsets;
}

OperationResult ScanChunks(MappedFile& source, bool timeLapse,
                           std::vector<avi::IndexEntry>& entries, const OperationControl* control,
                           const ScanWindows& windows) {
    entries.clear();
    const std::uint64_t moviTag = avi::MoviTagOffset(timeLapse);
    const std::uint64_t size = source.size;
    // A chunk indexed needs its tag, its size and more than 16 payload bytes in
    // the file, so the entries never outnumber what the file can hold.
    const auto visit = [&](std::uint64_t offset, std::uint32_t tag, const unsigned char* at,
                           std::uint64_t available) {
        // Tag, size field and the first five payload bytes.
        constexpr std::uint32_t kHead = 8 + 5;
        unsigned char buffer[kHead];
        if (offset + 8 >= size) {
            return false; // not even the size field fits before the end
        }
        const unsigned char* head = Peek(source, offset, at, available, 8, buffer);
        if (!head) {
            return false;
        }
        const std::uint32_t payload = ReadLe32(head + 4);
        const std::uint64_t end = offset + 8 + payload + (payload & 1);
        if (end >= size) {
            return false; // the chunk does not fit, also when it would end exactly at the end
        }
        const auto rel = static_cast<std::uint32_t>(offset - moviTag);
        if (!entries.empty()) {
            const avi::IndexEntry& previous = entries.back();
            const std::uint64_t previousEnd =
                std::uint64_t{previous.offset} + 8 + previous.size + (previous.size & 1);
            if (previousEnd > rel) {
                entries.pop_back(); // the tag lies inside the previous chunk: it is not one
                return false;
            }
            if (previousEnd < rel) {
                return false; // a gap: what lies between is no chunk of ours
            }
        }
        if (payload <= 16) {
            return true;
        }
        if (tag == avi::kAudioFourCc) {
            entries.push_back({tag, avi::kKeyFrameFlag, rel, payload});
            return true;
        }
        // end < size and payload > 16: the first payload bytes are in the file.
        head = Peek(source, offset, at, available, kHead, buffer);
        if (!head) {
            return false;
        }
        const unsigned char* data = head + 8;
        if (data[0] == 0 && data[1] == 0 && data[2] == 0 && data[3] == 1) {
            // The first NAL unit's type decides, as the recorder's players do:
            // IDR slices and sequence parameter sets (among others) mark key frames.
            const int kind = (data[4] & 0x0F) % 5;
            entries.push_back(
                {tag, kind == 0 || kind == 2 ? avi::kKeyFrameFlag : 0u, rel, payload});
        }
        return true;
    };
    return WalkChunkTags(source, moviTag, windows, control, visit);
}

} // namespace kv
