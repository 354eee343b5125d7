// A soak run of continuous playback: a card of COUNT regular recordings (both
// cameras) played from the first group of Normal to its last recording at x4,
// the viewer carrying each recording on into the next one and each group into
// the next by itself, in the real main window with the real engines. The
// folder tree keeps Normal and Parking apart and the chain stays inside one of
// them, so when Normal has played to its end the run selects the first group of
// Parking and presses Play again, as the user would, and that chain plays to
// the last recording of the card.
//
// Speed: Play, then the faster button as the user presses it, which goes up to
// x2 (our engine cannot play backwards, and the rate rules give the button its
// x4 step only then). With --speed 4 (the default) x4 is then set on both
// engines as a speed change sets it, and the recordings that follow keep it;
// --speed 2 plays at the button's own top speed.
//
// Samples at the start (first recording playing), every INTERVAL seconds and at
// the end: VmRSS and VmHWM, threads (/proc/self/task), open file descriptors
// (/proc/self/fd) and the recording playing. After the end the stop button is
// pressed, an empty folder is opened as the source and the controller closes
// what is left; after a second of events the threads and descriptors are
// compared with the baseline taken with the window shown and nothing open, and
// those left over are named. Exit code 1 when playback stalled (no new frame
// and no new recording for 30 s), did not reach the last recording or ran out
// of time; 2 when the card cannot be made or the first recording not opened.
//
// The card is written once into $TMPDIR/kolvista-soak-card-<options> and kept
// for later runs (200 recordings of 11 s at 640x360 + 320x180: a few minutes
// on two cores; the run at x4 then takes about 10-15 minutes, at x2 about 20).
//
// Run by hand (Release build):
//   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOLVISTA_TESTS=OFF
//         -DKOLVISTA_BENCH=ON   (one command line)
//   cmake --build build-release --target soak_bench
//   QT_QPA_PLATFORM=offscreen build-release/bench/soak_bench
// Options: --count N (200), --seconds S (11), --front WxH (640x360),
// --rear WxH (320x180), --interval SECONDS (30), --speed 2|4 (4),
// --limit MINUTES (40).

#include "cardmaker.h"
#include "filer_container_dlg.h"
#include "folder_tree_ctrl.h"
#include "main_window.h"
#include "message_box.h"
#include "movie_static.h"
#include "playback_host.h"
#include "settings_store.h"
#include "tool_bar.h"
#include "wait_for.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTreeWidgetItem>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace kv;
using namespace kv::app;

namespace {

constexpr qint64 kStallMs = 30000;

struct Sample {
    double seconds = 0.0;
    long rssKb = 0;
    long hwmKb = 0;
    int threads = 0;
    int fds = 0;
};

long StatusKb(const QByteArray& status, const char* key) {
    const int at = status.indexOf(key);
    if (at < 0) {
        return 0;
    }
    const int end = status.indexOf('\n', at);
    const QByteArray value = status.mid(at + static_cast<int>(qstrlen(key)), end - at);
    return value.simplified().split(' ').value(0).toLong();
}

// Names of the entries of a /proc folder, "." and ".." left out.
std::vector<std::string> Entries(const char* folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder)) {
        const int own = dirfd(dir);
        while (const dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name == "." || name == ".." || name == std::to_string(own)) {
                continue;
            }
            names.push_back(name);
        }
        closedir(dir);
    }
    return names;
}

Sample Take(const QElapsedTimer& clock) {
    Sample s;
    s.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        const QByteArray text = status.readAll();
        s.rssKb = StatusKb(text, "VmRSS:");
        s.hwmKb = StatusKb(text, "VmHWM:");
    }
    s.threads = static_cast<int>(Entries("/proc/self/task").size());
    s.fds = static_cast<int>(Entries("/proc/self/fd").size());
    return s;
}

// Thread names (comm) and descriptor targets, for naming what is left over.
std::multiset<std::string> ThreadNames() {
    std::multiset<std::string> names;
    for (const std::string& task : Entries("/proc/self/task")) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(QString::fromStdString(task)));
        if (comm.open(QIODevice::ReadOnly)) {
            names.insert(comm.readAll().trimmed().toStdString());
        }
    }
    return names;
}

std::multiset<std::string> FdTargets() {
    std::multiset<std::string> targets;
    for (const std::string& fd : Entries("/proc/self/fd")) {
        char buffer[4096];
        const std::string link = "/proc/self/fd/" + fd;
        const ssize_t n = readlink(link.c_str(), buffer, sizeof buffer - 1);
        targets.insert(n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "?");
    }
    return targets;
}

