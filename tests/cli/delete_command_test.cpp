// kolvista-cli delete on a card: it says what it did (placeholders, not the
// trash), and a pair it cannot mark whole stays as it was.

#include "cli_runner.h"
#include "commands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace kv::cli {
namespace {

const QString kFront = QStringLiteral("Normal/Front/AG__-220820-153012-000045F.AVI");
const QString kRear = QStringLiteral("Normal/Rear/AG__-220820-153012-000045R.AVI");

int Tool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QStringList Files(const QString& root) {
    QStringList out;
    for (const QString& folder : {QStringLiteral("Normal/Front"), QStringLiteral("Normal/Rear")}) {
        for (const QString& name :
             QDir(root + u'/' + folder).entryList(QDir::Files | QDir::Hidden)) {
            out << folder + u'/' + name;
        }
    }
    return out;
}

TEST(DeleteCommand, OnACardItReportsPlaceholdersOrLeavesThePair) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a card volume is mounted for this test, which needs root";
    }
    struct Case {
        const char* what;
        QString readOnly; // a folder of the card that refuses changes, or empty
        int code;
        QStringList after;
        const char* says;
    };
    const QString frontDmy = QString(kFront).replace(".AVI", ".DMY");
    const QString rearDmy = QString(kRear).replace(".AVI", ".DMY");
    const std::vector<Case> cases = {
        {"both folders writable", {}, kExitOk, {frontDmy, rearDmy}, "marked deleted on the card"},
        {"the rear folder read-only", "Normal/Rear", kExitBadInput, {kFront, kRear}, "Normal/Rear"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir card;
        if (Tool("mount", {"-t", "tmpfs", "-o", "size=1m", "tmpfs", card.path()}) != 0) {
            GTEST_SKIP() << "cannot mount a tmpfs";
        }
        for (const QString& f : {kFront, kRear}) {
            QDir().mkpath(QFileInfo(card.path() + u'/' + f).absolutePath());
            QFile file(card.path() + u'/' + f);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("rec");
        }
        const QString refusing = c.readOnly.isEmpty() ? QString() : card.path() + u'/' + c.readOnly;
        if (!refusing.isEmpty() && Tool("chattr", {"+i", refusing}) != 0) {
            Tool("umount", {card.path()});
            GTEST_SKIP() << "chattr +i is not supported on a tmpfs here";
        }
        const Result r = RunCli({"delete", card.path() + u'/' + kFront});
        if (!refusing.isEmpty()) {
            Tool("chattr", {"-i", refusing});
        }
        const QStringList after = Files(card.path());
        Tool("umount", {card.path()});

        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        EXPECT_EQ(after, c.after);
        EXPECT_TRUE((r.out + r.err).contains(c.says)) << (r.out + r.err).toStdString();
        EXPECT_FALSE(r.out.contains("trash")) << r.out.toStdString();
    }
}

} // namespace
} // namespace kv::cli
