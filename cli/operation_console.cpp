#include "operation_console.h"

#include <csignal>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace kv::cli {

namespace {

// The flag of the operation in progress; a signal handler may only store to it.
std::atomic<std::atomic<bool>*> current{nullptr};

extern "C" void OnInterrupt(int) {
    if (std::atomic<bool>* flag = current.load()) {
        flag->store(false);
    }
}

} // namespace

OperationConsole::OperationConsole(const QString& label, QTextStream& err) : err_(err) {
#if defined(Q_OS_UNIX)
    terminal_ = ::isatty(STDERR_FILENO) == 1;
#endif
    control_.running = &running_;
    control_.progress = [this, label](std::int64_t done, std::int64_t total) {
        if (terminal_) {
            err_ << "\r" << label << " " << done << "/" << total << "   " << Qt::flush;
        }
    };
    current.store(&running_);
    std::signal(SIGINT, OnInterrupt);
}

OperationConsole::~OperationConsole() {
    std::signal(SIGINT, SIG_DFL);
    current.store(nullptr);
    if (terminal_) {
        err_ << "\n" << Qt::flush;
    }
}

} // namespace kv::cli
