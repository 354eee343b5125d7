// The chunk search and scan of the repair, and the index it builds.

#include "avi_bytes.h"
#include "byte_order.h"
#include "repair.h"

#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <cstring>
#include <functional>
#include <random>

#include <gtest/gtest.h>

namespace kv {
namespace {

using test::Chunk;

const char* const kFront = "A___-261205-093000-000101F.AVI";
const char* const kTimeLapseFront = "T___-261205-093000-000101F.AVI";

bool IsTagAt(const unsigned char* p) {
    return std::memcmp(p, "00dc", 4) == 0 || std::memcmp(p, "01wb", 4) == 0;
}

// Bytes rich in near-misses ("00d", "01w", "0dc", ...) with whole tags mixed in.
std::vector<unsigned char> TagSoup(std::mt19937& rng, std::size_t size) {
    static const char alphabet[] = "001dcwb0";
    std::vector<unsigned char> bytes(size);
    for (auto& b : bytes) {
        const unsigned r = rng() % 16;
        b = r < 8 ? static_cast<unsigned char>(alphabet[r]) : static_cast<unsigned char>(rng());
    }
    for (std::size_t n = size / 40; n > 0 && size >= 4; --n) {
        std::memcpy(bytes.data() + rng() % (size - 3), rng() % 2 ? "00dc" : "01wb", 4);
    }
    return bytes;
}

TEST(FindChunkTag, FindsWhatAComparisonAtEveryPositionFinds) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const std::size_t positions = rng() % 600;
        // Three readable bytes after the last position, where a tag may end.
        const std::vector<unsigned char> bytes = TagSoup(rng, positions + 3);
        const unsigned char* first = bytes.data();
        const unsigned char* last = first + positions;
        std::vector<std::size_t> expected;
        for (std::size_t p = 0; p < positions; ++p) {
            if (IsTagAt(first + p)) {
                expected.push_back(p);
            }
        }
        std::vector<std::size_t> found;
        for (const unsigned char* p = FindChunkTag(first, last); p != last;
             p = FindChunkTag(p + 1, last)) {
            found.push_back(static_cast<std::size_t>(p - first));
        }
        ASSERT_EQ(found, expected) << "round " << round;
    }
    const unsigned char straddling[] = "xx00dc";
    EXPECT_EQ(FindChunkTag(straddling, straddling + 3), straddling + 2); // ends after last
    EXPECT_EQ(FindChunkTag(straddling, straddling + 2), straddling + 2); // begins at last
}

std::vector<std::uint64_t> EveryTag(const QByteArray& bytes, std::uint64_t start) {
    std::vector<std::uint64_t> offsets;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (std::uint64_t p = start; p + 4 <= static_cast<std::uint64_t>(bytes.size()); ++p) {
        if (IsTagAt(data + p)) {
            offsets.push_back(p);
        }
    }
    return offsets;
}

TEST(FindChunkTags, WindowsSearchEveryPositionOnce) {
    QTemporaryDir dir;
    std::mt19937 rng(11);
    // Small windows put many tags across window and step boundaries.
    const std::vector<ScanWindows> windows = {{64, 32}, {35, 32}, {7, 4}, {4, 1}, {100, 97}};
    for (int round = 0; round < 60; ++round) {
        const std::vector<unsigned char> soup = TagSoup(rng, 1 + rng() % 3000);
        const QByteArray bytes(reinterpret_cast<const char*>(soup.data()),
                               static_cast<qsizetype>(soup.size()));
        const QString path = test::WriteFile(dir.path(), "soup.bin", bytes);
        const std::uint64_t start = rng() % 50;
        for (const ScanWindows& w : windows) {
            ASSERT_EQ(FindChunkTags(path, start, w), EveryTag(bytes, start))
                << "round " << round << ", windows " << w.length << "/" << w.step;
        }
    }
}

