// Start-up of the viewer to the first paint of its main window, measured from
// just before the process is started to the moment the window painted (the
// viewer prints a monotonic time stamp and closes). Run by hand (Release build):
//   build-release/bench/startup_bench [RUNS] [PATH-TO-kolvista]
// Without a display it runs offscreen; under xvfb-run it uses the X server.

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

long long MonotonicNanos() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const QString viewer = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                    : QDir(QCoreApplication::applicationDirPath())
                                          .filePath(QStringLiteral("../app/kolvista"));
    QTemporaryDir home; // a settings folder of its own
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("DISPLAY")) &&
        !env.contains(QStringLiteral("WAYLAND_DISPLAY"))) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home.path());
        const long long start = MonotonicNanos();
        p.start(viewer, {QStringLiteral("--first-paint-exit")});
        if (!p.waitForFinished(30000)) {
            std::fprintf(stderr, "the viewer did not finish\n");
            return 1;
        }
        const QByteArray out = p.readAllStandardOutput();
        const qsizetype at = out.indexOf("first-paint ");
        if (at < 0) {
            std::fprintf(stderr, "no first paint reported: %s\n",
                         p.readAllStandardError().constData());
            return 1;
        }
        const long long painted = out.mid(at + 12).trimmed().split('\n').front().toLongLong();
        ms.push_back(static_cast<double>(painted - start) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "start-up to first paint: median %.1f ms (fastest %.1f, slowest %.1f, %d runs, %s)\n",
        ms[ms.size() / 2], ms.front(), ms.back(), runs,
        env.contains(QStringLiteral("QT_QPA_PLATFORM")) ? "offscreen" : "display");
    return 0;
}
