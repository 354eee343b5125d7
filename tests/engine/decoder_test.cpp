// Decoding real recordings from the card maker, whose pictures print their
// own frame number: every picture must be the frame it claims to be.

#include "frame_seek.h"
#include "picture_converter.h"
#include "recording_source.h"
#include "tiny_recording.h"
#include "video_decoder.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv::engine {
namespace {

namespace cm = cardmaker;

class DecoderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        path = WriteTinyRecording(dir->path(), "A__S-261205-093000-000101F.AVI");
        frames = 90;
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }

    static int StampOf(const DecodedPicture& picture) {
        const LumaPlane y = LumaOf(picture.frame.get());
        const auto stamp = cm::ReadFrameStamp(y.data, y.stride, y.width, y.height);
        return stamp ? stamp->frame : -1;
    }

    static QTemporaryDir* dir;
    static QString path;
    static int frames;
};

QTemporaryDir* DecoderTest::dir = nullptr;
QString DecoderTest::path;
int DecoderTest::frames = 0;

TEST_F(DecoderTest, SourceReadsTheRecordingsOwnIndex) {
    RecordingSource source;
    ASSERT_TRUE(source.Open(path));
    EXPECT_EQ(source.frameCount(), frames);
    EXPECT_EQ(source.nativeSize(), QSize(160, 96));
    EXPECT_NEAR(source.frameDurationMs(), 33.333332f, 1e-5);
    EXPECT_TRUE(source.audioFormat().valid());
    EXPECT_EQ(source.audioFormat().formatTag, 0x11);
    EXPECT_FALSE(source.audio().empty());
    EXPECT_TRUE(source.video()[0].key);
    EXPECT_EQ(source.KeyFrameAtOrBefore(0), 0);
    const std::int64_t mid = source.KeyFrameAtOrBefore(frames - 1);
    EXPECT_GT(mid, 0);
    EXPECT_TRUE(source.video()[static_cast<std::size_t>(mid)].key);
}

TEST_F(DecoderTest, SequentialDecodeYieldsEveryFrameInOrder) {
    for (int threads : {1, 2}) {
        RecordingSource source;
        ASSERT_TRUE(source.Open(path));
        VideoDecoder decoder;
        ASSERT_TRUE(decoder.Open(threads));
        QByteArray chunk;
        std::int64_t expected = 0;
        const auto drain = [&] {
            DecodedPicture p;
            while (decoder.Receive(p)) {
                EXPECT_EQ(p.number, expected);
                EXPECT_EQ(StampOf(p), expected);
                ++expected;
            }
        };
        for (std::int64_t f = 0; f < source.frameCount(); ++f) {
            const ChunkRef& ref = source.video()[static_cast<std::size_t>(f)];
            ASSERT_TRUE(source.Read(ref, chunk));
            ASSERT_TRUE(decoder.Send(chunk, f, ref.key));
            drain();
        }
        decoder.SendEnd();
        drain();
        EXPECT_EQ(expected, frames) << threads << " threads";
    }
}

TEST_F(DecoderTest, ExactFrameFromAnyPlace) {
    RecordingSource source;
    ASSERT_TRUE(source.Open(path));
    VideoDecoder decoder;
    ASSERT_TRUE(decoder.Open(2));
    const std::int64_t key = source.KeyFrameAtOrBefore(frames - 1);
    for (std::int64_t n : {std::int64_t{0}, key, key - 1, key + 1, std::int64_t{frames} - 1,
                           std::int64_t{7}, std::int64_t{frames / 2}}) {
        DecodedPicture picture;
        std::int64_t next = -1;
        ASSERT_TRUE(DecodeExactFrame(source, decoder, n, picture, &next)) << n;
        EXPECT_EQ(picture.number, n);
        EXPECT_EQ(StampOf(picture), n);
        EXPECT_GT(next, n);
    }
    DecodedPicture none;
    EXPECT_FALSE(DecodeExactFrame(source, decoder, frames, none));
    EXPECT_FALSE(DecodeExactFrame(source, decoder, -1, none));
}

TEST_F(DecoderTest, ConvertsToImagesOfAnySize) {
    RecordingSource source;
    ASSERT_TRUE(source.Open(path));
    VideoDecoder decoder;
    ASSERT_TRUE(decoder.Open(1));
    DecodedPicture picture;
    ASSERT_TRUE(DecodeExactFrame(source, decoder, 5, picture));
    PictureConverter converter;
    const QImage native = converter.Convert(picture.frame.get());
    ASSERT_FALSE(native.isNull());
    EXPECT_EQ(native.size(), QSize(160, 96));
    const QImage panel = converter.Convert(picture.frame.get(), QSize(400, 300));
    EXPECT_EQ(panel.size(), QSize(400, 300));
    EXPECT_EQ(qAlpha(panel.pixel(10, 10)), 255);
}

TEST_F(DecoderTest, DamagedOrCorruptFiles) {
    RecordingSource source;
    QString error;
    EXPECT_FALSE(source.Open(dir->path() + "/missing-000001F.AVI", &error));
    EXPECT_FALSE(error.isEmpty());

    // A corrupt chunk loses at most the pictures up to the next key frame;
    // frames after it still decode exactly.
    QFile original(path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray bytes = original.readAll();
    ASSERT_TRUE(source.Open(path));
    const ChunkRef victim = source.video()[3];
    for (std::uint32_t i = 5; i < victim.size; ++i) {
        bytes[static_cast<qsizetype>(victim.offset + i)] = static_cast<char>(0xA5 ^ i);
    }
    const QString corrupt = dir->path() + "/A___-261205-093000-000102F.AVI";
    QFile out(corrupt);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();
    RecordingSource damaged;
    ASSERT_TRUE(damaged.Open(corrupt));
    VideoDecoder decoder;
    ASSERT_TRUE(decoder.Open(2));
    const std::int64_t key = damaged.KeyFrameAtOrBefore(frames - 1);
    DecodedPicture picture;
    ASSERT_TRUE(DecodeExactFrame(damaged, decoder, key + 1, picture));
    EXPECT_EQ(StampOf(picture), key + 1);
    DecodedPicture any;
    DecodeExactFrame(damaged, decoder, 4, any); // may or may not give a picture; must not crash
}

} // namespace
} // namespace kv::engine
