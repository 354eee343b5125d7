#pragma once

#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace kv::cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,     // unknown command or missing argument
    kExitBadInput = 2,  // the file cannot be read as a recording, or the operation failed
    kExitCancelled = 3, // the user interrupted a long operation
    kExitFindings = 4,  // done, and recordings need a look (check)
};

// Runs one command line (without the program name); output goes to out,
// messages to err.
int Run(const QStringList& args, std::FILE* out, std::FILE* err);

// One command of kolvista-cli. Each command file registers its commands with
// a static CommandRegistrar.
struct Command {
    const char* name;
    const char* usage; // the argument part, e.g. "FILE [--csv]"
    // args without the command name; false from the argument check means a usage error
    bool (*acceptsArguments)(const QStringList& args);
    int (*run)(const QStringList& args, QTextStream& out, QTextStream& err);
};

struct CommandRegistrar {
    explicit CommandRegistrar(const Command& command);
};

} // namespace kv::cli