TEST(FindChunkTags, RecorderWindowsAcrossTheirBoundaries) {
    // A sparse file of three windows with tags on and around the 16 MB lines.
    constexpr std::uint64_t kMB = 1 << 20;
    constexpr std::uint64_t kStart = 392;
    const std::uint64_t size = kStart + 48 * kMB + 10;
    QTemporaryDir dir;
    const QString path = dir.path() + "/sparse.bin";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(static_cast<qint64>(size)));
    const std::vector<std::uint64_t> placed = {kStart + 4,
                                               kStart + 16 * kMB - 6,
                                               kStart + 16 * kMB - 2,
                                               kStart + 16 * kMB + 2,
                                               kStart + 32 * kMB - 5,
                                               kStart + 32 * kMB - 1,
                                               kStart + 32 * kMB + 3,
                                               kStart + 48 * kMB - 2,
                                               size - 4};
    for (std::size_t i = 0; i < placed.size(); ++i) {
        ASSERT_TRUE(file.seek(static_cast<qint64>(placed[i])));
        file.write(i % 2 ? "01wb" : "00dc", 4);
    }
    file.seek(static_cast<qint64>(kStart));
    file.write("movi", 4);
    file.close();
    ASSERT_EQ(FindChunkTags(path, kStart), placed);

    // A tag cut by the end of the file is no tag.
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(static_cast<qint64>(size - 1)));
    file.close();
    ASSERT_EQ(FindChunkTags(path, kStart),
              std::vector<std::uint64_t>(placed.begin(), placed.end() - 1));
}

TEST(FindChunkTags, RefusesWindowsThatWouldSkipPositions) {
    QTemporaryDir dir;
    const QString path = test::WriteFile(dir.path(), "tags.bin", QByteArray(100, 'x') + "00dc");
    EXPECT_EQ(FindChunkTags(path, 0, {64, 32}).size(), 1u);
    for (const ScanWindows& w : std::vector<ScanWindows>{{64, 0}, {64, 62}, {3, 1}}) {
        EXPECT_FALSE(w.Valid());
        EXPECT_TRUE(FindChunkTags(path, 0, w).empty()) << w.length << "/" << w.step;
    }
    EXPECT_TRUE(FindChunkTags(dir.path() + "/missing.bin", 0).empty());
}

// ---------------------------------------------------------------------------

// A recording the recorder never closed: RIFF size, movi size, counts 0, no index.
QByteArray PowerLoss(const std::vector<Chunk>& chunks, bool timeLapse = false) {
    test::AviSpec recipe;
    recipe.timeLapse = timeLapse;
    recipe.chunks = chunks;
    recipe.riffSize = 0;
    recipe.moviSize = 0;
    recipe.writeIndex = false;
    return test::MakeAvi(recipe);
}

// File offset of chunk k of a file made by MakeAvi.
std::uint32_t ChunkOffset(const std::vector<Chunk>& chunks, std::size_t k, bool timeLapse = false) {
    std::uint32_t offset = timeLapse ? 292 : 396;
    for (std::size_t i = 0; i < k; ++i) {
        const auto size = static_cast<std::uint32_t>(chunks[i].payload.size());
        offset += 8 + size + (size & 1);
    }
    return offset;
}

// Index entries of chunks [first, first + count), offsets from the "movi" tag.
std::vector<avi::IndexEntry> EntriesOf(const std::vector<Chunk>& chunks, std::size_t first,
                                       std::size_t count, bool timeLapse = false) {
    std::vector<avi::IndexEntry> entries;
    for (std::size_t k = first; k < first + count; ++k) {
        entries.push_back({ReadLe32(reinterpret_cast<const unsigned char*>(chunks[k].tag.data())),
                           chunks[k].flags,
                           ChunkOffset(chunks, k, timeLapse) - (timeLapse ? 288 : 392),
                           static_cast<std::uint32_t>(chunks[k].payload.size())});
    }
    return entries;
}

void ExpectEntries(const std::vector<avi::IndexEntry>& got,
                   const std::vector<avi::IndexEntry>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].tag, want[i].tag) << "entry " << i;
        EXPECT_EQ(got[i].flags, want[i].flags) << "entry " << i;
        EXPECT_EQ(got[i].offset, want[i].offset) << "entry " << i;
        EXPECT_EQ(got[i].size, want[i].size) << "entry " << i;
    }
}

void Put(QByteArray& bytes, std::uint32_t at, const QByteArray& what) {
    bytes.replace(static_cast<qsizetype>(at), what.size(), what);
}

QByteArray Le32(std::uint32_t v) {
    QByteArray b(4, '\0');
    WriteLe32(reinterpret_cast<unsigned char*>(b.data()), v);
    return b;
}

