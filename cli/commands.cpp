#include "commands.h"

#include <vector>

namespace kv::cli {

namespace {

std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}

void PrintUsage(QTextStream& stream) {
    stream << "usage:\n";
    for (const Command& c : Registry()) {
        stream << "  kolvista-cli " << c.name << " " << c.usage << "\n";
    }
}

} // namespace

CommandRegistrar::CommandRegistrar(const Command& command) {
    Registry().push_back(command);
}

int Run(const QStringList& args, std::FILE* outFile, std::FILE* errFile) {
    QTextStream out(outFile);
    QTextStream err(errFile);
    const QString name = args.value(0);
    if (name == u"--help" || name == u"-h") {
        PrintUsage(out);
        return kExitOk;
    }
    const QStringList rest = args.mid(1);
    for (const Command& c : Registry()) {
        if (name == QLatin1String(c.name)) {
            if (!c.acceptsArguments(rest)) {
                err << "kolvista-cli: wrong arguments for " << name << "\n";
                PrintUsage(err);
                return kExitUsage;
            }
            return c.run(rest, out, err);
        }
    }
    if (!name.isEmpty()) {
        err << "kolvista-cli: unknown command " << name << "\n";
    }
    PrintUsage(err);
    return kExitUsage;
}

} // namespace kv::cli
