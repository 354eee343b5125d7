// A repaired copy is a recording like any other: kolvista-cli repairs two
// consecutive recordings that lost power, and info, csv and join then take
// the copies as they take the recorder's own files.

#include "avi_verify.h"
#include "cardmaker.h"
#include "cli_runner.h"
#include "commands.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv::cli {
namespace {

namespace cm = cardmaker;

// A front and rear recording that lost power, written by the card maker into
// <root>/Normal/Front and Rear; returns the front path.
QString WriteDamagedPair(const QString& root, const QString& frontName, double sessionSeconds,
                         QString* error) {
    QDir(root).mkpath(QStringLiteral("Normal/Front"));
    QDir(root).mkpath(QStringLiteral("Normal/Rear"));
    cm::RecordingSpec front;
    front.fileName = frontName;
    front.width = 160;
    front.height = 96;
    front.seconds = 2.0;
    front.sessionSeconds = sessionSeconds;
    front.damage = cm::Damage::PowerLoss;
    front.telemetry = cm::TelemetryForm::None;
    cm::RecordingSpec rear = front;
    rear.fileName = cm::CounterpartName(front.fileName);
    const QString frontPath = root + QStringLiteral("/Normal/Front/") + front.fileName;
    if (!cm::WriteRecording(front, frontPath, error) ||
        !cm::WriteRecording(rear, root + QStringLiteral("/Normal/Rear/") + rear.fileName, error)) {
        return {};
    }
    return frontPath;
}

TEST(RepairedCopy, InfoCsvAndJoinTakeTheCopies) {
    QTemporaryDir dir;
    const QString card = dir.path() + "/card";
    const QString copies = dir.path() + "/copies";
    QString error;
    QStringList fronts;
    for (const auto& [name, session] :
         {std::pair{QStringLiteral("A__S-261205-093000-000101F.AVI"), 0.0},
          std::pair{QStringLiteral("A___-261205-093002-000102F.AVI"), 2.0}}) {
        const QString front = WriteDamagedPair(card, name, session, &error);
        ASSERT_FALSE(front.isEmpty()) << error.toStdString();
        fronts << front;
    }

    // Each file repaired into a folder of its camera.
    QStringList frontCopies;
    for (const QString& front : fronts) {
        const QString rear =
            card + "/Normal/Rear/" + cm::CounterpartName(QFileInfo(front).fileName());
        for (const auto& [source, camera] : {std::pair{front, "Front"}, std::pair{rear, "Rear"}}) {
            ASSERT_EQ(VerifyRecording(source), kRecordingDamaged);
            const QString folder = copies + "/" + camera;
            QDir().mkpath(folder);
            const QString copy = folder + '/' + QFileInfo(source).fileName();
            const Result r = RunCli({"repair", source, copy});
            ASSERT_EQ(r.code, kExitOk) << r.err.toStdString();
            ASSERT_EQ(VerifyRecording(copy), kRecordingSound);
        }
        frontCopies << copies + "/Front/" + QFileInfo(front).fileName();
    }

    for (const QString& copy : frontCopies) {
        SCOPED_TRACE(copy.toStdString());
        const Result info = RunCli({"info", copy});
        EXPECT_EQ(info.code, kExitOk) << info.err.toStdString();
        EXPECT_FALSE(info.out.contains("cannot be loaded")) << info.out.toStdString();
        EXPECT_TRUE(info.out.contains("picture:         160 x 96")) << info.out.toStdString();
    }

    // The list: a real line for each copy, not the line for a file that cannot be read.
    const QString lists = dir.path() + "/lists";
    QDir().mkpath(lists);
    const Result csv = RunCli({"csv", copies, lists});
    ASSERT_EQ(csv.code, kExitOk) << csv.err.toStdString();
    const QStringList written = QDir(lists).entryList(QDir::Files);
    ASSERT_EQ(written.size(), 1);
    QFile list(lists + '/' + written.front());
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    const QByteArray text = list.readAll();
    EXPECT_EQ(text.count("\r\n"), 3) << text.toStdString();
    EXPECT_FALSE(text.contains(",-,-,-,-,-,-,fps,0MB,0MB")) << text.toStdString();

    const QString joined = dir.path() + "/joined";
    QDir().mkpath(joined);
    const Result join = RunCli(QStringList{"join", joined} + frontCopies);
    ASSERT_EQ(join.code, kExitOk) << join.err.toStdString();
    EXPECT_TRUE(join.out.contains("rear:  " + joined)) << join.out.toStdString();
    const QStringList outputs = QDir(joined).entryList(QDir::Files);
    ASSERT_EQ(outputs.size(), 2) << outputs.join(' ').toStdString();
    for (const QString& output : outputs) {
        EXPECT_EQ(VerifyRecording(joined + '/' + output), kRecordingSound) << output.toStdString();
    }
}

} // namespace
} // namespace kv::cli
