// The kolvista-mkcard command: arguments, errors and exit codes.

#include "avi_inspect.h"
#include "cardmaker.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv::cardmaker {
namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome RunMkcard(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KV_MKCARD), args);
    Outcome o;
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit) {
        return o;
    }
    o.exitCode = p.exitCode();
    o.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    o.err = QString::fromLocal8Bit(p.readAllStandardError());
    return o;
}

TEST(Mkcard, BadArgumentsAreRefused) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("card"));
    const QStringList cases[] = {
        {},
        {QStringLiteral("--out")},
        {QStringLiteral("--out"), out, QStringLiteral("--front"), QStringLiteral("1280")},
        {QStringLiteral("--out"), out, QStringLiteral("--front"), QStringLiteral("161x96")},
        {QStringLiteral("--out"), out, QStringLiteral("--rear"), QStringLiteral("8x8")},
        {QStringLiteral("--out"), out, QStringLiteral("--fps"), QStringLiteral("0")},
        {QStringLiteral("--out"), out, QStringLiteral("--fps"), QStringLiteral("fast")},
        {QStringLiteral("--out"), out, QStringLiteral("--fps"), QStringLiteral("30/0")},
        {QStringLiteral("--out"), out, QStringLiteral("--seconds"), QStringLiteral("ten")},
        {QStringLiteral("--out"), out, QStringLiteral("--seconds"), QStringLiteral("1")},
        {QStringLiteral("--out"), out, QStringLiteral("--count"), QStringLiteral("-1")},
        {QStringLiteral("--out"), out, QStringLiteral("--bogus")},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Outcome o = RunMkcard(args);
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_TRUE(o.err.startsWith(QStringLiteral("kolvista-mkcard: "))) << o.err.toStdString();
        EXPECT_FALSE(QDir(out).exists()) << "nothing is written on bad arguments";
    }
}

TEST(Mkcard, HelpAndWriteFailure) {
    const Outcome help = RunMkcard({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--out DIR")));

    // The card folder would have to live below a regular file.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString blocker = dir.filePath(QStringLiteral("file"));
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const Outcome o =
        RunMkcard({QStringLiteral("--tiny"), QStringLiteral("--count"), QStringLiteral("1"),
                   QStringLiteral("--out"), blocker + QStringLiteral("/card")});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_TRUE(o.err.contains(QStringLiteral("cannot create"))) << o.err.toStdString();
}

TEST(Mkcard, WritesATinyCardAtTheRequestedRate) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("card"));
    const Outcome o =
        RunMkcard({QStringLiteral("--tiny"), QStringLiteral("--count"), QStringLiteral("2"),
                   QStringLiteral("--fps"), QStringLiteral("29.1"), QStringLiteral("--rear"),
                   QStringLiteral("96x64"), QStringLiteral("--out"), out});
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();

    CardOptions expected = TinyCardOptions();
    expected.count = 2;
    expected.rate = 1000000;
    expected.scale = 34364;
    expected.rearWidth = 96;
    expected.rearHeight = 64;
    const auto plan = PlanCard(expected);
    ASSERT_EQ(plan.size(), 2u);
    for (const CardRecording& r : plan) {
        const QByteArray front = testing::ReadWholeFile(QDir(out).filePath(r.FrontPath()));
        EXPECT_EQ(testing::U32(front, 128), 34364u);
        EXPECT_EQ(testing::U32(front, 132), 1000000u);
        EXPECT_EQ(testing::U32(front, 176), 160u);
        const QByteArray rear = testing::ReadWholeFile(QDir(out).filePath(r.RearPath()));
        EXPECT_EQ(testing::U32(rear, 176), 96u);
        EXPECT_EQ(testing::U32(rear, 180), 64u);
    }
    EXPECT_TRUE(QFile::exists(QDir(out).filePath(QStringLiteral("DRFormatConfig.dfc"))));
}

} // namespace
} // namespace kv::cardmaker
