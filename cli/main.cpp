// kolvista-cli: the recording library from the command line.

#include "commands.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    return kv::cli::Run(args, stdout, stderr);
}
