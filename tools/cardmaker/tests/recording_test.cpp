// Single recordings: the fixed AVI layout, the streams inside it, the two telemetry
// forms, the damaged forms and the refusals.

#include "avi_inspect.h"
#include "cardmaker.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace kv::cardmaker {
namespace {

using testing::BigU16;
using testing::BigU32;
using testing::ChunkAt;
using testing::ReadWholeFile;
using testing::SoundRecording;
using testing::Tag;
using testing::U16;
using testing::U32;

class RecordingTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    // Writes `recipe` and returns the file's bytes.
    QByteArray Write(const RecordingSpec& recipe, RecordingReport* report = nullptr) {
        const QString path = dir_.filePath(recipe.fileName);
        QString error;
        EXPECT_TRUE(WriteRecording(recipe, path, &error, report)) << error.toStdString();
        return ReadWholeFile(path);
    }

    QTemporaryDir dir_;
};

RecordingSpec OddRateNormal() {
    RecordingSpec s;
    s.fileName = QStringLiteral("AG__-261204-081000-000101F.AVI");
    s.width = 64;
    s.height = 48;
    s.rate = 1000000; // 29.1 fps
    s.scale = 34364;
    s.seconds = 3.0;
    s.telemetry = TelemetryForm::ExactCount;
    s.triggerAxis = 'Y';
    return s;
}

RecordingSpec TimeLapse() {
    RecordingSpec s;
    s.fileName = QStringLiteral("T___-261204-081000-000101F.AVI");
    s.width = 64;
    s.height = 48;
    s.rate = 15;
    s.scale = 1;
    s.seconds = 2.0;
    s.audio = false;
    s.telemetry = TelemetryForm::FullLength;
    return s;
}

int CountChunks(const SoundRecording& r, const char* tag) {
    int n = 0;
    for (const ChunkAt& c : r.chunks) {
        n += c.tag == tag ? 1 : 0;
    }
    return n;
}

struct U32At {
    int offset;
    std::uint32_t value;
};
struct TagAt {
    int offset;
    const char* tag;
};

TEST_F(RecordingTest, NormalLayoutAtFixedOffsets) {
    const RecordingSpec recipe = OddRateNormal();
    RecordingReport report;
    const QByteArray f = Write(recipe, &report);
    SoundRecording r;
    const auto problem = testing::CheckSoundRecording(f, false, &r);
    ASSERT_FALSE(problem) << *problem;

    const std::uint32_t frames = 87; // 3 s at 1000000/34364
    const auto audioChunks =
        static_cast<std::uint32_t>(std::ceil(frames * 34364.0 / 1e6 * 8000.0 / 505.0));
    ASSERT_EQ(CountChunks(r, "00dc"), static_cast<int>(frames));
    ASSERT_EQ(CountChunks(r, "01wb"), static_cast<int>(audioChunks));

    const U32At numbers[] = {
        {4, static_cast<std::uint32_t>(r.indexEnd - 8)},
        {16, 296}, // hdrl list: both stream lists
        {28, 56},
        {32, 34364}, // microseconds per frame
        {44, 0x10},
        {48, frames},
        {56, 2},
        {64, 64},
        {68, 48},
        {92, 116},
        {104, 56},
        {128, 34364},
        {132, 1000000},
        {136, 0},
        {140, frames},
        {168, 40},
        {172, 40},
        {176, 64},
        {180, 48},
        {216, 96},
        {228, 56},
        {252, 505},
        {256, 8000},
        {264, audioChunks},
        {268, 256}, // suggested buffer: one block
        {276, 256}, // sample size: one block
        {292, 20},
        {300, 8000},
        {304, 4055},
        {320, 60}, // JUNK up to 384
        {384 + 4, r.moviSize},
    };
    for (const U32At& n : numbers) {
        EXPECT_EQ(U32(f, n.offset), n.value) << "offset " << n.offset;
    }
    const TagAt tags[] = {
        {0, "RIFF"},   {8, "AVI "},   {12, "LIST"},  {20, "hdrl"},  {24, "avih"},
        {88, "LIST"},  {96, "strl"},  {100, "strh"}, {108, "vids"}, {112, "H264"},
        {164, "strf"}, {188, "H264"}, {212, "LIST"}, {220, "strl"}, {224, "strh"},
        {232, "auds"}, {288, "strf"}, {316, "JUNK"}, {384, "LIST"}, {392, "movi"},
    };
    for (const TagAt& t : tags) {
        EXPECT_EQ(Tag(f, t.offset), t.tag) << "offset " << t.offset;
    }
    EXPECT_EQ(U16(f, 184), 1);  // planes
    EXPECT_EQ(U16(f, 186), 24); // bits per pixel
    EXPECT_EQ(U16(f, 296), 0x0011);
    EXPECT_EQ(U16(f, 298), 1);
    EXPECT_EQ(U16(f, 308), 256);
    EXPECT_EQ(U16(f, 310), 4);
    EXPECT_EQ(U16(f, 312), 2);
    EXPECT_EQ(U16(f, 314), 505);
    EXPECT_EQ(Tag(f, 384 + 8 + static_cast<qsizetype>(r.moviSize)), "idx1");
    EXPECT_EQ(r.indexEnd, 384 + 16 + static_cast<qsizetype>(r.moviSize) + r.indexSize);

    // Exact-count telemetry: one record per 100 ms of video, 68 + 130 N bytes after the index.
    const int records = static_cast<int>(std::ceil(frames * 34.364 / 100.0));
    EXPECT_EQ(TelemetryRecordCount(recipe), records);
    EXPECT_EQ(r.block.size(), 68 + 130 * records);
    testing::TelemetryBlock block;
    const auto blockProblem = testing::ParseTelemetryBlock(r.block, &block);
    ASSERT_FALSE(blockProblem) << *blockProblem;
    EXPECT_EQ(block.count, records);
    EXPECT_EQ(block.trailerCount, static_cast<std::uint32_t>(records));
    EXPECT_EQ(f.size(), r.indexEnd + 68 + 130 * records);

    EXPECT_EQ(report.fileSize, f.size());
    EXPECT_EQ(report.videoChunks, static_cast<int>(frames));
    EXPECT_EQ(report.audioChunks, static_cast<int>(audioChunks));
    EXPECT_EQ(report.moviSize, r.moviSize);
    EXPECT_EQ(report.telemetryRecords, records);
}

