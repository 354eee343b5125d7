// The chunk scan of a repair: finds the chunk tags in the source and keeps
// the chunks that follow each other without gap or overlap.

#include "repair.h"

#include "byte_order.h"

#include <algorithm>
#include <cstring>

namespace kv {

namespace {

// Calls visit(offset, tag, bytes at the tag, bytes of the window from there)
// for every tag that begins in [start, limit), in file order, through the
// scan's windows; visit returns false to stop the walk.
template <typename Visit>
OperationResult WalkChunkTags(MappedFile& file, std::uint64_t start, std::uint64_t limit,
                              const ScanWindows& windows, const OperationControl* control,
                              Visit&& visit) {
    if (!windows.Valid()) {
        return kOperationFailed;
    }
    const std::uint64_t size = file.size;
    limit = std::min<std::uint64_t>(limit, size);
    // The search goes on 4 bytes after each tag, which may lie in the next window.
    std::uint64_t resume = start;
    for (std::uint64_t w = start; w < limit;) {
        if (control && control->Cancelled()) {
            return kOperationCancelled;
        }
        const std::uint64_t length = std::min({windows.length, size - w, limit - w + 3});
        if (length < 4) {
            break; // no whole tag left
        }
        MappedView view = MapWindow(file, w, length);
        if (!view || view.length() != length) {
            return kOperationFailed;
        }
        const unsigned char* base = view.data();
        // Positions in the window's first `step` bytes whose four bytes lie in the window.
        const std::uint64_t positions = std::min({windows.step, length - 3, limit - w});
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
        if (size - w <= windows.step || limit - w <= windows.step) {
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
        file, start, file.size, windows, nullptr,
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
    if (!windows.Valid()) {
        return kOperationFailed;
    }
    if (control && control->Cancelled()) {
        return kOperationCancelled;
    }
    const std::uint64_t moviTag = avi::MoviTagOffset(timeLapse);
    const std::uint64_t size = source.size;
    if (moviTag >= size) {
        return kOperationDone;
    }
    const std::uint64_t total = size - moviTag;
    // Progress in steps of the search windows, the running flag tested at each.
    std::uint64_t reported = 0;
    const auto advance = [&](std::uint64_t at) {
        while (at - moviTag >= reported + windows.step && reported + windows.step < total) {
            if (control && control->Cancelled()) {
                return false;
            }
            reported += windows.step;
            if (control) {
                control->Progress(static_cast<std::int64_t>(reported),
                                  static_cast<std::int64_t>(total));
            }
        }
        return true;
    };
    const auto finish = [&](OperationResult result) {
        if (result == kOperationDone && control) {
            control->Progress(static_cast<std::int64_t>(total), static_cast<std::int64_t>(total));
        }
        return result;
    };

    // The searches can be cancelled between their windows; their progress is the walk's.
    OperationControl searchControl;
    searchControl.running = control ? control->running : nullptr;

    // The first tag from start (the first that begins in [start, size)), or size.
    const auto nextTag = [&](std::uint64_t start, std::uint64_t& tagAt) {
        tagAt = size;
        return WalkChunkTags(
            source, start, size, windows, &searchControl,
            [&tagAt](std::uint64_t offset, std::uint32_t, const unsigned char*, std::uint64_t) {
                tagAt = offset;
                return false;
            });
    };

    // The first chunk is the first tag from the "movi" tag on: in the files the
    // recorder writes, the one right after it (no tag begins inside "movi").
    std::uint64_t at = size;
    unsigned char first[8];
    if (moviTag + 8 <= size && ReadMapped(source, moviTag, first, 8) &&
        std::memchr(first, '0', 4) == nullptr &&
        (ReadLe32(first + 4) == avi::kVideoFourCc || ReadLe32(first + 4) == avi::kAudioFourCc)) {
        at = moviTag + 4;
    } else if (const OperationResult r = nextTag(moviTag, at); r != kOperationDone) {
        return r;
    }

    // From there chunk to chunk by the size fields, never looking inside a
    // payload: compressed pictures and sound hold the tag bytes by chance.
    // The walk ends at the first chunk that does not fit before the end of
    // the file (also when it would end exactly at the end), or at a chunk that
    // cannot be indexed once one was.
    std::uint64_t last = size; // the offset of the chunk walked last
    for (;;) {
        while (at < size) {
            if (!advance(at)) {
                return kOperationCancelled;
            }
            // Tag, size field and the first five payload bytes, as far as the file holds them.
            constexpr std::uint32_t kHead = 8 + 5;
            unsigned char head[kHead];
            const auto got = static_cast<std::uint32_t>(std::min<std::uint64_t>(kHead, size - at));
            if (!ReadMapped(source, at, head, got)) {
                return kOperationFailed; // the file shrank or cannot be read
            }
            const std::uint32_t tag = got >= 4 ? ReadLe32(head) : 0;
            if (tag != avi::kVideoFourCc && tag != avi::kAudioFourCc) {
                break; // the chain breaks here
            }
            if (got < 8) {
                return finish(kOperationDone); // not even the size field fits
            }
            const std::uint32_t payload = ReadLe32(head + 4);
            const std::uint64_t end = at + 8 + payload + (payload & 1);
            if (end >= size) {
                return finish(kOperationDone);
            }
            const auto rel = static_cast<std::uint32_t>(at - moviTag);
            bool indexed = false;
            if (payload > 16) {
                if (tag == avi::kAudioFourCc) {
                    entries.push_back({tag, avi::kKeyFrameFlag, rel, payload});
                    indexed = true;
                } else if (head[8] == 0 && head[9] == 0 && head[10] == 0 && head[11] == 1) {
                    // The first NAL unit's type decides, as the recorder's players do:
                    // IDR slices and sequence parameter sets (among others) mark key frames.
                    const int kind = (head[12] & 0x0F) % 5;
                    entries.push_back(
                        {tag, kind == 0 || kind == 2 ? avi::kKeyFrameFlag : 0u, rel, payload});
                    indexed = true;
                }
            }
            if (!indexed && !entries.empty()) {
                // What follows would not join the last entry without a gap.
                return finish(kOperationDone);
            }
            last = at;
            at = end;
        }
        if (last == size) {
            return finish(kOperationDone); // no tag at all
        }
        if (!entries.empty()) {
            break;
        }
        // Nothing indexed yet: the next tag after the chunk walked last starts
        // the walk again, wherever it lies.
        if (const OperationResult r = nextTag(last + 4, at); r != kOperationDone) {
            return r;
        }
        last = size;
    }

    // Where the chain breaks, the last chunk's size is checked by a search of
    // its payload: a tag inside it means that size ran over the chunks after
    // it, so it is no chunk of ours. (A tag further on lies after a gap.)
    const avi::IndexEntry& previous = entries.back();
    const std::uint64_t previousAt = moviTag + previous.offset;
    const std::uint64_t previousEnd = previousAt + 8 + previous.size + (previous.size & 1);
    bool inside = false;
    const OperationResult searched =
        WalkChunkTags(source, previousAt + 4, previousEnd, windows, &searchControl,
                      [&inside](std::uint64_t, std::uint32_t, const unsigned char*, std::uint64_t) {
                          inside = true;
                          return false;
                      });
    if (searched != kOperationDone) {
        return searched;
    }
    if (inside) {
        entries.pop_back();
    }
    return finish(kOperationDone);
}

} // namespace kv