struct ScanCase {
    const char* what;
    std::function<std::vector<Chunk>()> chunks;
    // Damage done to the power-loss bytes of those chunks.
    std::function<void(const std::vector<Chunk>&, QByteArray&)> damage;
    std::size_t first; // the entries expected: chunks [first, first + count)
    std::size_t count;
};

std::vector<Chunk> Simple() {
    return test::SimpleChunks(20, true); // 26 chunks, odd and even sizes
}
constexpr std::size_t kSimple = 26;

TEST(ScanChunks, FollowsTheChunkStreamUpToTheFirstInconsistency) {
    const auto none = [](const std::vector<Chunk>&, QByteArray&) {};
    const std::vector<ScanCase> cases = {
        {"every chunk complete to the end: the last one reaches the end and is dropped", Simple,
         none, 0, kSimple - 1},
        {"bytes after the last chunk: every chunk is indexed", Simple,
         [](const std::vector<Chunk>&, QByteArray& b) { b.append(64, '\xEE'); }, 0, kSimple},
        {"the last chunk cut inside its payload is dropped", Simple,
         [](const std::vector<Chunk>& c, QByteArray& b) { b.chop(c.back().payload.size() / 2); }, 0,
         kSimple - 1},
        {"the last chunk cut inside its size field is dropped", Simple,
         [](const std::vector<Chunk>& c, QByteArray& b) {
             b.truncate(ChunkOffset(c, kSimple - 1) + 6);
         },
         0, kSimple - 1},
        {"only three bytes of a tag after the last chunk: no tag, every chunk kept", Simple,
         [](const std::vector<Chunk>&, QByteArray& b) { b.append("00d"); }, 0, kSimple},
        {"a video chunk without start code ends the index at the chunk after it", Simple,
         [](const std::vector<Chunk>& c, QByteArray& b) {
             b.append(16, '\xEE');
             Put(b, ChunkOffset(c, 8) + 8, QByteArray("\x00\x00\x01\x00", 4));
         },
         0, 8},
        {"\"01wb\" inside a video payload is payload: the walk goes on by the sizes", Simple,
         [](const std::vector<Chunk>& c, QByteArray& b) {
             b.append(16, '\xEE');
             Put(b, ChunkOffset(c, 5) + 8 + 20, "01wb" + Le32(8));
         },
         0, kSimple},
        {"a tag with a size past the end inside a payload is payload too", Simple,
         [](const std::vector<Chunk>& c, QByteArray& b) {
             b.append(16, '\xEE');
             Put(b, ChunkOffset(c, 5) + 8 + 20, "00dc" + Le32(0xFFFFFFF0u));
         },
         0, kSimple},
        {"where no chunk follows, a tag inside the last chunk drops it: its size ran over", Simple,
         [](const std::vector<Chunk>& c, QByteArray& b) {
             b.append(16, '\xEE');
             Put(b, ChunkOffset(c, kSimple - 1) + 8 + 20, "00dc" + Le32(8));
         },
         0, kSimple - 1},
        {"a size that lands inside the next chunk: the tag it passed drops the chunk", Simple,
         [](const std::vector<Chunk>& c, QByteArray& b) {
             b.append(16, '\xEE');
             Put(b, ChunkOffset(c, 6) + 4,
                 Le32(static_cast<std::uint32_t>(c[6].payload.size()) + 12));
         },
         0, 6},

        {"a size field running past the end of the file ends the scan", Simple,
         [](const std::vector<Chunk>& c, QByteArray& b) {
             b.append(16, '\xEE');
             Put(b, ChunkOffset(c, 9) + 4, Le32(0xFFFFFFFFu));
         },
         0, 9},
        {"two stray bytes between chunks: the gap ends the scan", Simple,
         [](const std::vector<Chunk>& c, QByteArray& b) {
             b.append(16, '\xEE');
             b.insert(ChunkOffset(c, 4), "\xEE\xEE");
         },
         0, 4},
        {"a payload of 16 bytes is not indexed and ends the scan at the next chunk",
         [] {
             auto c = Simple();
             c[3].payload = c[3].payload.left(16);
             return c;
         },
         [](const std::vector<Chunk>&, QByteArray& b) { b.append(16, '\xEE'); }, 0, 3},
        {"a first chunk not indexed leaves no previous chunk for the gap rule",
         [] {
             auto c = Simple();
             c[0].payload = test::VideoPayload(16);
             return c;
         },
         [](const std::vector<Chunk>&, QByteArray& b) { b.append(16, '\xEE'); }, 1, kSimple - 1},
        {"no chunk at all", [] { return std::vector<Chunk>{}; },
         [](const std::vector<Chunk>&, QByteArray& b) { b.append(400, '\xEE'); }, 0, 0},
        {"key frames from the first NAL unit's type: (byte & 0x0F) mod 5 is 0 or 2",
         [] {
             std::vector<Chunk> c;
             // IDR 5, SPS 7, slice 1, SEI 6, AUD 9, PPS 8, type 10, type 12, ref bits ignored
             const std::vector<std::pair<unsigned char, std::uint32_t>> nal = {
                 {0x65, 0x10}, {0x67, 0x10}, {0x41, 0},    {0x06, 0},    {0x09, 0},
                 {0x68, 0},    {0x0A, 0x10}, {0x0C, 0x10}, {0x25, 0x10}, {0x01, 0}};
             for (const auto& [header, flags] : nal) {
                 c.push_back({"00dc", test::VideoPayload(33, header), flags});
                 c.push_back({"01wb", QByteArray(18, '\x11'), 0x10});
             }
             return c;
         },
         [](const std::vector<Chunk>&, QByteArray& b) { b.append(8, '\xEE'); }, 0, 20},
    };
    QTemporaryDir dir;
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<Chunk> chunks = c.chunks();
        QByteArray bytes = PowerLoss(chunks);
        c.damage(chunks, bytes);
        const QString path = test::WriteFile(dir.path(), kFront, bytes);
        MappedFile file;
        ASSERT_TRUE(OpenMapped(path, file));
        std::vector<avi::IndexEntry> entries(3); // whatever was there goes
        ASSERT_EQ(ScanChunks(file, false, entries), kOperationDone);
        ExpectEntries(entries, EntriesOf(chunks, c.first, c.count));
    }
}