TEST_F(RecordingTest, TimeLapseLayoutHasNoAudioAndAFullLengthBlock) {
    const QByteArray f = Write(TimeLapse());
    SoundRecording r;
    const auto problem = testing::CheckSoundRecording(f, true, &r);
    ASSERT_FALSE(problem) << *problem;
    const U32At numbers[] = {
        {16, 192}, {48, 30},  {56, 1},   {128, 1},  {132, 15},
        {140, 30}, {176, 64}, {180, 48}, {216, 60}, // JUNK up to 280
    };
    for (const U32At& n : numbers) {
        EXPECT_EQ(U32(f, n.offset), n.value) << "offset " << n.offset;
    }
    EXPECT_EQ(Tag(f, 212), "JUNK");
    EXPECT_EQ(Tag(f, 280), "LIST");
    EXPECT_EQ(Tag(f, 288), "movi");
    EXPECT_EQ(CountChunks(r, "00dc"), 30);
    EXPECT_EQ(CountChunks(r, "01wb"), 0);

    // One record per frame (66.67 ms of video), inside the recorder's 4600 slots.
    ASSERT_EQ(r.block.size(), 598068);
    testing::TelemetryBlock block;
    const auto blockProblem = testing::ParseTelemetryBlock(r.block, &block);
    ASSERT_FALSE(blockProblem) << *blockProblem;
    EXPECT_EQ(block.count, 0xFFFF);
    EXPECT_EQ(block.trailerCount, 4600u);
    EXPECT_EQ(block.records.size(), 30u);
    EXPECT_EQ(Tag(r.block, 40 + 130 * 30, 6), "CSMEND");
}

