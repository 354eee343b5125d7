#include "application.h"

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
    playback.OpenInitialSource(arguments);
    window.exec();
    return 0;
}

} // namespace kv::app
