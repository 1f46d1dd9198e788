// The console on POSIX systems: terminals, file descriptors and termios.
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/console.h"
#include "platform/console_stream.h"
#include "platform/termination.h"

namespace {

// The terminal mode to put back, also when a signal ends the wait.
termios g_savedMode;
volatile std::sig_atomic_t g_modeChanged = 0;

void RestoreTerminal() {
    if (g_modeChanged) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &g_savedMode);
        g_modeChanged = 0;
    }
}

}  // namespace

bool ConsoleInitialize(std::string_view programName) {
    SetProgramName(programName);
    // A reader that goes away (a pager closed early) must not kill a batch half way, and a
    // write past the file-size limit fails and is reported, as a full disk is.
    return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR && std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
}

std::vector<std::string> CommandLineArguments(int argc, char* argv[]) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

bool IsSystemHelpRequest(std::string_view) {
    return false;
}

int WriteToStream(Stream stream, std::string_view text) {
    const int fd = stream == Stream::kOut ? STDOUT_FILENO : STDERR_FILENO;
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : EIO;  // no reason to stop extracting, though
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

bool StreamsShareTerminal() {
    static const bool same = [] {
        struct stat out {};
        struct stat err {};
        return ::isatty(STDOUT_FILENO) && ::isatty(STDERR_FILENO) &&
               ::fstat(STDOUT_FILENO, &out) == 0 && ::fstat(STDERR_FILENO, &err) == 0 &&
               out.st_rdev == err.st_rdev;
    }();
    return same;
}

bool ConsoleOwnedByRun() {
    // A terminal opened for the run makes it its session's leader; a shell's child never is.
    return ::isatty(STDIN_FILENO) && ::isatty(STDOUT_FILENO) &&
           ::tcgetsid(STDIN_FILENO) == ::getpid();
}

void ConsoleWaitForKey() {
    if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &g_savedMode) != 0) {
        return;
    }
    termios raw = g_savedMode;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    SetTerminationHook(RestoreTerminal);  // a signal during the wait puts the terminal back too
    if (::tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
        g_modeChanged = 1;
        char key = 0;
        while (::read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
        }
    }
    RestoreTerminal();
    SetTerminationHook(nullptr);
}
