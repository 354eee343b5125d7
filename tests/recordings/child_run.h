#pragma once

// Runs a piece of a test in a forked child, so that a reader that faults (a
// SIGBUS on a file that shrank under a mapping) or blocks (an open that waits
// for a FIFO's writer) shows as a signal or a time-out of the child instead of
// killing or hanging the test program. The child is waited for with the
// shared limit of WaitFor and killed when it is still running then.

#include "wait_for.h"

#include <csignal>
#include <functional>
#include <string>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kv::test {

struct ChildEnd {
    bool finished = false; // false: still running at the limit, then killed
    bool exited = false;   // ended by exit, not by a signal
    int code = -1;         // exit code when exited
    int signal = 0;        // the signal that ended it otherwise

    bool ExitedWith(int expected) const { return finished && exited && code == expected; }
    std::string Describe() const {
        if (!finished) {
            return "still running at the limit";
        }
        return exited ? "exit code " + std::to_string(code) : "signal " + std::to_string(signal);
    }
};

// body runs in the child; its result is the child's exit code. The child
// leaves through _exit: nothing of the test program's own clean-up runs twice.
// parentTurn, when given, runs in the parent at each turn of the wait.
inline ChildEnd RunInChild(const std::function<int()>& body,
                           const std::function<void()>& parentTurn = {}) {
    ChildEnd end;
    const pid_t pid = ::fork();
    if (pid < 0) {
        return end;
    }
    if (pid == 0) {
        ::_exit(body());
    }
    int status = 0;
    end.finished = WaitFor([&] {
        if (parentTurn) {
            parentTurn();
        }
        return ::waitpid(pid, &status, WNOHANG) == pid;
    });
    if (!end.finished) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return end;
    }
    end.exited = WIFEXITED(status);
    end.code = end.exited ? WEXITSTATUS(status) : -1;
    end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return end;
}

} // namespace kv::test
