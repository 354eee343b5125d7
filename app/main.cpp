#include "application.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kolvista"));
    return kv::app::CQuillonApp().Run(QApplication::arguments());
}
