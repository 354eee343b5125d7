#include "avi_bytes.h"
#include "avi_clip.h"
#include "byte_order.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv {
namespace {

const char* const kFront = "A___-261205-093000-000101F.AVI";
const char* const kRear = "A___-261205-093000-000101R.AVI";

std::vector<QByteArray> Records(int n) {
    std::vector<QByteArray> records;
    for (int i = 0; i < n; ++i) {
        records.push_back(test::TypicalRecord());
    }
    return records;
}

QByteArray Front(const QByteArray& block, bool timeLapse = false) {
    test::AviSpec s;
    s.timeLapse = timeLapse;
    s.chunks = test::SimpleChunks(9, !timeLapse);
    s.telemetry = block;
    return test::MakeAvi(s);
}

class AviClipTest : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& bytes) {
        return test::WriteFile(dir.path(), name, bytes);
    }
    QTemporaryDir dir;
};

TEST_F(AviClipTest, LoadsHeaderIndexAndTelemetry) {
    const QByteArray bytes = Front(test::ExactBlock(Records(3)));
    const auto clip = LoadClip(Write(kFront, bytes));
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->fileSize, static_cast<std::uint64_t>(bytes.size()));
    EXPECT_FALSE(clip->timeLapse);
    EXPECT_FALSE(clip->parkingGroup);
    EXPECT_EQ(clip->header, bytes.left(384));
    ASSERT_EQ(clip->segments.size(), 1u);
    EXPECT_EQ(clip->segments[0].payloadStart, 396u);
    EXPECT_EQ(clip->segments[0].payloadLength, clip->moviSize() - 4);
    ASSERT_EQ(clip->index.size(), 12u); // 9 video and 3 audio chunks
    EXPECT_EQ(clip->index[0].tag, avi::kVideoFourCc);
    EXPECT_EQ(clip->index[0].offset, 4u);
    EXPECT_EQ(clip->index[0].flags, avi::kKeyFrameFlag);
    // Every index offset names a chunk tag in the file.
    for (const auto& e : clip->index) {
        const auto* tag =
            reinterpret_cast<const unsigned char*>(bytes.constData()) + 392 + e.offset;
        EXPECT_EQ(ReadLe32(tag), e.tag);
        EXPECT_EQ(ReadLe32(tag + 4), e.size);
    }
    ASSERT_TRUE(clip->hasTelemetry);
    EXPECT_EQ(clip->recordCount, 3);
    EXPECT_EQ(clip->trailerCount, 3u);
    EXPECT_EQ(clip->records.size(), 3 * 130);
    EXPECT_EQ(clip->records.left(130), test::TypicalRecord());
}

TEST_F(AviClipTest, RearAndTimeLapseLayouts) {
    const auto rear = LoadClip(Write(kRear, Front(QByteArray())));
    ASSERT_TRUE(rear);
    EXPECT_FALSE(rear->hasTelemetry);

    const QByteArray tl = Front(test::ExactBlock(Records(2)), true);
    const auto clip = LoadClip(Write("T___-261205-093000-000101F.AVI", tl));
    ASSERT_TRUE(clip);
    EXPECT_TRUE(clip->timeLapse);
    EXPECT_EQ(clip->header.size(), 280);
    EXPECT_EQ(clip->segments[0].payloadStart, 292u);
    EXPECT_EQ(clip->index.size(), 9u);

    const auto parking = LoadClip(Write("P_T_-261205-093000-000101F.AVI", tl));
    ASSERT_TRUE(parking);
    EXPECT_TRUE(parking->parkingGroup);
    EXPECT_TRUE(parking->timeLapse);
}

TEST_F(AviClipTest, OpenEndedBlockLoadsItsRealRecords) {
    const auto clip = LoadClip(Write(kFront, Front(test::FullLengthBlock(Records(5)))));
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->recordCount, 5);
    EXPECT_EQ(clip->trailerCount, 5u);
    EXPECT_EQ(clip->records.size(), 5 * 130);
}

TEST_F(AviClipTest, RefusesSizesThatDoNotFitTheFile) {
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    test::AviSpec hugeIndex;
    hugeIndex.chunks = test::SimpleChunks(4, true);
    hugeIndex.indexSize = 0x10000000;
    hugeIndex.telemetry = test::ExactBlock(Records(1));

    test::AviSpec hugeMovi = hugeIndex;
    hugeMovi.indexSize = -1;
    hugeMovi.moviSize = 0x7FFFFFF0;

    test::BlockSpec tooMany;
    tooMany.count = 50; // more records than the trailer gives room for
    tooMany.records = Records(2);

    test::BlockSpec hugeTrailer;
    hugeTrailer.count = 2;
    hugeTrailer.records = Records(2);
    hugeTrailer.trailerCount = 0x7FFFFFFF;

    const QByteArray good = Front(test::ExactBlock(Records(2)));
    QByteArray badHead = good;
    badHead.replace(badHead.size() - 28 - 2 * 130 - 40, 6, "XXXXXX");

    const std::vector<Case> cases = {
        {"index larger than the file", test::MakeAvi(hugeIndex)},
        {"movi larger than the file", test::MakeAvi(hugeMovi)},
        {"record count beyond the block", Front(test::MakeBlock(tooMany))},
        {"trailer count beyond the file", Front(test::MakeBlock(hugeTrailer))},
        {"front file without a telemetry block", Front(QByteArray())},
        {"block head without its tag", badHead},
        {"shorter than the header", good.left(200)},
        {"empty", QByteArray()},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(LoadClip(Write(kFront, c.bytes))) << c.what;
    }
    EXPECT_FALSE(LoadClip(dir.path() + "/missing-000001F.AVI"));
    auto loaded = LoadClip(Write(kFront, good));
    ASSERT_TRUE(loaded);
    FreeClip(loaded);
    EXPECT_FALSE(loaded);
}

} // namespace
} // namespace kv
