#include "avi_bytes.h"
#include "avi_verify.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv {
namespace {

using test::AviSpec;
using test::MakeAvi;

const char* const kFront = "A___-261205-093000-000101F.AVI";
const char* const kTimeLapseFront = "T___-261205-093000-000101F.AVI";

struct VerifyCase {
    const char* what;
    const char* name;
    std::function<QByteArray()> bytes;
    int expected;
};

AviSpec Normal(int frames = 12) {
    AviSpec s;
    s.chunks = test::SimpleChunks(frames, true);
    return s;
}

TEST(VerifyRecording, ClassifiesStructure) {
    const std::vector<VerifyCase> cases = {
        {"sound normal recording", kFront, [] { return MakeAvi(Normal()); }, 0},
        {"sound time-lapse recording", kTimeLapseFront,
         [] {
             AviSpec s;
             s.timeLapse = true;
             s.chunks = test::SimpleChunks(12, false);
             return MakeAvi(s);
         },
         0},
        {"time-lapse bytes under a normal name are read at the wrong offsets", kFront,
         [] {
             AviSpec s;
             s.timeLapse = true;
             s.chunks = test::SimpleChunks(12, false);
             return MakeAvi(s);
         },
         1},
        {"RIFF size 0: never closed", kFront,
         [] {
             auto s = Normal();
             s.riffSize = 0;
             return MakeAvi(s);
         },
         1},
        {"movi size 0", kFront,
         [] {
             auto s = Normal();
             s.moviSize = 0;
             return MakeAvi(s);
         },
         1},
        {"cut inside movi", kFront, [] { return MakeAvi(Normal()).left(900); }, 1},
        {"no index at the end of movi", kFront,
         [] {
             auto s = Normal();
             s.writeIndex = false;
             return MakeAvi(s);
         },
         1},
        {"index of 8 bytes: not one whole entry", kFront,
         [] {
             auto s = Normal(1);
             s.chunks.resize(1);
             s.indexSize = 8;
             return MakeAvi(s);
         },
         1},
        {"index of exactly one entry", kFront,
         [] {
             auto s = Normal(1);
             s.chunks.resize(1);
             return MakeAvi(s);
         },
         0},
        {"index cut off by the end of the file", kFront,
         [] {
             const QByteArray full = MakeAvi(Normal());
             return full.left(full.size() - 20);
         },
         1},
        {"index size larger than the file", kFront,
         [] {
             auto s = Normal();
             s.indexSize = 0x7FFFFFFF;
             return MakeAvi(s);
         },
         1},
        {"shorter than the header", kFront, [] { return QByteArray(100, 'x'); }, 1},
        {"empty file cannot be mapped", kFront, [] { return QByteArray(); }, 2},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString path = test::WriteFile(dir.path(), c.name, c.bytes());
        EXPECT_EQ(VerifyRecording(path), c.expected) << c.what;
    }
    EXPECT_EQ(VerifyRecording(dir.path() + "/missing-000001F.AVI"), 2);
}

TEST(VerifyRecording, ExpectedLengthCoversIndexAndTelemetry) {
    QTemporaryDir dir;
    auto recipe = Normal();
    const QByteArray bare = MakeAvi(recipe);
    recipe.telemetry = test::ExactBlock({test::TypicalRecord(), test::TypicalRecord()});
    const QByteArray withBlock = MakeAvi(recipe);
    recipe.telemetry = test::FullLengthBlock({test::TypicalRecord()});
    const QByteArray withFullBlock = MakeAvi(recipe);

    for (const QByteArray& bytes : {bare, withBlock, withFullBlock}) {
        const QString path = test::WriteFile(dir.path(), kFront, bytes);
        std::int64_t expected = -1;
        ASSERT_EQ(VerifyRecording(path, &expected), 0);
        EXPECT_EQ(expected, bytes.size());
    }
    // A block cut short: the trailer still names its full length.
    const QString path = test::WriteFile(
        dir.path(), kFront, withBlock.left(withBlock.size() - 200) + withBlock.right(28));
    std::int64_t expected = -1;
    ASSERT_EQ(VerifyRecording(path, &expected), 0);
    EXPECT_EQ(expected, withBlock.size());
}

TEST(ReadTiming, FrameDurationAndLength) {
    struct Case {
        std::uint32_t scale, rate, frames;
        float frameMs;
        double seconds;
    };
    const Case cases[] = {
        {1, 30, 300, 33.333332f, 10.0},
        {1001, 30000, 600, 33.366665f, 20.02},
        {34364, 1000000, 291, 34.364f, 10.0},
        {1, 30, 60, 33.333332f, 2.0}, // the engine refuses recordings of 2.0 s or less
    };
    for (const auto& c : cases) {
        AviSpec s = Normal(2);
        s.scale = c.scale;
        s.rate = c.rate;
        s.totalFrames = c.frames;
        QByteArray bytes = MakeAvi(s);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const auto timing = ReadTiming(buffer);
        ASSERT_TRUE(timing.has_value()) << c.rate;
        EXPECT_FLOAT_EQ(timing->frameDurationMs, c.frameMs);
        EXPECT_NEAR(timing->durationSeconds, c.seconds, 1e-3);
        EXPECT_EQ(timing->totalFrames, c.frames);
    }
}

TEST(ReadTiming, FailsOnZeroRateOrScaleOrShortHeader) {
    for (const auto& [rate, scale] : {std::pair{0u, 1u}, std::pair{30u, 0u}, std::pair{0u, 0u}}) {
        AviSpec s = Normal(2);
        s.rate = rate;
        s.scale = scale;
        QByteArray zero = MakeAvi(s);
        QBuffer a(&zero);
        a.open(QIODevice::ReadOnly);
        EXPECT_FALSE(ReadTiming(a).has_value()) << rate << '/' << scale;
    }

    QByteArray shortHeader = MakeAvi(Normal(2)).left(343);
    QBuffer b(&shortHeader);
    b.open(QIODevice::ReadOnly);
    EXPECT_FALSE(ReadTiming(b).has_value());

    EXPECT_FALSE(ReadTiming(QStringLiteral("/nonexistent/x.AVI")).has_value());
}

} // namespace
} // namespace kv
