// A viewer killed in the middle of a join or a repair: the work runs in a
// child process that stops itself half-way through its output (from its
// progress callback) and is killed there with SIGKILL. No file may then be
// under a final name, the sources are as they were, and the same work run
// again into the same folder succeeds.

#include "catalogue.h"
#include "fault_support.h"
#include "join.h"
#include "repair.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kv::faults {
namespace {

// True while process pid has a file in folder: a named entry there, or an
// open file whose path lies in it (an unnamed temporary file counts).
bool WritingInto(pid_t pid, const QString& folder) {
    if (!QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                              QDir::NoDotAndDotDot)) {
        return true;
    }
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo& fd :
         fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (fd.symLinkTarget().startsWith(folder + u'/')) {
            return true;
        }
    }
    return false;
}

// Runs work(control) in a child process. The child stops for good at the
// first progress report that stopHere accepts and tells the parent so; the
// parent then calls atStop (the child still stopped there) and kills the
// child. False when the child ended without stopping.
bool KillWhenStopped(const std::function<void(const OperationControl&)>& work,
                     const std::function<bool(std::int64_t, std::int64_t)>& stopHere,
                     const std::function<void(pid_t child)>& atStop) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return false;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        OperationControl control;
        control.progress = [&](std::int64_t done, std::int64_t total) {
            if (stopHere(done, total)) {
                const char stopped = 's';
                (void)!::write(pipeFds[1], &stopped, 1);
                for (;;) {
                    ::pause();
                }
            }
        };
        work(control);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    bool stopped = false;
    pollfd waitFor{pipeFds[0], POLLIN, 0};
    if (child > 0 && ::poll(&waitFor, 1, 60000) == 1) {
        char c = 0;
        stopped = ::read(pipeFds[0], &c, 1) == 1;
    }
    if (stopped) {
        atStop(child);
    }
    if (child > 0) {
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    ::close(pipeFds[0]);
    return stopped;
}

class KilledWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        const QString card = sources.path() + QStringLiteral("/card");
        const QString names[] = {QStringLiteral("A__S-261205-093000-000101F.AVI"),
                                 QStringLiteral("A___-261205-093002-000102F.AVI")};
        for (int i = 0; i < 2; ++i) {
            pairs.push_back(
                WriteRecordingPair(card, names[i], 2.0, 2.0 * i, cm::Damage::None, &error));
        }
        damaged = WriteRecordingPair(sources.path() + QStringLiteral("/damaged"),
                                     QStringLiteral("A__S-261205-100000-000201F.AVI"), 2.0, 0.0,
                                     cm::Damage::PowerLoss, &error)
                      .front;
        ASSERT_TRUE(error.empty()) << error;
    }
    RecordingList Jobs() const {
        Catalogue catalogue;
        RecordingList jobs;
        for (const auto& p : pairs) {
            MakeEntry(catalogue, p.front, p.rear, jobs);
        }
        return jobs;
    }

    QTemporaryDir sources;
    QTemporaryDir out;
    std::vector<WrittenRecording> pairs;
    QString damaged;
};

TEST_F(KilledWriterTest, AJoinKilledBetweenItsTwoOutputsLeavesNoFileUnderEitherName) {
    const RecordingList jobs = Jobs();
    const JoinOutputs outputs = JoinOutputPaths(jobs, out.path());
    const auto before = Snapshot(sources.path());
    const auto run = [&](const OperationControl& control) {
        JoinRecordings(jobs, outputs, control);
    };
    // (40, 100): the front output is written completely, the rear one not yet.
    const bool stopped = KillWhenStopped(
        run, [](std::int64_t done, std::int64_t total) { return done == 40 && total == 100; },
        [&](pid_t child) {
            EXPECT_TRUE(WritingInto(child, out.path())) << "the join wrote nothing before the kill";
        });
    ASSERT_TRUE(stopped) << "the join never reached its rear output";
    EXPECT_FALSE(QFileInfo::exists(outputs.front));
    EXPECT_FALSE(QFileInfo::exists(outputs.rear));
    EXPECT_EQ(Snapshot(sources.path()), before);

    JoinReport report;
    EXPECT_EQ(JoinRecordings(jobs, outputs, {}, &report), kOperationDone)
        << report.error.toStdString();
    EXPECT_TRUE(QFileInfo::exists(outputs.front));
    EXPECT_TRUE(QFileInfo::exists(outputs.rear));
}

TEST_F(KilledWriterTest, ARepairKilledAfterCopyingTheChunksLeavesNoCopy) {
    const QString target = out.path() + QStringLiteral("/copy.AVI");
    const auto before = Snapshot(sources.path());
    const auto run = [&](const OperationControl& control) {
        RepairFile(damaged, target, &control);
    };
    // The last report of the copy: every chunk is in the partial file, the index is not.
    const bool stopped = KillWhenStopped(
        run, [](std::int64_t done, std::int64_t total) { return total > 0 && done == total; },
        [&](pid_t child) {
            EXPECT_TRUE(WritingInto(child, out.path()))
                << "the repair wrote nothing before the kill";
        });
    ASSERT_TRUE(stopped) << "the repair never copied its chunks";
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(Snapshot(sources.path()), before);

    RepairReport report;
    EXPECT_EQ(RepairFile(damaged, target, nullptr, &report), kOperationDone)
        << report.error.toStdString();
    EXPECT_TRUE(QFileInfo::exists(target));
}

} // namespace
} // namespace kv::faults