void PrintDifference(const char* what, const std::multiset<std::string>& before,
                     const std::multiset<std::string>& after) {
    std::vector<std::string> added;
    std::vector<std::string> gone;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                        std::back_inserter(gone));
    for (const std::string& s : added) {
        std::printf("  %s more than the baseline: %s\n", what, s.c_str());
    }
    for (const std::string& s : gone) {
        std::printf("  %s fewer than the baseline: %s\n", what, s.c_str());
    }
}

// Lets the window and the engines run for ms.
void Pump(int ms) {
    RunEventsFor(ms);
}

bool ParseSize(const QString& text, int& width, int& height) {
    const QStringList parts = text.split(QLatin1Char('x'));
    bool w = false;
    bool h = false;
    if (parts.size() == 2) {
        width = parts[0].toInt(&w);
        height = parts[1].toInt(&h);
    }
    return w && h;
}

// The card for these options, written once and kept: it is written into a
// ".part" folder that takes its final name when complete.
QString CachedCard(const cardmaker::CardOptions& o) {
    const QString name = QStringLiteral("kolvista-soak-card-%1-%2s-%3x%4-%5x%6")
                             .arg(o.count)
                             .arg(o.seconds)
                             .arg(o.frontWidth)
                             .arg(o.frontHeight)
                             .arg(o.rearWidth)
                             .arg(o.rearHeight);
    const QString folder = QDir(QDir::tempPath()).filePath(name);
    if (QFileInfo(folder).isDir()) {
        std::printf("card: %s (kept from an earlier run)\n", qPrintable(folder));
        return folder;
    }
    const QString part = folder + QStringLiteral(".part");
    QDir(part).removeRecursively();
    std::printf("card: writing %s ...\n", qPrintable(folder));
    std::fflush(stdout);
    QElapsedTimer t;
    t.start();
    QString error;
    if (!cardmaker::WriteCard(o, part, &error) || !QDir().rename(part, folder)) {
        std::fprintf(stderr, "cannot make the card: %s\n", qPrintable(error));
        return QString();
    }
    std::printf("card written in %.0f s\n", static_cast<double>(t.elapsed()) / 1000.0);
    return folder;
}

QString ItemPath(const QTreeWidgetItem* item) {
    if (item == nullptr) {
        return QStringLiteral("-");
    }
    return item->parent() ? item->parent()->text(0) + QLatin1Char('/') + item->text(0)
                          : item->text(0);
}

QTreeWidgetItem* TopLevel(browser::CFolderTreeCtrl* tree, const QString& name) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (tree->topLevelItem(i)->text(0) == name) {
            return tree->topLevelItem(i);
        }
    }
    return nullptr;
}

class Soak {
public:
    Soak(CQuillonDlg& window, PlaybackHost& host, const QElapsedTimer& clock, qint64 limitMs,
         int speed)
        : window_(window), c_(host.Controller()), clock_(clock), limitMs_(limitMs), speed_(speed) {}

    // The tool bar button's command, as a click sends it.
    void Press(int button) { window_.Command(kToolBarFirstCommand + button); }

