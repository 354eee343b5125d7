// Test main for the map page in Qt WebEngine: offscreen, shared GL contexts
// (asked for by WebEngine before the application exists), and, when the
// environment does not say otherwise, no sandbox and no GPU so that the
// engine also runs as root on the CI machine.

#include <QApplication>

#include <gtest/gtest.h>

// Under the address sanitizer: Qt WebEngine's own Chromium allocator frees
// some of its objects with a smaller size than it allocated them (reported
// as a new/delete type mismatch inside libQt6WebEngineCore when a page goes),
// and the engine (with the font configuration it loads) keeps allocations
// alive until the process ends. Neither is
// ours; both are left out of this program's reports only. The environment's
// options still apply on top of these defaults.
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6WebEngineCore.so\n"
           "leak:libfontconfig.so\n"
           "leak:libQt6WebEngineWidgets.so\n"
           "leak:QtWebEngineProcess\n";
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS")) {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --no-sandbox");
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
