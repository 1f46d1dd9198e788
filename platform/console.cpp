#include "platform/console.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;  // a closed console is no reason to stop extracting
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

// The terminal mode to put back, also when a signal ends the wait.
termios g_savedMode;
volatile std::sig_atomic_t g_modeChanged = 0;

void RestoreTerminal() {
    if (g_modeChanged) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &g_savedMode);
        g_modeChanged = 0;
    }
}

extern "C" void RestoreAndRaise(int signalNumber) {
    RestoreTerminal();
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

constexpr int kRestoringSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

}  // namespace

bool ConsoleInitialize() {
    // A reader that goes away (a pager closed early) must not kill a batch half way.
    return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
}

void ConsoleOut(std::string_view text) {
    WriteAll(STDOUT_FILENO, text);
}

void ConsoleError(std::string_view text) {
    WriteAll(STDERR_FILENO, text);
}

void ConsoleWaitForKey() {
    if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &g_savedMode) != 0) {
        return;
    }
    termios raw = g_savedMode;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    for (int signalNumber : kRestoringSignals) {
        std::signal(signalNumber, RestoreAndRaise);
    }
    if (::tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
        g_modeChanged = 1;
        char key = 0;
        while (::read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
        }
    }
    RestoreTerminal();
    for (int signalNumber : kRestoringSignals) {
        std::signal(signalNumber, SIG_DFL);
    }
}