// A power-loss recording cut at 700,000 bytes, with tags planted inside
// pictures as compressed data holds them by chance. The kept chunks must be
// exactly the whole chunks before the cut, walked here by their sizes.
TEST(ScanChunks, TagsInsidePicturesDoNotEndTheWalk) {
    struct Plant {
        const char* what;
        std::vector<std::size_t> chunks; // the chunks whose payload gets the bytes
        QByteArray bytes;                // planted 40 bytes into the payload
    };
    std::vector<Chunk> plain;
    for (int f = 0; f < 300; ++f) {
        plain.push_back({"00dc", test::VideoPayload(2600 + f % 5, f % 10 == 0 ? 0x65 : 0x41),
                         f % 10 == 0 ? 0x10u : 0u});
        if (f % 3 == 2) {
            plain.push_back({"01wb", QByteArray(500, '\x11'), 0x10});
        }
    }
    constexpr std::uint32_t kCut = 700000;
    // The independent walk: chunk after chunk from the first payload byte
    // after "movi", kept while it ends before the cut.
    std::size_t whole = 0;
    for (std::uint32_t at = 396; whole < plain.size(); ++whole) {
        const auto size = static_cast<std::uint32_t>(plain[whole].payload.size());
        at += 8 + size + (size & 1);
        if (at >= kCut) {
            break;
        }
    }
    ASSERT_GT(whole, 200u);
    const std::vector<Plant> plants = {
        {"\"00dc\" in the 8th picture", {9}, "00dc"},
        {"\"01wb\" in the 8th picture", {9}, "01wb"},
        {"a tag and a size that fits in the 8th picture", {9}, "00dc" + Le32(100)},
        {"a tag and a size past the end in the 8th picture", {9}, "01wb" + Le32(0xFFFFFF00u)},
        {"tags in pictures and sound all along", {1, 9, 50, 120, 200}, "00dc01wb00dc"},
        {"a tag in the last whole chunk before the cut", {whole - 1}, "00dc" + Le32(16)},
    };
    QTemporaryDir dir;
    for (const Plant& p : plants) {
        SCOPED_TRACE(p.what);
        std::vector<Chunk> chunks = plain;
        for (std::size_t k : p.chunks) {
            ASSERT_GE(chunks[k].payload.size(), 40 + p.bytes.size());
            chunks[k].payload.replace(40, p.bytes.size(), p.bytes);
        }
        const QByteArray bytes = PowerLoss(chunks).left(kCut);
        ASSERT_EQ(bytes.size(), static_cast<qsizetype>(kCut));
        MappedFile file;
        ASSERT_TRUE(OpenMapped(test::WriteFile(dir.path(), kFront, bytes), file));
        for (const ScanWindows& w : std::vector<ScanWindows>{{}, {4096, 1024}}) {
            std::vector<avi::IndexEntry> entries;
            ASSERT_EQ(ScanChunks(file, false, entries, nullptr, w), kOperationDone);
            ExpectEntries(entries, EntriesOf(chunks, 0, whole));
        }
    }
}

