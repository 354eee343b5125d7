// Test main of the journeys: the real windows on an X server. Without a
// display in the environment (CI) the program starts its own Xvfb, picks the
// display it reports and stops it at the end; QT_QPA_PLATFORM, when set,
// still wins (offscreen runs the journeys without X). Listing the tests needs
// no display.

#include <QApplication>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// Libraries under the X platform plugin (the X client libraries, the font
// configuration, the desktop bus and GLib's type system) keep allocations until
// the process ends; they are not ours and are left out of the leak report.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libX11.so\n"
           "leak:libxcb\n"
           "leak:libdbus-1.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libQt6XcbQpa.so\n"
           "leak:libEGL\n"
           "leak:libGLX\n"
           "leak:libGLdispatch\n"
           "leak:libgallium\n"
           "leak:dri.so\n";
}

namespace {

// An Xvfb started for this process.
class VirtualDisplay {
public:
    ~VirtualDisplay() { Stop(); }

    // Starts Xvfb on a free display and exports DISPLAY; false when it cannot.
    bool Start() {
        int fds[2];
        if (pipe(fds) != 0) {
            return false;
        }
        pid_ = fork();
        if (pid_ < 0) {
            close(fds[0]);
            close(fds[1]);
            return false;
        }
        if (pid_ == 0) {
            close(fds[0]);
            const int quiet = open("/dev/null", O_WRONLY);
            if (quiet >= 0) {
                dup2(quiet, STDOUT_FILENO);
                dup2(quiet, STDERR_FILENO);
            }
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1200x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes the display number and a line end once it accepts clients.
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (number.find('\n') == std::string::npos && poll(&p, 1, 20000) > 0) {
            char buffer[16];
            const ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            number.append(buffer, static_cast<std::size_t>(n));
        }
        close(fds[0]);
        while (!number.empty() && (number.back() == '\n' || number.back() == '\r')) {
            number.pop_back();
        }
        if (number.empty()) {
            Stop();
            return false;
        }
        setenv("DISPLAY", (":" + number).c_str(), 1);
        return true;
    }

    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
};

bool Listing(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    VirtualDisplay display;
    if (Listing(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        if (qEnvironmentVariableIsEmpty("DISPLAY") && !display.Start()) {
            std::fprintf(stderr, "e2e: no display and Xvfb could not be started\n");
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    return result;
}