    // Selects the group (unless the chain already stands there), waits for its
    // first recording, presses Play and then the faster button (one speed
    // change a second is taken), and sets x4 when asked.
    bool StartGroup(QTreeWidgetItem* group) {
        browser::CFolderTreeCtrl* tree = window_.Browser()->tree();
        if (tree->currentItem() != group) {
            tree->SelectItem(group);
        }
        if (!WaitFor([&] { return c_.Ready() && c_.currentRecording == 0; })) {
            std::fprintf(stderr, "the first recording of %s did not open\n",
                         qPrintable(ItemPath(group)));
            return false;
        }
        Press(playback::kPlayButton);
        if (!WaitFor([&] { return c_.PlayState() == engine::kPlaying; })) {
            std::fprintf(stderr, "Play did not start %s\n", qPrintable(ItemPath(group)));
            return false;
        }
        // The faster button goes up to x2 (a change refused near the end of a
        // recording is tried again on the next one).
        const int buttonTop = std::min(speed_, 2);
        QElapsedTimer t;
        t.start();
        while (c_.RateCode() < buttonTop && t.elapsed() < 20000) {
            WaitFor([&] { return !c_.rateLockout && c_.PlayState() == engine::kPlaying; });
            Press(playback::kFasterButton);
            Pump(50);
        }
        if (c_.RateCode() != buttonTop) {
            std::fprintf(stderr, "the speed stayed at code %d\n", c_.RateCode());
            return false;
        }
        if (speed_ == 4) {
            // The engine cannot play backwards, so the rate rules give the button
            // no step beyond x2. x4 is set on both engines as a speed change sets
            // it (the rate, then both clocks on from the frame the clock is at;
            // both cameras of the card run at the same frame rate); the recordings
            // that follow keep the engines' rate.
            WaitFor([&] { return c_.PlayState() == engine::kPlaying && !c_.EndGuard(); });
            const engine::EngineOps& ops = window_.Ops();
            for (int camera = 0; camera < 2; ++camera) {
                ops.SetRate(window_.Engine(camera), 4);
            }
            if (engine::EngineContext* telemetry = c_.TelemetryEngine()) {
                const std::int64_t frame = ops.CurrentFrame(*telemetry);
                for (int camera = 0; camera < 2; ++camera) {
                    ops.SeekPlaying(window_.Engine(camera), frame);
                }
            }
            if (c_.RateCode() != 4) {
                std::fprintf(stderr, "the engines did not take x4\n");
                return false;
            }
        }
        return true;
    }

    enum class Outcome { End, Stall, TimeOut };

    // Pumps events while the chain plays; returns at the end of the chain (the
    // last recording of the last group played and shown again stopped).
    Outcome Follow(QTreeWidgetItem* top, qint64 intervalMs) {
        qint64 lastProgress = clock_.elapsed();
        qint64 stoppedSince = -1;
        std::int64_t lastFrame = -1;
        QString lastKey;
        for (;;) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            const qint64 now = clock_.elapsed();
            const bool playing = c_.Ready() && c_.PlayState() == engine::kPlaying;
            const QString key = Current();
            if (playing && !key.isEmpty()) {
                if (played_.insert(key).second) {
                    groups_.insert(ItemPath(window_.Browser()->tree()->currentItem()));
                }
            }
            if (!key.isEmpty() && key != lastKey) {
                lastKey = key;
                lastProgress = now;
            }
            if (engine::EngineContext* t = c_.TelemetryEngine(); t && playing) {
                const std::int64_t frame = window_.Ops().CurrentFrame(*t);
                if (frame != lastFrame) {
                    lastFrame = frame;
                    lastProgress = now;
                }
                if (c_.RateCode() != speed_) {
                    ++offSpeedTicks_;
                }
            }
            if (now - lastSample_ >= intervalMs) {
                Print(QStringLiteral("sample"));
            }
            // The end: the last group's last recording is shown again, stopped.
            QTreeWidgetItem* group = window_.Browser()->tree()->currentItem();
            const bool lastGroup = group && group->parent() == top &&
                                   top->indexOfChild(group) == top->childCount() - 1;
            const bool lastRow = c_.currentRecording >= 0 &&
                                 c_.currentRecording + 1 == static_cast<int>(c_.Playlist().size());
            if (lastGroup && lastRow && c_.Ready() && !c_.OpenBusy() &&
                c_.PlayState() == engine::kStopped && played_.count(key) != 0) {
                if (stoppedSince < 0) {
                    stoppedSince = now;
                } else if (now - stoppedSince > 2000) {
                    return Outcome::End;
                }
            } else {
                stoppedSince = -1;
            }
            if (now - lastProgress > kStallMs) {
                return Outcome::Stall;
            }
            if (now > limitMs_) {
                return Outcome::TimeOut;
            }
        }
    }

    // The recording the controller holds: its front (or rear) path.
    QString Current() {
        const RecordingList& list = c_.Playlist();
        const int i = c_.currentRecording;
        if (i < 0 || i >= static_cast<int>(list.size())) {
            return QString();
        }
        const RecordingEntry& e = list[static_cast<std::size_t>(i)];
        return e.frontPath.isEmpty() ? e.rearPath : e.frontPath;
    }

    Sample Print(const QString& label) {
        lastSample_ = clock_.elapsed();
        const Sample s = Take(clock_);
        const QString key = Current();
        std::printf("%-8s t=%7.1f s  rss %7.1f MiB  hwm %7.1f MiB  threads %3d  fds %3d  "
                    "x%d  %s #%d %s  played %zu\n",
                    qPrintable(label), s.seconds, s.rssKb / 1024.0, s.hwmKb / 1024.0, s.threads,
                    s.fds, c_.RateCode(),
                    qPrintable(ItemPath(window_.Browser()->tree()->currentItem())),
                    c_.currentRecording,
                    key.isEmpty() ? "-" : qPrintable(QFileInfo(key).fileName()), played_.size());
        std::fflush(stdout);
        return s;
    }

    std::size_t Played() const { return played_.size(); }
    std::size_t Groups() const { return groups_.size(); }
    long OffSpeedTicks() const { return offSpeedTicks_; }

