#pragma once

#include <QStringList>

#include <cstdio>

namespace kv::cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,    // unknown command or missing argument
    kExitBadInput = 2, // the file cannot be read as a recording
};

// Runs one command line (without the program name); output goes to out,
// messages to err.
int Run(const QStringList& args, std::FILE* out, std::FILE* err);

} // namespace kv::cli
