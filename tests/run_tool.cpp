#include "tests/run_tool.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>
#include <thread>

#include "tests/dwg_builder.h"

namespace {

bool DropToNobody(gid_t extraGroup = 0) {
    return ::setgroups(extraGroup != 0 ? 1 : 0, &extraGroup) == 0 && ::setgid(kNobody) == 0 &&
           ::setuid(kNobody) == 0;
}

// In the child: standard streams, limits and user, then the program. Never returns.
[[noreturn]] void StartChild(const std::string& program, const std::string& directory,
                             std::vector<char*>& argv, const RunOptions& options,
                             const std::string& outPath, const std::string& errPath) {
    const int in =
        options.stdinFd >= 0 ? ::dup(options.stdinFd) : ::open(options.stdinPath.c_str(), O_RDONLY);
    const int out = options.stdoutFd >= 0
                        ? ::dup(options.stdoutFd)
                        : ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || ::chdir(directory.c_str()) != 0 || ::dup2(in, 0) < 0 ||
        ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) {
        ::_exit(127);
    }
    ::close(in);
    ::close(out);
    ::close(err);
    for (const auto& [name, value] : options.environment) {
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    for (int signalNumber : options.ignoredSignals) {
        std::signal(signalNumber, SIG_IGN);
    }
    for (const auto& [resource, value] : options.limits) {
        const rlimit limit{value, value};
        if (::setrlimit(resource, &limit) != 0) {
            ::_exit(126);
        }
    }
    if (options.asOrdinaryUser && !DropToNobody(options.extraGroup)) {
        ::_exit(125);
    }
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

}  // namespace

ToolProcess::ToolProcess(const std::string& program, const std::string& directory,
                         const std::vector<std::string>& arguments, const RunOptions& options)
    : m_options(options) {
    char capture[] = "/tmp/pictavex-run-XXXXXX";
    if (::mkdtemp(capture) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_capture = capture;
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    const std::string outPath =
        options.stdoutPath.empty() ? m_capture + "/stdout" : options.stdoutPath;
    const std::string errPath = m_capture + "/stderr";
    m_pid = ::fork();
    if (m_pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (m_pid == 0) {
        StartChild(program, directory, pointers, options, outPath, errPath);
    }
}

ToolProcess::~ToolProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    ::unlink((m_capture + "/stdout").c_str());
    ::unlink((m_capture + "/stderr").c_str());
    ::rmdir(m_capture.c_str());
}

ToolRun ToolProcess::Wait() {
    int status = 0;
    rusage usage{};
    if (m_options.killAfter.count() != 0) {
        const auto deadline = std::chrono::steady_clock::now() + m_options.killAfter;
        while (::wait4(m_pid, &status, WNOHANG, &usage) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                ::wait4(m_pid, &status, 0, &usage);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    } else {
        ::wait4(m_pid, &status, 0, &usage);
    }
    m_pid = -1;
    ToolRun run;
    // A child killed early may not have made them.
    const auto captured = [this](const char* name) {
        const std::string path = m_capture + name;
        const Bytes bytes = ::access(path.c_str(), F_OK) == 0 ? ReadFile(path) : Bytes();
        return std::string(bytes.begin(), bytes.end());
    };
    if (m_options.stdoutPath.empty() && m_options.stdoutFd < 0) {
        run.out = captured("/stdout");
    }
    run.err = captured("/stderr");
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    run.peakMemoryKib = usage.ru_maxrss;
    run.minorFaults = usage.ru_minflt;
    return run;
}

ToolRun RunProgram(const std::string& program, const std::string& directory,
                   const std::vector<std::string>& arguments, const RunOptions& options) {
    return ToolProcess(program, directory, arguments, options).Wait();
}

bool CanRunAsOrdinaryUser() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(::geteuid() == 0 && DropToNobody() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
