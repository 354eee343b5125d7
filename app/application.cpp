#include "application.h"

#include "catalogue.h"
#include "engine_context.h"
#include "main_window.h"
#include "message_box.h"
#include "playback_host.h"
#include "settings_store.h"
#include "ui_scale.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <cstdio>
#include <ctime>

namespace kv::app {

namespace {

long long MonotonicNanos() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

} // namespace

bool OpenFolderArgument(PlaybackHost& playback, const QStringList& arguments) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument.startsWith(QLatin1Char('-')) || !QFileInfo(argument).isDir()) {
            continue;
        }
        Catalogue catalogue;
        RecordingList list;
        int files = 0;
        CollectAll(catalogue, QFileInfo(argument).absoluteFilePath(), list, files, 0);
        playback.SetFolders({list}, 0, argument);
        if (list.empty()) {
            return false;
        }
        playback.Controller().SelectRecording(0);
        return true;
    }
    return false;
}

int CQuillonApp::Run(const QStringList& arguments) {
    const bool firstPaintExit = arguments.contains(QStringLiteral("--first-paint-exit"));
    const UiScale scale = UiScale::ForScreen(QGuiApplication::primaryScreen());
    CQuillonDlg window(scale, SettingsAtStartup(), engine::FfmpegEngine());
    if (firstPaintExit) {
        QObject::connect(&window, &CQuillonDlg::firstPainted, &window, [&window] {
            std::printf("first-paint %lld\n", MonotonicNanos());
            std::fflush(stdout);
            window.Shutdown();
            window.accept();
        });
    }
    window.Initialise();
    CMsgBox messages(&window, window.Scale(), window.Fonts().pt10());
    PlaybackHost playback(window, messages);
    OpenFolderArgument(playback, arguments);
    window.exec();
    return 0;
}

} // namespace kv::app
