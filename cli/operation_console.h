#pragma once

#include "file_operation.h"

#include <QString>
#include <QTextStream>

#include <atomic>

namespace kv::cli {

// Runs a long operation from the terminal: Ctrl-C clears the running flag
// (the operation then stops at its next unit of work and ends as cancelled),
// and progress is shown as one line rewritten in place when err is a terminal.
class OperationConsole {
public:
    OperationConsole(const QString& label, QTextStream& err);
    ~OperationConsole();
    OperationConsole(const OperationConsole&) = delete;
    OperationConsole& operator=(const OperationConsole&) = delete;

    const OperationControl& control() const { return control_; }
    bool interrupted() const { return !running_.load(); }

private:
    std::atomic<bool> running_{true};
    OperationControl control_;
    QTextStream& err_;
    bool terminal_ = false;
};

} // namespace kv::cli
