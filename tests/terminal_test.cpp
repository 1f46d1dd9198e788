// What the tool does to and with its terminal and its standard output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>

#include "tests/run_tool.h"
#include "tests/tool_test.h"

namespace {

Bytes Drawing() {
    return DwgBuilder().Entry(2, DarkPaletteDib()).Build();
}

TEST(TerminalTest, FailedProgressOutputIsReportedOnceAtTheEnd) {
    TempDir dir;
    WriteFile(dir / "a.dwg", Drawing());
    WriteFile(dir / "b.dwg", Drawing());
    const ToolRun run =
        RunProgram(PICTAVEX_BINARY, dir.Path(), {"*.dwg"}, {.stdoutPath = "/dev/full"});
    EXPECT_EQ(run.err, "pictavex: write error: No space left on device\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(ReadFile(dir / "b.bmp")[0], 'B');
}

TEST(TerminalTest, AClosedPipeNeitherStopsTheBatchNorFailsIt) {
    TempDir dir;
    for (int i = 0; i < 20; ++i) {
        WriteFile(dir / ("d" + std::to_string(i) + ".dwg"), Drawing());
    }
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);  // every write to stdout meets EPIPE, or SIGPIPE if it were not ignored
    const ToolRun run = RunProgram(PICTAVEX_BINARY, dir.Path(), {"*.dwg"}, {.stdoutFd = fds[1]});
    ::close(fds[1]);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(ReadFile(dir / "d19.bmp")[0], 'B');
}

// The tool on the slave side of a fresh pseudo-terminal, as a user at a terminal runs it.
class Terminal {
public:
    Terminal() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            return;
        }
        m_slavePath = ::ptsname(m_master);
        // Held open so that the master never reads end of file while the tool starts or ends.
        m_slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY);
    }
    ~Terminal() {
        if (m_child > 0) {
            ::kill(m_child, SIGKILL);
            ::waitpid(m_child, nullptr, 0);
        }
        if (m_slave >= 0) {
            ::close(m_slave);
        }
        if (m_master >= 0) {
            ::close(m_master);
        }
    }
    bool Ready() const { return m_slave >= 0; }

    // The tool on the terminal; with `stdoutTo` or `stdinFrom`, that stream is that file.
    void Start(const std::string& directory, std::vector<std::string> arguments,
               const std::string& stdoutTo = "", const std::string& stdinFrom = "") {
        arguments.insert(arguments.begin(), PICTAVEX_BINARY);
        StartProgram(PICTAVEX_BINARY, directory, std::move(arguments), stdoutTo, stdinFrom);
    }
    // A shell on the terminal, leading its session as a terminal's shell does, running `script`.
    void StartShell(const std::string& directory, const std::string& script) {
        StartProgram("/bin/sh", directory, {"sh", "-c", script});
    }
    void StartProgram(const std::string& program, const std::string& directory,
                      std::vector<std::string> arguments, const std::string& stdoutTo = "",
                      const std::string& stdinFrom = "") {
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        m_child = ::fork();
        if (m_child == 0) {
            ::setsid();
            const int slave = ::open(m_slavePath.c_str(), O_RDWR);  // the controlling terminal
            const int out = stdoutTo.empty() ? slave : ::open(stdoutTo.c_str(), O_WRONLY);
            const int in = stdinFrom.empty() ? slave : ::open(stdinFrom.c_str(), O_RDONLY);
            if (slave < 0 || out < 0 || in < 0 || ::chdir(directory.c_str()) != 0) {
                ::_exit(127);
            }
            ::dup2(in, 0);
            ::dup2(out, 1);
            ::dup2(slave, 2);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
    }
    // Everything the terminal shows until `text` appears or a second passes.
    std::string ReadUntil(const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (m_screen.find(text) == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd ready{m_master, POLLIN, 0};
            char buffer[256];
            if (::poll(&ready, 1, 50) == 1) {
                const ssize_t got = ::read(m_master, buffer, sizeof buffer);
                if (got <= 0) {
                    break;
                }
                m_screen.append(buffer, static_cast<std::size_t>(got));
            }
        }
        return m_screen;
    }
    termios Mode() const {
        termios mode{};
        ::tcgetattr(m_slave, &mode);
        return mode;
    }
    void Type(char key) { ASSERT_EQ(::write(m_master, &key, 1), 1); }
    // The exit status, or -1 while the tool still runs after `wait`.
    int Status(std::chrono::milliseconds wait) {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        do {
            int status = 0;
            if (::waitpid(m_child, &status, WNOHANG) == m_child) {
                m_child = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
            }
            ::usleep(10000);
        } while (std::chrono::steady_clock::now() < deadline);
        return -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    pid_t m_child = -1;
    std::string m_screen;
};

TEST(TerminalTest, PromptWaitsForOneKeyWithoutEchoAndRestoresTheTerminal) {
    Terminal terminal;
    if (!terminal.Ready()) {
        GTEST_SKIP() << "no pseudo-terminal can be opened here";
    }
    TempDir dir;
    WriteFile(dir / "a.dwg", Drawing());
    const termios before = terminal.Mode();
    terminal.Start(dir.Path(), {"a.dwg"});
    const std::string prompt = "------ Press any key for exit -------";
    const std::string shown = terminal.ReadUntil(prompt);
    EXPECT_NE(shown.find("a.dwg -> a.bmp  Ok!"), std::string::npos) << shown;
    EXPECT_EQ(terminal.Status(std::chrono::milliseconds(200)), -1) << "it did not wait";
    const termios waiting = terminal.Mode();
    EXPECT_EQ(waiting.c_lflag & (ECHO | ICANON), 0u);
    terminal.Type('x');
    EXPECT_EQ(terminal.Status(std::chrono::seconds(2)), 0);
    const std::string screen = terminal.ReadUntil(prompt + "\r\n");
    // Not echoed; the prompt's line ends once the key is read.
    EXPECT_EQ(screen.substr(screen.find(prompt) + prompt.size()), "\r\n");
    EXPECT_EQ(terminal.Mode().c_lflag & (ECHO | ICANON), before.c_lflag & (ECHO | ICANON));
}

// At a shell's prompt, or in a script, the terminal stays open after the run: no prompt, no
// wait, and the text ends with its line feed.
TEST(TerminalTest, NoPromptUnderAShell) {
    Terminal terminal;
    if (!terminal.Ready()) {
        GTEST_SKIP() << "no pseudo-terminal can be opened here";
    }
    TempDir dir;
    WriteFile(dir / "a.dwg", Drawing());
    const std::string tool = PICTAVEX_BINARY;
    terminal.StartShell(dir.Path(), tool + " a.dwg && " + tool + " a.dwg && echo done");
    EXPECT_EQ(terminal.Status(std::chrono::seconds(3)), 0) << "it waited for a key";
    const std::string screen = terminal.ReadUntil("done\r\n");
    EXPECT_EQ(screen,
              "\r\na.dwg -> a.bmp  Ok!\r\n1 drawing: 1 written\r\n"
              "\r\na.dwg -> a.bmp  Ok!\r\n1 drawing: 1 written, 1 of them already up to "
              "date\r\ndone\r\n");
}

TEST(TerminalTest, OnlyAReaderAtTheTerminalIsPromptedAndErrorsEndTheLineFirst) {
    Terminal terminal;
    if (!terminal.Ready()) {
        GTEST_SKIP() << "no pseudo-terminal can be opened here";
    }
    TempDir dir;
    WriteFile(dir / "a.dwg", Drawing());
    WriteFile(dir / "bad.dwg", DwgBuilder().ImageAddress(-1).Build());
    terminal.Start(dir.Path(), {"bad.dwg"}, "/dev/null");
    EXPECT_EQ(terminal.Status(std::chrono::seconds(2)), 2) << "it waited with stdout redirected";
    EXPECT_EQ(terminal.ReadUntil("\n"),  // the terminal shows "\n" as "\r\n"
              "pictavex: bad.dwg: Invalid argument\r\n");

    Terminal noReader;
    noReader.Start(dir.Path(), {"a.dwg"}, "", "/dev/null");
    EXPECT_EQ(noReader.Status(std::chrono::seconds(2)), 0) << "it waited with stdin redirected";
    EXPECT_EQ(noReader.ReadUntil(kPrompt.substr(1)).find("Press"), std::string::npos);

    Terminal shared;
    shared.Start(dir.Path(), {"bad.dwg", "a.dwg"});
    const std::string screen = shared.ReadUntil(kPrompt.substr(1));
    EXPECT_NE(screen.find("bad.bmp  \r\npictavex: bad.dwg: Invalid argument"), std::string::npos)
        << screen;
    EXPECT_NE(screen.find("\r\na.dwg -> a.bmp  Ok!"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("\r\n\r\n"), std::string::npos) << "a blank line: " << screen;
}

}  // namespace
