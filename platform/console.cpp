#include "platform/console.h"

#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/termination.h"

namespace {

// The first failure to write to stdout, other than a reader that went away.
int g_outputError = 0;
// Whether stdout's last text left a line open, and whether an error has since closed it, so
// that the next line need not start with a line feed of its own.
bool g_lineOpen = false;
bool g_lineClosedForError = false;

// Whether stdout and stderr show on one terminal, where an error must not split a line.
bool SameTerminal() {
    static const bool same = [] {
        struct stat out {};
        struct stat err {};
        return ::isatty(STDOUT_FILENO) && ::isatty(STDERR_FILENO) &&
               ::fstat(STDOUT_FILENO, &out) == 0 && ::fstat(STDERR_FILENO, &err) == 0 &&
               out.st_rdev == err.st_rdev;
    }();
    return same;
}

// 0, or the errno value of a failed write.
int WriteAll(int fd, std::string_view text) {
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

// The terminal mode to put back, also when a signal ends the wait.
termios g_savedMode;
volatile std::sig_atomic_t g_modeChanged = 0;

void RestoreTerminal() {
    if (g_modeChanged) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &g_savedMode);
        g_modeChanged = 0;
    }
}

thread_local ConsoleRecording* t_recording = nullptr;
std::string_view g_programName = "pictavex";

}  // namespace

bool ConsoleInitialize(std::string_view programName) {
    g_programName = programName;
    // A reader that goes away (a pager closed early) must not kill a batch half way, and a
    // write past the file-size limit fails and is reported, as a full disk is.
    return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR && std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
}

std::string_view ProgramName() {
    return g_programName;
}

void ConsoleRecording::Add(bool toError, std::string_view text) {
    if (!m_parts.empty() && m_parts.back().toError == toError) {
        m_parts.back().text += text;  // the line-feed rules see the same text either way
    } else {
        m_parts.push_back({toError, std::string(text)});
    }
}

void ConsoleRecording::Replay() const {
    for (const Part& part : m_parts) {
        if (part.toError) {
            ConsoleError(part.text);
        } else {
            ConsoleOut(part.text);
        }
    }
}

ConsoleCapture::ConsoleCapture(ConsoleRecording& recording) : m_previous(t_recording) {
    t_recording = &recording;
}

ConsoleCapture::~ConsoleCapture() {
    t_recording = m_previous;
}

void ConsoleOut(std::string_view text) {
    if (t_recording != nullptr) {
        t_recording->Add(false, text);
        return;
    }
    if (g_lineClosedForError && text.starts_with('\n')) {
        text.remove_prefix(1);
    }
    g_lineClosedForError = false;
    if (text.empty()) {
        return;
    }
    g_lineOpen = text.back() != '\n';
    const int error = WriteAll(STDOUT_FILENO, text);
    if (error != 0 && error != EPIPE && g_outputError == 0) {
        g_outputError = error;
    }
}

void ConsoleError(std::string_view text) {
    if (t_recording != nullptr) {
        t_recording->Add(true, text);
        return;
    }
    if (g_lineOpen && SameTerminal()) {
        (void)WriteAll(STDOUT_FILENO, "\n");
        g_lineOpen = false;
        g_lineClosedForError = true;
    }
    (void)WriteAll(STDERR_FILENO, text);
}

bool ConsoleIsInteractive() {
    return ::isatty(STDIN_FILENO) && ::isatty(STDOUT_FILENO);
}

int ConsoleOutputError() {
    return g_outputError;
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