TEST_F(RecordingTest, StreamsAreInterleavedAndKeyFramesCarryTheirHeaders) {
    const RecordingSpec recipe = OddRateNormal();
    const QByteArray f = Write(recipe);
    SoundRecording r;
    ASSERT_FALSE(testing::CheckSoundRecording(f, false, &r));

    // An audio block goes in front of the first frame that does not start before it.
    std::int64_t audio = 0;
    std::int64_t videoBefore = 0;
    for (const ChunkAt& c : r.chunks) {
        if (c.tag == "00dc") {
            ++videoBefore;
            continue;
        }
        const std::int64_t num = audio * 505 * 1000000;
        const std::int64_t den = 8000LL * 34364;
        EXPECT_EQ(videoBefore, std::min<std::int64_t>(87, (num + den - 1) / den))
            << "audio chunk " << audio;
        EXPECT_EQ(c.size, 256u);
        ++audio;
    }

    const int keyInterval = 29; // about one second at 29.1 fps
    int frame = 0;
    for (std::size_t k = 0; k < r.chunks.size(); ++k) {
        const ChunkAt& c = r.chunks[k];
        if (c.tag != "00dc") {
            continue;
        }
        const QByteArray payload = f.mid(c.offset + 8, c.size);
        ASSERT_TRUE(payload.startsWith(QByteArray("\0\0\0\1", 4))) << "frame " << frame;
        const bool key = r.index[k].flags == 0x10;
        EXPECT_EQ(key, frame % keyInterval == 0) << "frame " << frame;
        const int firstNal = payload[4] & 0x1F;
        EXPECT_EQ(firstNal == 7, key) << "frame " << frame << ": SPS leads exactly the key frames";
        EXPECT_EQ(payload.contains(QByteArray("\0\0\1\x65", 4)) ||
                      payload.contains(QByteArray("\0\0\0\1\x65", 5)),
                  key)
            << "frame " << frame << ": IDR slice exactly in the key frames";
        // A repair that rebuilds the index from the payloads must reach the same flags.
        const int low = payload[4] & 0x0F;
        EXPECT_EQ(low % 5 == 0 || low % 5 == 2, key) << "frame " << frame;
        ++frame;
    }
    EXPECT_EQ(frame, 87);
}

TEST_F(RecordingTest, DamagedForms) {
    struct Case {
        RecordingSpec recipe;
        bool timeLapse;
    };
    RecordingSpec normal = OddRateNormal();
    normal.telemetry = TelemetryForm::FullLength;
    const Case cases[] = {{normal, false}, {TimeLapse(), true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.recipe.fileName.toStdString());
        const qsizetype h = c.timeLapse ? 280 : 384;

        RecordingSpec power = c.recipe;
        power.damage = Damage::PowerLoss;
        RecordingReport pr;
        const QByteArray p = Write(power, &pr);
        EXPECT_EQ(U32(p, 4), 0u) << "RIFF size";
        EXPECT_EQ(U32(p, h + 4), 0u) << "movi size";
        EXPECT_EQ(U32(p, 48), 0u);
        EXPECT_EQ(U32(p, 140), 0u);
        EXPECT_EQ(U32(p, 132), c.recipe.rate) << "timing fields stay";
        EXPECT_EQ(Tag(p, h + 8), "movi");
        bool overrun = true;
        const auto chunks = testing::WalkChunks(p, h + 12, p.size(), &overrun);
        EXPECT_FALSE(overrun);
        ASSERT_FALSE(chunks.empty());
        const ChunkAt& last = chunks.back();
        EXPECT_EQ(last.offset + 8 + last.size + (last.size & 1), p.size())
            << "complete chunks up to the end of the file";
        EXPECT_EQ(static_cast<int>(chunks.size()), pr.videoChunks + pr.audioChunks);
        EXPECT_EQ(p.indexOf("idx1"), -1);
        EXPECT_EQ(p.indexOf("CSMDAT"), -1);
        EXPECT_TRUE(testing::StrayTags(p, chunks, h + 12).empty());

        RecordingSpec cut = c.recipe;
        cut.damage = Damage::CutInsideMovi;
        RecordingReport cr;
        const QByteArray k = Write(cut, &cr);
        EXPECT_EQ(k.size(), cr.cutAt);
        const std::uint32_t m = U32(k, h + 4);
        EXPECT_EQ(m, cr.moviSize);
        EXPECT_GE(static_cast<qsizetype>(m), k.size()) << "movi size points past the end";
        EXPECT_EQ(U32(k, 4), h + 16 + m + cr.indexSize - 8) << "RIFF size of the whole recording";
        EXPECT_EQ(U32(k, 48), static_cast<std::uint32_t>(cr.videoChunks));
        const auto cutChunks = testing::WalkChunks(k, h + 12, k.size(), &overrun);
        EXPECT_TRUE(overrun) << "the last chunk is cut inside its payload";
        EXPECT_GT(cutChunks.size(), static_cast<std::size_t>(cr.videoChunks + cr.audioChunks) / 3);
        EXPECT_LT(cutChunks.size(), static_cast<std::size_t>(cr.videoChunks + cr.audioChunks));
        EXPECT_GT(k.size(), cutChunks.back().offset + 8);
    }
}

