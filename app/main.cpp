#include "application.h"

#include <QApplication>

int main(int argc, char** argv) {
    // The map's web view shares its GL contexts with the widgets; Qt WebEngine
    // needs this before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kolvista"));
    // The installed menu entry (kolvista.desktop): desktops match the window to
    // the entry and its icon by this name.
    QApplication::setDesktopFileName(QStringLiteral("kolvista"));
    return kv::app::CQuillonApp().Run(QApplication::arguments());
}