private:
    CQuillonDlg& window_;
    playback::PlaybackController& c_;
    const QElapsedTimer& clock_;
    qint64 limitMs_;
    int speed_;
    qint64 lastSample_ = 0;
    std::set<QString> played_;
    std::set<QString> groups_;
    long offSpeedTicks_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Continuous playback soak run"));
    parser.addHelpOption();
    const QCommandLineOption countOption(QStringLiteral("count"), QStringLiteral("recordings"),
                                         QStringLiteral("N"), QStringLiteral("200"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("seconds per recording"),
                                           QStringLiteral("S"), QStringLiteral("11"));
    const QCommandLineOption frontOption(QStringLiteral("front"), QStringLiteral("front picture"),
                                         QStringLiteral("WxH"), QStringLiteral("640x360"));
    const QCommandLineOption rearOption(QStringLiteral("rear"), QStringLiteral("rear picture"),
                                        QStringLiteral("WxH"), QStringLiteral("320x180"));
    const QCommandLineOption intervalOption(QStringLiteral("interval"),
                                            QStringLiteral("seconds between samples"),
                                            QStringLiteral("S"), QStringLiteral("30"));
    const QCommandLineOption speedOption(QStringLiteral("speed"),
                                         QStringLiteral("playback speed, 2 or 4"),
                                         QStringLiteral("X"), QStringLiteral("4"));
    const QCommandLineOption limitOption(QStringLiteral("limit"),
                                         QStringLiteral("minutes of playback at most"),
                                         QStringLiteral("M"), QStringLiteral("40"));
    parser.addOptions({countOption, secondsOption, frontOption, rearOption, intervalOption,
                       speedOption, limitOption});
    parser.process(app);

    cardmaker::CardOptions options;
    options.count = parser.value(countOption).toInt();
    options.seconds = parser.value(secondsOption).toDouble();
    if (!ParseSize(parser.value(frontOption), options.frontWidth, options.frontHeight) ||
        !ParseSize(parser.value(rearOption), options.rearWidth, options.rearHeight)) {
        std::fprintf(stderr, "picture sizes are WIDTHxHEIGHT\n");
        return 2;
    }
    QString error;
    if (options.count < 1 || !cardmaker::CheckCardOptions(options, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error.isEmpty() ? "count below 1" : error));
        return 2;
    }
    const int speed = parser.value(speedOption).toInt();
    if (speed != 2 && speed != 4) {
        std::fprintf(stderr, "the speed is 2 or 4\n");
        return 2;
    }
    const qint64 intervalMs =
        std::max<qint64>(1000, static_cast<qint64>(parser.value(intervalOption).toDouble() * 1000));
    const qint64 limitMs =
        std::max<qint64>(60000, static_cast<qint64>(parser.value(limitOption).toDouble() * 60000));

    const QString card = CachedCard(options);
    if (card.isEmpty()) {
        return 2;
    }
    const std::vector<cardmaker::CardRecording> plan = cardmaker::PlanCard(options);
    std::map<QString, int> perGroup;
    for (const cardmaker::CardRecording& r : plan) {
        ++perGroup[r.group];
    }
    std::printf("card: %zu recordings (%d Normal, %d Parking), %.1f s each, front %dx%d, rear "
                "%dx%d\n",
                plan.size(), perGroup[QStringLiteral("Normal")],
                perGroup[QStringLiteral("Parking")], options.seconds, options.frontWidth,
                options.frontHeight, options.rearWidth, options.rearHeight);

    QTemporaryDir settings;
    const QString empty = QDir(settings.path()).filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);
    int status = 0;
    QElapsedTimer clock;
    {
        CQuillonDlg window(UiScale(1.0, 1.0), LocateSettings(settings.path(), QString()),
                           engine::FfmpegEngine());
        window.Initialise();
        window.show();
        ScriptedMessageSink messages;
        PlaybackHost host(window, messages);
        playback::PlaybackController& c = host.Controller();
        Pump(2000); // the deferred starts of the window and the map side

        clock.start();
        Soak soak(window, host, clock, limitMs, speed);
        const Sample baseline = soak.Print(QStringLiteral("baseline"));
        const std::multiset<std::string> baseThreads = ThreadNames();
        const std::multiset<std::string> baseFds = FdTargets();

        host.OpenSource(card, SourceKind::Card);
        browser::CFolderTreeCtrl* tree = window.Browser()->tree();
        std::vector<QTreeWidgetItem*> tops;
        for (const char* name : {"Normal", "Parking"}) {
            QTreeWidgetItem* top = TopLevel(tree, QString::fromLatin1(name));
            if (top != nullptr && top->childCount() > 0) {
                std::printf("tree: %s has %d groups\n", name, top->childCount());
                tops.push_back(top);
            }
        }
        if (tops.empty()) {
            std::fprintf(stderr, "the card shows no groups\n");
            return 2;
        }

        Soak::Outcome outcome = Soak::Outcome::End;
        Sample start;
        for (std::size_t leg = 0; leg < tops.size() && outcome == Soak::Outcome::End; ++leg) {
            if (leg > 0) {
                std::printf("the chain ended at the last group of %s; selecting the first group "
                            "of %s and pressing Play\n",
                            qPrintable(tops[leg - 1]->text(0)), qPrintable(tops[leg]->text(0)));
            }
            if (!soak.StartGroup(tops[leg]->child(0))) {
                status = 2;
                outcome = Soak::Outcome::Stall;
                break;
            }
            if (leg == 0) {
                start = soak.Print(QStringLiteral("start"));
            }
            outcome = soak.Follow(tops[leg], intervalMs);
        }
        const Sample end = soak.Print(QStringLiteral("end"));
        const double playSeconds = end.seconds - start.seconds;

        // The last recording of the card in the tree's order.
        QString lastPath;
        if (!tops.empty() && outcome == Soak::Outcome::End) {
            lastPath = soak.Current();
        }

        // Closing as the user would: the stop button, then another source.
        soak.Press(playback::kStopToStartButton);
        Pump(300);
        host.OpenSource(empty, SourceKind::Folder);
        c.CloseRecording();
        Pump(1000);
        const Sample after = soak.Print(QStringLiteral("closed"));

        std::printf("\nplayback from the first recording to the end: %.0f s (%.1f min)\n",
                    playSeconds, playSeconds / 60.0);
        std::printf("recordings played: %zu of %zu, in %zu groups; looks at the engines while "
                    "playing not at x%d: %ld\n",
                    soak.Played(), plan.size(), soak.Groups(), speed, soak.OffSpeedTicks());
        std::printf("rss: start %.1f MiB, end %.1f MiB, after closing %.1f MiB; hwm %.1f MiB\n",
                    start.rssKb / 1024.0, end.rssKb / 1024.0, after.rssKb / 1024.0,
                    after.hwmKb / 1024.0);
        std::printf("threads: baseline %d, playing at the start %d, after closing %d\n",
                    baseline.threads, start.threads, after.threads);
        std::printf("fds: baseline %d, playing at the start %d, after closing %d\n", baseline.fds,
                    start.fds, after.fds);
        PrintDifference("thread", baseThreads, ThreadNames());
        PrintDifference("fd", baseFds, FdTargets());
        std::printf("messages shown: %zu\n", messages.messages.size());
        for (const ScriptedMessageSink::Message& m : messages.messages) {
            std::printf("  [%s] %s\n", qPrintable(m.caption), qPrintable(m.text));
        }

        switch (outcome) {
        case Soak::Outcome::End:
            if (soak.Played() < plan.size()) {
                std::printf("result: the chain ended, but %zu recordings never played\n",
                            plan.size() - soak.Played());
                status = 1;
            } else {
                std::printf("result: finished, the last recording %s played\n",
                            qPrintable(QFileInfo(lastPath).fileName()));
            }
            break;
        case Soak::Outcome::Stall:
            std::printf("result: stalled (no progress for %lld s)\n",
                        static_cast<long long>(kStallMs / 1000));
            status = status == 0 ? 1 : status;
            break;
        case Soak::Outcome::TimeOut:
            std::printf("result: not finished, the time limit ran out\n");
            status = 1;
            break;
        }
        window.Shutdown();
    }
    return status;
}