TEST_F(RecordingTest, RefusesWhatTheRecorderCannotWrite) {
    struct Case {
        const char* what;
        RecordingSpec recipe;
        QString folder;
    };
    RecordingSpec badName = OddRateNormal();
    badName.fileName = QStringLiteral("AS__-261204-081000-000101F.AVI");
    RecordingSpec oddWidth = OddRateNormal();
    oddWidth.width = 65;
    RecordingSpec audioInTimeLapse = TimeLapse();
    audioInTimeLapse.audio = true;
    RecordingSpec tooLongForFullBlock = OddRateNormal();
    tooLongForFullBlock.telemetry = TelemetryForm::FullLength;
    tooLongForFullBlock.seconds = 460.0; // 4601 records, the slots hold 4599 and "CSMEND"
    RecordingSpec zeroRate = OddRateNormal();
    zeroRate.rate = 0;
    const Case cases[] = {
        {"invalid name", badName, dir_.path()},
        {"odd width", oddWidth, dir_.path()},
        {"audio in a time-lapse recording", audioInTimeLapse, dir_.path()},
        {"too long for the full-length block", tooLongForFullBlock, dir_.path()},
        {"zero rate", zeroRate, dir_.path()},
        {"missing folder", OddRateNormal(), dir_.filePath(QStringLiteral("no/such/folder"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = QDir(c.folder).filePath(c.recipe.fileName);
        QString error;
        EXPECT_FALSE(WriteRecording(c.recipe, path, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_FALSE(QFile::exists(path + QStringLiteral(".part")));
    }
}

TEST_F(RecordingTest, SameSpecSameBytes) {
    RecordingSpec recipe = OddRateNormal();
    const QByteArray first = Write(recipe);
    recipe.fileName = QStringLiteral("AG__-261204-081000-000101R.AVI");
    recipe.telemetry = TelemetryForm::None;
    const QByteArray rear = Write(recipe);
    recipe.fileName = QStringLiteral("AG__-261204-081000-000101F.AVI");
    recipe.telemetry = TelemetryForm::ExactCount;
    EXPECT_EQ(Write(recipe), first);
    EXPECT_NE(rear.left(first.size()), first) << "the camera letter is in the pictures";
}

TEST_F(RecordingTest, EveryFrameShowsItsNumber) {
    struct Case {
        int width;
        int height;
        char camera;
    };
    const Case cases[] = {{160, 96, 'F'},  {160, 96, 'R'},   {320, 180, 'R'},
                          {640, 360, 'F'}, {1280, 720, 'F'}, {1920, 1080, 'R'}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + c.camera);
        RecordingSpec recipe;
        recipe.fileName =
            MakeRecordingName(QStringLiteral("A___"), {2026, 12, 4, 8, 0, 0}, c.width, c.camera);
        recipe.width = c.width;
        recipe.height = c.height;
        recipe.seconds = 2.0;
        recipe.telemetry = TelemetryForm::None;
        const QString path = dir_.filePath(recipe.fileName);
        QString error;
        ASSERT_TRUE(WriteRecording(recipe, path, &error)) << error.toStdString();
        std::string decodeError;
        const auto stamps = testing::DecodeFrameStamps(path, &decodeError);
        ASSERT_TRUE(decodeError.empty()) << decodeError;
        ASSERT_EQ(stamps.size(), 60u);
        for (std::size_t i = 0; i < stamps.size(); ++i) {
            ASSERT_TRUE(stamps[i].has_value()) << "frame " << i;
            EXPECT_EQ(stamps[i]->camera, c.camera) << "frame " << i;
            EXPECT_EQ(stamps[i]->frame, static_cast<int>(i));
        }
    }
}

TEST(FrameStampReader, RejectsPicturesWithoutAStamp) {
    std::vector<std::uint8_t> grey(160 * 96, 128);
    EXPECT_FALSE(ReadFrameStamp(grey.data(), 160, 160, 96));
    std::vector<std::uint8_t> white(160 * 96, 235);
    EXPECT_FALSE(ReadFrameStamp(white.data(), 160, 160, 96));
    EXPECT_FALSE(ReadFrameStamp(nullptr, 160, 160, 96));
}

} // namespace
} // namespace kv::cardmaker