TEST(ScanChunks, TimeLapseOffsetsCountFromTheEarlierMoviTag) {
    const std::vector<Chunk> chunks = test::SimpleChunks(12, false);
    QByteArray bytes = PowerLoss(chunks, true);
    bytes.append(10, '\xEE');
    QTemporaryDir dir;
    MappedFile file;
    ASSERT_TRUE(OpenMapped(test::WriteFile(dir.path(), kTimeLapseFront, bytes), file));
    std::vector<avi::IndexEntry> entries;
    ASSERT_EQ(ScanChunks(file, true, entries), kOperationDone);
    ExpectEntries(entries, EntriesOf(chunks, 0, chunks.size(), true));
    EXPECT_EQ(entries.front().offset, 4u);
}

TEST(ScanChunks, SmallWindowsGiveTheSameEntries) {
    const std::vector<Chunk> chunks = Simple();
    QByteArray bytes = PowerLoss(chunks);
    bytes.append(8, '\xEE');
    QTemporaryDir dir;
    MappedFile file;
    ASSERT_TRUE(OpenMapped(test::WriteFile(dir.path(), kFront, bytes), file));
    for (const ScanWindows& w : std::vector<ScanWindows>{{64, 32}, {11, 8}, {4, 1}}) {
        std::vector<avi::IndexEntry> entries;
        ASSERT_EQ(ScanChunks(file, false, entries, nullptr, w), kOperationDone);
        ExpectEntries(entries, EntriesOf(chunks, 0, chunks.size()));
    }
}

TEST(ScanChunks, StopsBeforeTheNextWindowWhenCancelled) {
    const std::vector<Chunk> chunks = Simple();
    QByteArray bytes = PowerLoss(chunks);
    bytes.append(8, '\xEE');
    QTemporaryDir dir;
    MappedFile file;
    ASSERT_TRUE(OpenMapped(test::WriteFile(dir.path(), kFront, bytes), file));
    std::atomic<bool> running{true};
    OperationControl control;
    control.running = &running;
    std::vector<std::int64_t> done;
    control.progress = [&](std::int64_t d, std::int64_t total) {
        EXPECT_EQ(total, bytes.size() - 392);
        done.push_back(d);
        running = done.size() < 3;
    };
    std::vector<avi::IndexEntry> entries;
    EXPECT_EQ(ScanChunks(file, false, entries, &control, {256, 128}), kOperationCancelled);
    EXPECT_EQ(done, (std::vector<std::int64_t>{128, 256, 384}));
}

// ---------------------------------------------------------------------------

RepairContext ContextFor(const QByteArray& bytes, bool timeLapse,
                         std::vector<avi::IndexEntry> entries) {
    RepairContext c;
    c.timeLapse = timeLapse;
    c.header = bytes.left(timeLapse ? 292 : 396);
    c.entries = std::move(entries);
    return c;
}

std::uint32_t At(const QByteArray& bytes, int offset) {
    return ReadLe32(reinterpret_cast<const unsigned char*>(bytes.constData()) + offset);
}

TEST(BuildIndex, PatchesSizesAndCountsOfTheNormalLayout) {
    const std::vector<Chunk> chunks = Simple();
    // The last chunk is odd: its pad byte counts in the movi size.
    ASSERT_EQ(chunks.back().payload.size() % 2, 1);
    QByteArray bytes = PowerLoss(chunks);
    for (int field : {48, 140, 256, 264, 304}) {
        Put(bytes, field, Le32(0));
    }
    RepairContext c = ContextFor(bytes, false, EntriesOf(chunks, 0, chunks.size()));
    ASSERT_TRUE(BuildIndex(c));

    const std::uint32_t movi = ChunkOffset(chunks, chunks.size()) - 392;
    EXPECT_EQ(c.moviSize, movi);
    EXPECT_EQ(At(c.header, 388), movi);
    EXPECT_EQ(At(c.header, 4), 396 - 12 + movi + 16 * kSimple + 8);
    EXPECT_EQ(At(c.header, 48), 20u);
    EXPECT_EQ(At(c.header, 140), 20u);
    EXPECT_EQ(At(c.header, 264), 6u);
    EXPECT_EQ(At(c.header, 256), 16000u);
    EXPECT_EQ(At(c.header, 304), 4000u);
    EXPECT_EQ(c.videoChunks, 20u);
    EXPECT_EQ(c.audioChunks, 6u);
    EXPECT_EQ(c.header.mid(392), "movi");

    ASSERT_EQ(c.index.size(), static_cast<qsizetype>(8 + 16 * kSimple));
    EXPECT_EQ(c.index.left(4), "idx1");
    EXPECT_EQ(At(c.index, 4), 16 * kSimple);
    for (std::size_t i = 0; i < kSimple; ++i) {
        const int e = 8 + 16 * static_cast<int>(i);
        EXPECT_EQ(c.index.mid(e, 4), chunks[i].tag);
        EXPECT_EQ(At(c.index, e + 4), chunks[i].flags);
        EXPECT_EQ(At(c.index, e + 8), c.entries[i].offset);
        EXPECT_EQ(At(c.index, e + 12), static_cast<std::uint32_t>(chunks[i].payload.size()));
    }

    // Audio rates the recorder did write are kept.
    Put(bytes, 256, Le32(8000));
    Put(bytes, 304, Le32(4055));
    RepairContext kept = ContextFor(bytes, false, EntriesOf(chunks, 0, 4));
    ASSERT_TRUE(BuildIndex(kept));
    EXPECT_EQ(At(kept.header, 256), 8000u);
    EXPECT_EQ(At(kept.header, 304), 4055u);
    EXPECT_EQ(At(kept.header, 264), 1u);
}

TEST(BuildIndex, TimeLapseLayoutHasNoAudioFields) {
    const std::vector<Chunk> chunks = test::SimpleChunks(12, false);
    QByteArray bytes = PowerLoss(chunks, true);
    for (int field : {256, 264}) {
        Put(bytes, field, Le32(0));
    }
    RepairContext c = ContextFor(bytes, true, EntriesOf(chunks, 0, chunks.size(), true));
    ASSERT_TRUE(BuildIndex(c));
    const std::uint32_t movi = ChunkOffset(chunks, chunks.size(), true) - 288;
    EXPECT_EQ(At(c.header, 284), movi);
    EXPECT_EQ(At(c.header, 4), 292 - 12 + movi + 16 * 12 + 8);
    EXPECT_EQ(At(c.header, 48), 12u);
    EXPECT_EQ(At(c.header, 140), 12u);
    // Offsets 256 and 264 belong to the video stream list here: left alone.
    EXPECT_EQ(At(c.header, 256), 0u);
    EXPECT_EQ(At(c.header, 264), 0u);
    EXPECT_EQ(c.audioChunks, 0u);
}

TEST(BuildIndex, RefusesWhatCannotBecomeARecording) {
    const QByteArray bytes = PowerLoss(Simple());
    RepairContext empty = ContextFor(bytes, false, {});
    EXPECT_FALSE(BuildIndex(empty));
    EXPECT_TRUE(empty.index.isEmpty());

    RepairContext shortHeader = ContextFor(bytes.left(300), false, EntriesOf(Simple(), 0, 2));
    EXPECT_FALSE(BuildIndex(shortHeader));

    // A chunk ending near 4 GiB: the copy's RIFF size could not hold its length.
    RepairContext huge = ContextFor(bytes, false, {{avi::kVideoFourCc, 0, 0xFFFFF000u, 0x1000}});
    EXPECT_FALSE(BuildIndex(huge));
    EXPECT_EQ(huge.header, bytes.left(396));
}

} // namespace
} // namespace kv
